#include "device/hwencode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "base/PublicLib.h"
#include "base/debug.h"
#include "config/gvar.h"
#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "keys/vk.h"
#include "model/functable.h"
#include "model/hwparam.h"

namespace keyloom {

namespace {

constexpr int kScratchSize = 512;
constexpr uint32_t kFnKeyCode = 0x00B00000;
constexpr int kLayer = 0;  // one layer is encoded, logged as layer 0

// Code type byte (B0) of a device code.
constexpr uint32_t kTypeKeyboard = 0x00;
constexpr uint32_t kTypeConsumer = 0x01;
constexpr uint32_t kTypeMacro = 0x02;
constexpr uint32_t kTypeMouse = 0x03;

constexpr uint32_t Bytes(uint32_t b0, uint32_t b1, uint32_t b2, uint32_t b3) {
    return (b0 & 0xFF) | (b1 & 0xFF) << 8 | (b2 & 0xFF) << 16 | (b3 & 0xFF) << 24;
}

bool IsMatrixPosition(uint32_t pos) { return pos < static_cast<uint32_t>(KEY_COUNT); }

// Bytes of one hardware macro slot, never more than the scratch buffer holds.
int SlotSize() { return static_cast<int>(std::min<uint32_t>(hwParam.nMacroBufferSize, kScratchSize)); }

// ---- device codes per class ----

uint32_t MouseCode(uint32_t code) {
    const MouseFunc* f = FindMouseFunc(code);
    if (!f || !f->hasDeviceCode) return NO_DEVICE_CODE;
    return Bytes(kTypeMouse, f->button, 0, f->wheel);
}

uint8_t KeyUsage(uint8_t vk) { return vk == VK_NONE ? 0 : static_cast<uint8_t>(Vk2Hid(vk)); }

uint32_t KeyCode(const _KEYINFO& key) {
    if (IsFnKey(key)) return kFnKeyCode;
    const ST_COMBO& c = key.stCombo;
    return Bytes(kTypeKeyboard, c.ModifyKey, KeyUsage(c.VkCode1), KeyUsage(c.VkCode2));
}

uint32_t MediaCode(uint32_t code) {
    const MediaFunc* f = FindMediaFunc(code);
    if (!f) return NO_DEVICE_CODE;
    return Bytes(kTypeConsumer, 0, f->usage >> 8, f->usage & 0xFF);
}

uint32_t MacroCode(const _KEYINFO& key, const MacroSource& macros) {
    const _ST_MACRO* macro = macros.find(key.dwMacroID);
    if (!macro) {
        LOG("keyinfo_to_hardware_code can't find macro id 0x%x", key.dwMacroID);
        return NO_DEVICE_CODE;
    }
    // The slot number (B1) is filled in when the macro is placed.
    switch (macro->nLoopMode) {
        case 0: return Bytes(kTypeMacro, 0, 1, macro->stData.wRepeat & 0xFF);
        case 1: return Bytes(kTypeMacro, 0, 2, 0);
        case 2: return Bytes(kTypeMacro, 0, 4, 0);
        default: return Bytes(kTypeMacro, 0, 0, 0);
    }
}

uint32_t ShortcutCode(uint32_t code) {
    const ShortcutFunc* f = FindShortcut(code);
    // Unlisted shortcut codes still occupy the key: it sends nothing.
    return f ? Bytes(kTypeKeyboard, f->modifiers, f->usage, 0) : 0;
}

uint32_t SpecialCode(const _KEYINFO& key) {
    const SpecialFunc* f = FindSpecialFunc(FUN_CODE(key.dwFunID));
    if (!f) return NO_DEVICE_CODE;
    switch (f->device) {
        case SpecialDevice::Zero: return 0;
        case SpecialDevice::HwCode: return key.dwHwCode;
        case SpecialDevice::None: break;
    }
    return NO_DEVICE_CODE;
}

// ---- key matrix ----

// The assignment's text for the log. A macro key without a device code names a
// macro the source lacks, so it has no text; asking the text module would read
// the global macro list, which the apply worker must not touch.
std::string AssignmentName(const _KEYINFO& key) {
    if (FUN_CLASS(key.dwFunID) == FUN_MACRO) return std::string();
    return keyinfo_to_string(key).value_or(std::string());
}

// KEYINFO_2_Matrix, also telling which key index each position's code came
// from (-1: none), so a macro key that cannot be given its slot can be taken
// out again.
void BuildMatrix(const _KEYINFO* keys, uint32_t matrix[KEY_COUNT], int owner[KEY_COUNT],
                 const MacroSource& macros) {
    std::fill(matrix, matrix + KEY_COUNT, 0u);
    std::fill(owner, owner + KEY_COUNT, -1);
    if (!keys) return;
    for (int i = 0; i < KEY_COUNT; ++i) {
        const _KEYINFO& key = keys[i];
        // The knob's row is programmed with the lighting command instead.
        if (key.dwFunID == 0 || i == gVar.SrIndex) continue;
        const uint32_t code = keyinfo_to_hardware_code(key, macros);
        if (code == NO_DEVICE_CODE) {
            LOG("Invalid key %d: FunID=0x%x, MacroID=0x%x, Name=%s", i, key.dwFunID, key.dwMacroID,
                AssignmentName(key).c_str());
            continue;
        }
        const uint32_t pos = g_defKEY[i].dwMatrixIdx;
        if (!IsMatrixPosition(pos)) {
            LOG("Key %d: default matrix position %u out of range, left out", i, pos);
            continue;
        }
        matrix[pos] = code;  // a later key at the same position wins
        owner[pos] = i;
    }
}

// The matrix position holding this key's code, or -1 when none does (the
// knob's row, a key without a code, a key a later one displaced).
int OwnedPosition(const int owner[KEY_COUNT], int keyIndex) {
    for (int pos = 0; pos < KEY_COUNT; ++pos)
        if (owner[pos] == keyIndex) return pos;
    return -1;
}

// ---- hardware macro events ----

struct HdKey {
    uint8_t e2 = 0;
    bool modifier = false;
};

// Vk2Hid for every host key code, worked out once: a slot of 63 events
// otherwise searches the key table 63 times.
uint8_t EventUsage(uint16_t vk) {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int v = 0; v < 256; ++v) t[static_cast<size_t>(v)] = static_cast<uint8_t>(Vk2Hid(v));
        return t;
    }();
    return vk < table.size() ? table[vk] : 0;
}

