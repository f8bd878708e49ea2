// Assignment texts and macro names.
#include "macro/keyinfo_text.h"

#include <cstring>
#include <string_view>

#include "base/texts.h"
#include "base/utf8.h"
#include "keys/basic.h"
#include "model/functable.h"

namespace keyloom {

namespace {

std::optional<std::string> MacroText(const _KEYINFO& key) {
    const _ST_MACRO* macro = get_macro_by_id(key.dwMacroID);
    if (macro == nullptr) return std::nullopt;
    // A name that cannot be shown still leaves the key marked as a macro.
    return GetText("tc_mac_def") + " - " + get_macro_name(*macro).value_or(std::string());
}

}  // namespace

std::optional<std::string> keyinfo_to_string(const _KEYINFO& key) {
    switch (FUN_CLASS(key.dwFunID)) {
        case FUN_KEY:
            if (IsFnKey(key)) return std::string("Fn");
            return GetComboKeyText(key.stCombo.ModifyKey, key.stCombo.VkCode1, key.stCombo.VkCode2);
        case FUN_MACRO:
            return MacroText(key);
        case FUN_MOUSE:
        case FUN_MEDIA2:
        case FUN_MEDIA:
        case FUN_SHORTCUT:
        case FUN_SPECIAL:
        case FUN_DEVICE: {
            auto textKey = FunctionTextKey(key.dwFunID);
            if (!textKey) return std::nullopt;
            return FindText(*textKey);
        }
        default:
            return std::nullopt;
    }
}

std::optional<std::string> get_macro_name(const _ST_MACRO& macro) {
    const std::string_view name(macro.szName, strnlen(macro.szName, MACRO_NAME_SIZE));
    if (!IsValidUtf8(name)) return std::nullopt;
    return std::string(name);
}

}  // namespace keyloom
