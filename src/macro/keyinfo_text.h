// The text of what a key is assigned to, and a macro's name as text.
#pragma once
#include <optional>
#include <string>

#include "macro/stmacro.h"
#include "model/keyinfo.h"

namespace keyloom {

// The text shown for an assignment, by its class; none when it has none
// (unused codes and classes, a macro that is not in the macro list).
std::optional<std::string> keyinfo_to_string(const _KEYINFO& key);

// A macro's szName (up to its first NUL, at most 80 bytes); none when those
// bytes are not valid UTF-8.
std::optional<std::string> get_macro_name(const _ST_MACRO& macro);

}  // namespace keyloom