// The third event byte for a host key code; e2 0 when there is none.
HdKey MapEventKey(uint16_t vk) {
    switch (vk) {
        // Right-hand modifiers are sent as the left-hand bits.
        case 54:
        case 55: return {MOD_LGUI, true};
        case 56:
        case 60: return {MOD_LSHIFT, true};
        case 58:
        case 61: return {MOD_LALT, true};
        case 59:
        case 62: return {MOD_LCTRL, true};
        case MACRO_MOUSE_LEFT:
        case MACRO_MOUSE_RIGHT:
        case MACRO_MOUSE_MIDDLE: return {static_cast<uint8_t>(vk), false};
        default: return {EventUsage(vk), false};
    }
}

bool IsEndOfEvents(const _ST_ITEM& item) { return item.wVk == VK_NONE || (item.wVk == 0 && item.dwDelay == 0); }

void WriteEvent(uint8_t* at, const _ST_ITEM& item, const HdKey& key) {
    const uint32_t delay = (item.dwDelay / 10) & 0x7FF;  // 10 ms units, 11 bits on the wire
    at[0] = static_cast<uint8_t>((item.wStatus == 0 ? 0x80 : 0x00) | (delay & 0x7F));
    at[1] = static_cast<uint8_t>((key.modifier ? 0xF0 : 0x00) | ((delay >> 7) & 0x0F));
    at[2] = key.e2;
}

// ---- macro slots ----

// The macros placed during one FillMatrix call. Kept apart from byBufferID,
// where 0 is both "slot 0" and "no slot".
class SlotTable {
public:
    explicit SlotTable(int capacity) : capacity_(std::min(capacity, MACRO_SLOT_COUNT)) {}
    // The macro's slot, or -1 when it has none yet.
    int slotOf(uint32_t id) const {
        for (int s = 0; s < count_; ++s)
            if (ids_[s] == id) return s;
        return -1;
    }
    bool full() const { return count_ >= capacity_; }
    int place(uint32_t id) {
        ids_[count_] = id;
        return count_++;
    }
    int count() const { return count_; }

private:
    uint32_t ids_[MACRO_SLOT_COUNT] = {};
    int count_ = 0;
    int capacity_;
};

