// The fixed function lists of the assignment dialogs: each entry a text key
// and the function ID it writes, filled into a drop-down with the code as
// the entry's value.
#pragma once
#include <cstdint>
#include <span>

namespace keyloom {

class ComboBtn;

struct FunctionChoice {
    const char* textKey;
    uint32_t funId;
};

// The function picker's media and office list, in display order.
std::span<const FunctionChoice> pickerFunctions();
// The knob's list, the same in both directions.
std::span<const FunctionChoice> knobFunctions();

// Appends every choice with its text in the current language.
void fillFunctionList(ComboBtn* list, std::span<const FunctionChoice> choices);
// Gives every entry, matched by its code, and the caption the text of its
// key in the current language.
void refreshFunctionList(ComboBtn* list, std::span<const FunctionChoice> choices);

}  // namespace keyloom
