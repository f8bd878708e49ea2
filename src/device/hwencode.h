// The keyboard's own tables: 32-bit device codes for key assignments, the
// 126-entry key matrix, 192-byte hardware macro slots and the macro area.
#pragma once
#include <cstdint>
#include <vector>

#include "macro/stmacro.h"
#include "model/keyinfo.h"
#include "model/stprofile.h"

namespace keyloom {

constexpr int MACRO_SLOT_COUNT = 10;
constexpr int MACRO_AREA_SIZE = 1920;
constexpr uint32_t NO_DEVICE_CODE = 0xFFFFFFFF;

// Where the encoder finds macros by id: the global macro list, or the copies
// an apply took when it was requested.
class MacroSource {
public:
    virtual ~MacroSource() = default;
    virtual _ST_MACRO* find(uint32_t id) const = 0;
};
const MacroSource& GlobalMacros();

// Copies of the macros a key table uses.
class MacroSnapshot : public MacroSource {
public:
    MacroSnapshot() = default;
    // Copies every macro the keys use from the global list.
    explicit MacroSnapshot(const _KEYINFO* keys, int count);
    void add(const _ST_MACRO& macro);
    _ST_MACRO* find(uint32_t id) const override;
    // Clears the slot numbers given during an apply.
    void clearBufferIds();
    size_t size() const { return macros_.size(); }

private:
    mutable std::vector<_ST_MACRO> macros_;
};

uint32_t keyinfo_to_hardware_code(const _KEYINFO& key, const MacroSource& macros = GlobalMacros());
void KEYINFO_2_Matrix(const _KEYINFO* keys, uint32_t matrix[KEY_COUNT], const MacroSource& macros = GlobalMacros());
int StMacro_To_HdMacro(const _ST_MACRO* macro, uint8_t* slot);
int StMacro_To_HwMacro_MCB(const _ST_MACRO* macro, uint8_t* buffer);
int FillMatrix(uint32_t matrix[KEY_COUNT], int layers, uint8_t area[MACRO_AREA_SIZE], _ST_PROFILE* profile,
               const MacroSource& macros = GlobalMacros());

// How many distinct macros one key table can put on the keyboard: the slots
// the macro area holds (ten of 192 bytes).
int macro_slot_capacity();
// The distinct macros the keys of a table (KEY_COUNT entries) play from the
// keyboard's slots, in key order: the macro of every macro key whose macro
// exists, the knob's row left out (the knob is programmed apart).
std::vector<uint32_t> slot_macros(const _KEYINFO* keys, const MacroSource& macros = GlobalMacros());
// Whether key `index` of a table may play macro `macroId`: with it, the
// table's macros still fit in the slots. A change that adds no macro to the
// table always may: a macro the table plays already, or one taking the place
// of a macro only this key played.
bool macro_fits_in_slots(const _KEYINFO* keys, int index, uint32_t macroId,
                         const MacroSource& macros = GlobalMacros());
uint8_t color32_to_val(uint32_t color);
uint8_t color32_to_color7(uint32_t color);

}  // namespace keyloom
