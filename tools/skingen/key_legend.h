// What a key cap of the key picture shows for a row's factory function: a
// short text or a small symbol.
#pragma once
#include <string>

#include "model/keyinfo.h"

namespace keyloom::skins {

enum class Glyph { Text, ArrowUp, ArrowDown, ArrowLeft, ArrowRight, Play, Stop, Previous, Next, Mute, Light };

struct KeyLegend {
    Glyph glyph = Glyph::Text;
    std::string text;     // for Glyph::Text; empty for a key without a legend
    bool accent = false;  // legend in the accent colour
    bool darkCap = false; // modifier-style cap
};

KeyLegend keyLegend(const _KEYINFO& key);

}  // namespace keyloom::skins