// Gives the macro the next slot and writes it into the area; the slot number.
int PlaceMacro(SlotTable& slots, _ST_MACRO& macro, uint8_t* area, int slotSize) {
    const int slot = slots.place(macro.dwID);
    macro.byBufferID = static_cast<uint8_t>(slot);
    LOG("New Assign Buffer_ID= %d", slot);
    uint8_t* at = area + slot * slotSize;
    StMacro_To_HdMacro(&macro, at);
    if (g_bDebug) printdata_prefix(at, static_cast<size_t>(slotSize), 64, "HdData: ");
    return slot;
}

// Points macro key i's matrix entry, at `pos`, at its macro's slot.
void SetSlotBits(uint32_t matrix[KEY_COUNT], int pos, const _KEYINFO& key, int slot) {
    if (!IsMatrixPosition(key.dwMatrixIdx)) {
        MessageBox(nullptr, "Matrix inx warning", "Warning", 0);
        matrix[pos] = 0;  // its code would still point at slot 0, which holds another macro
        return;
    }
    // The slot number goes into the entry holding the key's own code, never into another key's.
    matrix[pos] = (matrix[pos] & ~0x0000FF00u) | static_cast<uint32_t>(slot & 0xFF) << 8;
    LOG("Matrix[%d][%d] = 0x%08x", kLayer, pos, matrix[pos]);
}

// Gives macro key i its slot, placing the macro when this is its first key.
void EncodeMacroKey(uint32_t matrix[KEY_COUNT], const int owner[KEY_COUNT], const _KEYINFO& key, int i,
                    SlotTable& slots, uint8_t* area, const MacroSource& macros) {
    _ST_MACRO* macro = macros.find(key.dwMacroID);
    if (!macro) {
        LOG("Key[%d][%d] Set To Macro NULL", kLayer, i);
        return;
    }
    LOG("Key[%d][%d] Set To Macro 0x%08x, Macro_Buffer_ID=%d", kLayer, i, macro->dwID, macro->byBufferID);
    LOG("Macro Name= %s", get_macro_name(*macro).value_or(std::string()).c_str());

    const int pos = OwnedPosition(owner, i);
    if (pos < 0) {
        LOG("Key[%d][%d] is not in the matrix, macro not placed", kLayer, i);
        return;
    }
    int slot = slots.slotOf(macro->dwID);
    if (slot < 0 && slots.full()) {
        // Pointing the key at any slot would play another macro.
        LOG("Macro slots full: macro 0x%08x on key %d left out", macro->dwID, i);
        matrix[pos] = 0;
        return;
    }
    if (slot < 0) slot = PlaceMacro(slots, *macro, area, SlotSize());
    SetSlotBits(matrix, pos, key, slot);
}

}  // namespace

// ---- macro sources ----

namespace {
class GlobalMacroList : public MacroSource {
public:
    _ST_MACRO* find(uint32_t id) const override { return get_macro_by_id(id); }
};
}  // namespace

const MacroSource& GlobalMacros() {
    static const GlobalMacroList list;
    return list;
}

MacroSnapshot::MacroSnapshot(const _KEYINFO* keys, int count) {
    if (!keys) return;
    for (int i = 0; i < count; ++i) {
        if (FUN_CLASS(keys[i].dwFunID) != FUN_MACRO || find(keys[i].dwMacroID)) continue;
        if (const _ST_MACRO* macro = get_macro_by_id(keys[i].dwMacroID)) add(*macro);
    }
}

void MacroSnapshot::add(const _ST_MACRO& macro) { macros_.push_back(macro); }

_ST_MACRO* MacroSnapshot::find(uint32_t id) const {
    for (_ST_MACRO& m : macros_)
        if (m.dwID == id) return &m;
    return nullptr;
}

void MacroSnapshot::clearBufferIds() {
    for (_ST_MACRO& m : macros_) m.byBufferID = 0;
}

// ---- encoder ----

