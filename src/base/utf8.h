// UTF-8 checks shared by everything that turns outside bytes into names.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace keyloom {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// The text cut to at most maxBytes without splitting a character.
std::string CutUtf8(std::string_view text, size_t maxBytes);

}  // namespace keyloom
