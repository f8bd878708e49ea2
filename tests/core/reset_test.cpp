// Factory defaults of a profile: keys, lighting, game-mode tables and knob;
// finding a key of the default table by its host key code.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "config/gvar.h"
#include "store/reset.h"
#include "test_support.h"

namespace keyloom {
namespace {

constexpr uint32_t kKey = MAKE_FUNID(FUN_KEY, 0);
constexpr uint32_t kGameColour = 0x1828FF;

_KEYINFO keyRow(uint32_t funId, uint8_t modifiers, uint8_t vk, uint32_t matrix) {
    _KEYINFO k{};
    k.dwFunID = funId;
    k.stCombo = {modifiers, vk, VK_NONE, 0};
    k.dwMatrixIdx = matrix;
    return k;
}

// Puts gVar and g_defKEY back as they were when it goes out of scope.
class SavedConfig {
public:
    SavedConfig() : gvar_(std::make_unique<_GVAR>(gVar)), keys_(std::make_unique<_KEYINFO[]>(KEY_COUNT)) {
        std::memcpy(keys_.get(), g_defKEY, sizeof(_KEYINFO) * KEY_COUNT);
    }
    ~SavedConfig() {
        gVar = *gvar_;
        std::memcpy(g_defKEY, keys_.get(), sizeof(_KEYINFO) * KEY_COUNT);
    }
    SavedConfig(const SavedConfig&) = delete;
    SavedConfig& operator=(const SavedConfig&) = delete;

private:
    std::unique_ptr<_GVAR> gvar_;
    std::unique_ptr<_KEYINFO[]> keys_;
};

// A small default key table with the lighting defaults of a model.
class Defaults : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(g_defKEY, 0, sizeof(_KEYINFO) * KEY_COUNT);
        g_defKEY[0] = keyRow(0, 0, 0, 90);                        // no key here, though VkCode1 reads 0
        g_defKEY[1] = keyRow(kKey, 0, 0, 11);                     // A
        g_defKEY[2] = keyRow(kKey, MOD_LCTRL, 12, 12);            // Control, with a stray VkCode1
        g_defKEY[3] = keyRow(kKey, MOD_LSHIFT | MOD_LALT, 0, 13); // one slot, two modifiers
        g_defKEY[4] = keyRow(kKey, MOD_LALT, 0, 14);
        g_defKEY[5] = keyRow(kKey, 0, 12, 15);                    // Q
        g_defKEY[6] = keyRow(kKey, 0, VK_NONE, 16);
        g_defKEY[7] = keyRow(MAKE_FUNID(FUN_MACRO, 1), 0, 40, 17);  // class is not looked at
        g_defKEY[125] = keyRow(kKey, 0, 49, 125);                 // Space, last slot

        gVar.LEDParam[0] = 4;
        gVar.LEDParam[1] = 15;
        gVar.LEDParam[2] = 3;
        gVar.clrGaoshou = kGameColour;
        std::memset(gVar.GaoshouKey, VK_NONE, sizeof gVar.GaoshouKey);
        gVar.GaoshouGroupNum = 0;
    }

    static void setGroup(int g, std::initializer_list<uint8_t> keys) {
        int i = 0;
        for (uint8_t vk : keys) gVar.GaoshouKey[g][i++] = vk;
    }

    static std::unique_ptr<_ST_PROFILE> garbageProfile() {
        auto p = std::make_unique<_ST_PROFILE>();
        std::memset(p.get(), 0xAB, sizeof(_ST_PROFILE));
        return p;
    }

    static int litSlots(const _ST_ADV& adv, int table) {
        int lit = 0;
        for (uint32_t colour : adv.dwKeyColor[table]) lit += colour != 0;
        return lit;
    }

private:
    SavedConfig saved_;
};

