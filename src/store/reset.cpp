#include "store/reset.h"

#include <algorithm>
#include <cstring>

#include "base/debug.h"
#include "config/gvar.h"
#include "macro/stmacro.h"

namespace keyloom {
namespace {

constexpr uint32_t POP_DEFAULT_X = 20;
constexpr uint32_t POP_DEFAULT_Y = 100;

// One default knob record; class-2 rows carry their key in the combination.
struct KnobDefault {
    uint32_t funId;
    uint8_t modifyKey;
    uint8_t vkCode1;
};

constexpr uint32_t KNOB_KEY = MAKE_FUNID(FUN_KEY, 0);

// Indexed [set][direction].
constexpr KnobDefault KNOB_DEFAULTS[KNOB_SETS][KNOB_DIRECTIONS] = {
    {{KNOB_KEY, 0, 126}, {KNOB_KEY, 0, 125}},          // Up / Down arrow
    {{KNOB_KEY, 0, 123}, {KNOB_KEY, 0, 124}},          // Left / Right arrow
    {{KNOB_KEY, 0, 33}, {KNOB_KEY, 0, 30}},            // [ / ]
    {{0x1000018, 0, VK_NONE}, {0x1000019, 0, VK_NONE}},  // wheel up / down
    {{KNOB_KEY, MOD_LCTRL, 24}, {KNOB_KEY, MOD_LCTRL, 27}},  // Control + = / Control + minus
    {{KNOB_KEY, 0, 116}, {KNOB_KEY, 0, 121}},          // Page Up / Page Down
    {{0x4000027, 0, VK_NONE}, {0x4000026, 0, VK_NONE}},  // volume down / up
    {{0x400002B, 0, VK_NONE}, {0x400002A, 0, VK_NONE}},  // display brightness down / up
};

// Host key code of each modifier and its ModifyKey bit.
struct ModifierVk {
    int vk;
    uint8_t bit;
};
constexpr ModifierVk MODIFIER_VKS[] = {
    {59, MOD_LCTRL}, {56, MOD_LSHIFT}, {58, MOD_LALT}, {55, MOD_LGUI},
    {62, MOD_RCTRL}, {60, MOD_RSHIFT}, {61, MOD_RALT}, {54, MOD_RGUI},
};

uint8_t modifier_bit(int vk) {
    for (const ModifierVk& m : MODIFIER_VKS)
        if (m.vk == vk) return m.bit;
    return 0;
}

bool slot_carries_vk(const _KEYINFO& slot, int vk) {
    if (slot.stCombo.ModifyKey != 0) return (slot.stCombo.ModifyKey & modifier_bit(vk)) != 0;
    return slot.stCombo.VkCode1 == vk;
}

void apply_game_groups(_ST_ADV& adv) {
    // The tables start zero, so an empty group leaves its table unlit. The model
    // file names at most GAOSHOU_GROUP_MAX groups; a larger count must not read past them.
    int groups = std::min<int>(gVar.GaoshouGroupNum, GAOSHOU_GROUP_MAX);
    for (int g = 0; g < groups; ++g) {
        const uint8_t* keys = gVar.GaoshouKey[g];
        uint32_t* table = adv.dwKeyColor[g];
        for (int k = 0; k < KEY_COUNT; ++k) {
            if (keys[k] == VK_NONE) continue;
            int slot = GetKeyIndexForVk(keys[k]);
            if (slot >= 0) table[slot] = gVar.clrGaoshou;
        }
    }
}

}  // namespace

void new_profile(const char* name, _ST_PROFILE* dst) {
    if (!name || !dst) return;
    // Built on the heap: the record is too large to sit comfortably on the stack.
    auto profile = std::make_unique<_ST_PROFILE>();
    std::memset(profile.get(), 0, sizeof(_ST_PROFILE));
    profile->dwMagic = PROFILE_MAGIC;
    profile->dwID = create_unique_id();
    ResetProfile(profile.get());
    copy_record_name(profile->szName, PROFILE_NAME_SIZE, name);
    std::memcpy(dst, profile.get(), sizeof(_ST_PROFILE));
}

void ResetProfile(_ST_PROFILE* profile) {
    if (!profile) return;
    ResetKey(profile);
    ResetADV(profile);
    ResetKnod(profile);
    profile->ptPop = {POP_DEFAULT_X, POP_DEFAULT_Y};
}

void ResetKey(_ST_PROFILE* profile) {
    if (!profile) return;
    profile->dwReserved2 = 0;
    std::memcpy(profile->stKey[0], g_defKEY, sizeof profile->stKey[0]);
}

void ResetADV(_ST_PROFILE* profile) {
    if (!profile) return;
    _ST_ADV& adv = profile->stAdv;
    std::memset(&adv, 0, sizeof adv);
    for (_RGB_CFG& cfg : adv.stRgbCfg) {
        cfg.nSpeed = 1;
        cfg.nLight = 5;
    }
    int mode = gVar.LEDParam[0];
    if (mode < LED_MODE_SLOTS) {
        adv.nMode = mode;
        adv.stRgbCfg[mode].nLight = gVar.LEDParam[1];
        adv.stRgbCfg[mode].nSpeed = gVar.LEDParam[2];
    } else {
        // A mode the record has no settings for: start in mode 0 instead.
        LOG("default lighting mode %d out of range, using 0", mode);
    }
    apply_game_groups(adv);
}

void ResetKnod(_ST_PROFILE* profile) {
    if (!profile) return;
    for (int s = 0; s < KNOB_SETS; ++s) {
        for (int d = 0; d < KNOB_DIRECTIONS; ++d) {
            const KnobDefault& def = KNOB_DEFAULTS[s][d];
            _KEYINFO& knob = profile->stKnod[d][s];
            std::memset(&knob, 0, sizeof knob);
            knob.dwFunID = def.funId;
            knob.stCombo.ModifyKey = def.modifyKey;
            knob.stCombo.VkCode1 = def.vkCode1;
            knob.stCombo.VkCode2 = VK_NONE;
        }
    }
    profile->nKnodSet = 0;
}

int GetKeyIndexForVk(int vk) {
    if (vk == VK_NONE) return -1;
    for (int i = 0; i < KEY_COUNT; ++i) {
        const _KEYINFO& slot = g_defKEY[i];
        if (slot.dwFunID != 0 && slot_carries_vk(slot, vk)) return i;
    }
    return -1;
}

int GetMatrixIndexForVk(int vk) {
    int slot = GetKeyIndexForVk(vk);
    return slot < 0 ? -1 : static_cast<int>(g_defKEY[slot].dwMatrixIdx);
}

}  // namespace keyloom