uint32_t keyinfo_to_hardware_code(const _KEYINFO& key, const MacroSource& macros) {
    const uint32_t code = FUN_CODE(key.dwFunID);
    switch (FUN_CLASS(key.dwFunID)) {
        case FUN_MOUSE: return MouseCode(code);
        case FUN_KEY: return KeyCode(key);
        case FUN_MEDIA2:
        case FUN_MEDIA: return MediaCode(code);
        case FUN_MACRO: return MacroCode(key, macros);
        case FUN_SHORTCUT: return ShortcutCode(code);
        case FUN_SPECIAL: return SpecialCode(key);
        case FUN_DEVICE: return key.dwHwCode;
        default: return NO_DEVICE_CODE;
    }
}

void KEYINFO_2_Matrix(const _KEYINFO* keys, uint32_t matrix[KEY_COUNT], const MacroSource& macros) {
    if (!matrix) return;
    int owner[KEY_COUNT];
    BuildMatrix(keys, matrix, owner, macros);
}

int StMacro_To_HdMacro(const _ST_MACRO* macro, uint8_t* slot) {
    if (!macro || !slot) return 0;
    const int slotSize = SlotSize();
    uint8_t scratch[kScratchSize] = {};
    int pos = 0;
    for (const _ST_ITEM& item : macro->stData.stItem) {
        // Three bytes stay free at the slot's end.
        if (IsEndOfEvents(item) || pos >= slotSize - 3) break;
        const HdKey key = MapEventKey(item.wVk);
        if (key.e2 == 0) {
            LOG("StMacro_To_HdMacro: get wrong hid");
            continue;
        }
        WriteEvent(scratch + pos, item, key);
        pos += 3;
    }
    if (slotSize > 0) std::memcpy(slot, scratch, static_cast<size_t>(slotSize));
    return pos;
}

int StMacro_To_HwMacro_MCB(const _ST_MACRO*, uint8_t*) { return 0; }

int FillMatrix(uint32_t matrix[KEY_COUNT], int /*layers*/, uint8_t area[MACRO_AREA_SIZE], _ST_PROFILE* profile,
               const MacroSource& macros) {
    if (!matrix || !area || !profile) return 0;
    const _KEYINFO* keys = profile->stKey[0];
    int owner[KEY_COUNT];
    BuildMatrix(keys, matrix, owner, macros);

    SlotTable slots(macro_slot_capacity());
    for (int i = 0; i < KEY_COUNT; ++i)
        if (FUN_CLASS(keys[i].dwFunID) == FUN_MACRO) EncodeMacroKey(matrix, owner, keys[i], i, slots, area, macros);
    return slots.count();
}

int macro_slot_capacity() {
    const int slotSize = SlotSize();
    // However large a slot is, the slots stay inside the area.
    return slotSize > 0 ? std::min(MACRO_SLOT_COUNT, MACRO_AREA_SIZE / slotSize) : 0;
}

std::vector<uint32_t> slot_macros(const _KEYINFO* keys, const MacroSource& macros) {
    std::vector<uint32_t> ids;
    if (!keys) return ids;
    for (int i = 0; i < KEY_COUNT; ++i) {
        const _KEYINFO& key = keys[i];
        if (FUN_CLASS(key.dwFunID) != FUN_MACRO || i == gVar.SrIndex || !macros.find(key.dwMacroID)) continue;
        if (std::find(ids.begin(), ids.end(), key.dwMacroID) == ids.end()) ids.push_back(key.dwMacroID);
    }
    return ids;
}

bool macro_fits_in_slots(const _KEYINFO* keys, int index, uint32_t macroId, const MacroSource& macros) {
    if (!keys || index < 0 || index >= KEY_COUNT) return false;
    std::vector<_KEYINFO> with(keys, keys + KEY_COUNT);
    with[size_t(index)].dwFunID = MAKE_FUNID(FUN_MACRO, 0);
    with[size_t(index)].dwMacroID = macroId;
    const size_t after = slot_macros(with.data(), macros).size();
    // A table that holds too many already (brought in by an import) may still
    // take changes that add no macro.
    return after <= size_t(macro_slot_capacity()) || after <= slot_macros(keys, macros).size();
}

uint8_t color32_to_val(uint32_t color) { return color != 0 ? 7 : 0; }

uint8_t color32_to_color7(uint32_t) { return 0; }

}  // namespace keyloom