TEST_F(Defaults, KeyLookupFollowsTheModifierRule) {
    EXPECT_EQ(GetKeyIndexForVk(0), 1);      // slot 0 has no key
    EXPECT_EQ(GetKeyIndexForVk(59), 2);     // Control
    EXPECT_EQ(GetKeyIndexForVk(56), 3);     // Shift: first slot whose mask has 0x02
    EXPECT_EQ(GetKeyIndexForVk(58), 3);     // Option: the same slot, before the plain Option one
    EXPECT_EQ(GetKeyIndexForVk(12), 5);     // a modifier slot never matches through VkCode1
    EXPECT_EQ(GetKeyIndexForVk(40), 7);
    EXPECT_EQ(GetKeyIndexForVk(49), 125);
    EXPECT_EQ(GetKeyIndexForVk(54), -1);    // right Command: no slot has 0x80
    EXPECT_EQ(GetKeyIndexForVk(VK_NONE), -1);  // never, though slot 6 carries 255
    EXPECT_EQ(GetKeyIndexForVk(200), -1);
    EXPECT_EQ(GetKeyIndexForVk(-1), -1);

    EXPECT_EQ(GetMatrixIndexForVk(12), 15);
    EXPECT_EQ(GetMatrixIndexForVk(58), 13);
    EXPECT_EQ(GetMatrixIndexForVk(VK_NONE), -1);
    EXPECT_EQ(GetMatrixIndexForVk(200), -1);
}

TEST_F(Defaults, LightingTakesTheModelDefaults) {
    auto p = garbageProfile();
    ResetADV(p.get());
    const _ST_ADV& adv = p->stAdv;
    EXPECT_EQ(adv.nMode, 4);
    EXPECT_EQ(adv.nKeyColorGroup, 0);
    for (int m = 0; m < LED_MODE_SLOTS; ++m) {
        SCOPED_TRACE(m);
        EXPECT_EQ(adv.stRgbCfg[m].nLight, m == 4 ? 15 : 5);
        EXPECT_EQ(adv.stRgbCfg[m].nSpeed, m == 4 ? 3 : 1);
        EXPECT_EQ(adv.stRgbCfg[m].nReserved1, 0);
        EXPECT_EQ(adv.stRgbCfg[m].nReserved2, 0);
        for (uint32_t c : adv.stRgbCfg[m].dwColor) EXPECT_EQ(c, 0u);
    }
    for (int g = 0; g < KEY_COLOR_GROUPS; ++g) EXPECT_EQ(litSlots(adv, g), 0) << g;  // no groups configured
    EXPECT_EQ(p->nKnodSet, static_cast<int32_t>(0xABABABAB));  // only the lighting block changes

    // A default mode the record has no settings for starts the board in mode 0.
    gVar.LEDParam[0] = 30;
    ResetADV(p.get());
    EXPECT_EQ(p->stAdv.nMode, 0);
    for (const _RGB_CFG& cfg : p->stAdv.stRgbCfg) {
        EXPECT_EQ(cfg.nLight, 5);
        EXPECT_EQ(cfg.nSpeed, 1);
    }
}

TEST_F(Defaults, GameGroupsLightTheirKeys) {
    gVar.GaoshouGroupNum = 3;
    setGroup(0, {0, 12, 99, VK_NONE, 49});  // 99 is not on the board; 255 is skipped
    // group 1 stays empty
    setGroup(2, {58, 59});
    setGroup(3, {0, 12});  // beyond the configured count
    auto p = garbageProfile();
    ResetADV(p.get());
    const _ST_ADV& adv = p->stAdv;
    EXPECT_EQ(adv.dwKeyColor[0][1], kGameColour);
    EXPECT_EQ(adv.dwKeyColor[0][5], kGameColour);
    EXPECT_EQ(adv.dwKeyColor[0][125], kGameColour);
    EXPECT_EQ(litSlots(adv, 0), 3);
    EXPECT_EQ(litSlots(adv, 1), 0);
    EXPECT_EQ(adv.dwKeyColor[2][3], kGameColour);
    EXPECT_EQ(adv.dwKeyColor[2][2], kGameColour);
    EXPECT_EQ(litSlots(adv, 2), 2);
    for (int g = 3; g < KEY_COLOR_GROUPS; ++g) EXPECT_EQ(litSlots(adv, g), 0) << g;

    // A count above the groups the model file can hold reads no further than them.
    std::memset(gVar.GaoshouKey, VK_NONE, sizeof gVar.GaoshouKey);
    for (int g = 0; g < GAOSHOU_GROUP_MAX; ++g) setGroup(g, {0});
    gVar.GaoshouGroupNum = 200;
    ResetADV(p.get());
    for (int g = 0; g < GAOSHOU_GROUP_MAX; ++g) EXPECT_EQ(litSlots(p->stAdv, g), 1) << g;
    for (int g = GAOSHOU_GROUP_MAX; g < KEY_COLOR_GROUPS; ++g) EXPECT_EQ(litSlots(p->stAdv, g), 0) << g;

    gVar.GaoshouGroupNum = 0;
    ResetADV(p.get());
    for (int g = 0; g < KEY_COLOR_GROUPS; ++g) EXPECT_EQ(litSlots(p->stAdv, g), 0) << g;
}

TEST_F(Defaults, KnobTable) {
    struct Row {
        uint32_t funId;
        uint8_t modifiers, vk1;
    };
    // [set][direction]
    const Row expected[KNOB_SETS][KNOB_DIRECTIONS] = {
        {{0x2000000, 0, 126}, {0x2000000, 0, 125}},
        {{0x2000000, 0, 123}, {0x2000000, 0, 124}},
        {{0x2000000, 0, 33}, {0x2000000, 0, 30}},
        {{0x1000018, 0, 255}, {0x1000019, 0, 255}},
        {{0x2000000, 0x01, 24}, {0x2000000, 0x01, 27}},
        {{0x2000000, 0, 116}, {0x2000000, 0, 121}},
        {{0x4000027, 0, 255}, {0x4000026, 0, 255}},
        {{0x400002B, 0, 255}, {0x400002A, 0, 255}},
    };
    auto p = garbageProfile();
    ResetKnod(p.get());
    EXPECT_EQ(p->nKnodSet, 0);
    _KEYINFO zeroTail{};
    for (int s = 0; s < KNOB_SETS; ++s) {
        for (int d = 0; d < KNOB_DIRECTIONS; ++d) {
            SCOPED_TRACE(testing::Message() << "set " << s << " direction " << d);
            const _KEYINFO& k = p->stKnod[d][s];
            EXPECT_EQ(k.dwFunID, expected[s][d].funId);
            EXPECT_EQ(k.stCombo.ModifyKey, expected[s][d].modifiers);
            EXPECT_EQ(k.stCombo.VkCode1, expected[s][d].vk1);
            EXPECT_EQ(k.stCombo.VkCode2, 255);
            EXPECT_EQ(k.stCombo.unused, 0);
            EXPECT_EQ(k.dwMatrixIdx, 0u);
            EXPECT_EQ(k.dwMacroID, 0u);
            EXPECT_EQ(std::memcmp(&k.rcPos, &zeroTail.rcPos, sizeof k.rcPos), 0);
            EXPECT_EQ(std::memcmp(&k.dwHwCode, &zeroTail.dwHwCode, sizeof(_KEYINFO) - 32), 0);
        }
    }
    EXPECT_EQ(p->nLayer, static_cast<int32_t>(0xABABABAB));  // only the knob changes
}

TEST_F(Defaults, NewProfileIsCompleteAndClean) {
    auto p = garbageProfile();
    const std::string name = std::string(39, 'x') + std::string(11, 'y');  // 50 bytes
    new_profile(name.c_str(), p.get());
    EXPECT_EQ(p->dwMagic, PROFILE_MAGIC);
    EXPECT_NE(p->dwID, 0u);
    EXPECT_EQ(std::string(p->szName), std::string(39, 'x'));
    EXPECT_EQ(p->szName[39], '\0');
    EXPECT_EQ(p->dwReserved, 0u);
    EXPECT_EQ(p->dwReserved2, 0u);
    EXPECT_EQ(std::memcmp(p->stKey[0], g_defKEY, sizeof p->stKey[0]), 0);
    EXPECT_EQ(p->stAdv.nMode, 4);
    EXPECT_EQ(p->stKnod[0][0].stCombo.VkCode1, 126);
    EXPECT_EQ(p->nKnodSet, 0);
    EXPECT_EQ(p->nLayer, 0);
    for (uint32_t id : p->dwKeyProID) EXPECT_EQ(id, 0u);
    EXPECT_EQ(p->ptPop.x, 20u);
    EXPECT_EQ(p->ptPop.y, 100u);
    for (uint32_t r : p->dwReserved3) EXPECT_EQ(r, 0u);

    // A missing argument leaves everything as it was.
    auto untouched = garbageProfile();
    new_profile(nullptr, untouched.get());
    new_profile("name", nullptr);
    ResetProfile(nullptr);
    ResetKey(nullptr);
    ResetADV(nullptr);
    ResetKnod(nullptr);
    EXPECT_EQ(untouched->dwMagic, 0xABABABABu);

    // Names are cut before a character that would not fit whole.
    std::string utf8(38, 'a');
    utf8 += "\xC3\xA9";  // 40 bytes, ends in "é"
    new_profile(utf8.c_str(), p.get());
    EXPECT_EQ(std::string(p->szName), std::string(38, 'a'));
}

TEST_F(Defaults, ResetRestoresKeysAndPopUpPosition) {
    auto p = garbageProfile();
    ResetProfile(p.get());
    EXPECT_EQ(p->dwReserved2, 0u);
    EXPECT_EQ(std::memcmp(p->stKey[0], g_defKEY, sizeof p->stKey[0]), 0);
    EXPECT_EQ(p->ptPop.x, 20u);
    EXPECT_EQ(p->ptPop.y, 100u);
    EXPECT_EQ(p->stAdv.nMode, 4);
    EXPECT_EQ(p->stKnod[1][3].dwFunID, 0x1000019u);
    // Identity, the layer and the sets in use are the user's: a reset keeps them.
    EXPECT_EQ(p->dwMagic, 0xABABABABu);
    EXPECT_EQ(p->dwKeyProID[1], 0xABABABABu);
    EXPECT_EQ(p->nLayer, static_cast<int32_t>(0xABABABAB));
}

TEST(ShippedDefaults, GameGroupsOfTheDefaultModelAllFindTheirKeys) {
    SavedConfig saved;
    test::RecordingAlertSink alerts;
    test::LogCapture log;
    std::memset(&gVar, 0, sizeof gVar);
    ASSERT_TRUE(InitGlobalVariable(KEYLOOM_SOURCE_CFG_DIR "Dev/Vela/Designer/cfg.txt"));

    auto p = std::make_unique<_ST_PROFILE>();
    ResetADV(p.get());
    EXPECT_EQ(p->stAdv.nMode, gVar.LEDParam[0]);
    EXPECT_EQ(p->stAdv.stRgbCfg[gVar.LEDParam[0]].nLight, gVar.LEDParam[1]);
    ASSERT_GT(gVar.GaoshouGroupNum, 0);
    for (int g = 0; g < gVar.GaoshouGroupNum; ++g) {
        int listed = 0;
        for (uint8_t vk : gVar.GaoshouKey[g]) listed += vk != VK_NONE;
        int lit = 0;
        for (uint32_t colour : p->stAdv.dwKeyColor[g]) lit += colour == gVar.clrGaoshou;
        EXPECT_EQ(lit, listed) << "group " << g;  // every listed key is on the board
    }
}

}  // namespace
}  // namespace keyloom
