#include "base/utf8.h"

#include <cstdint>

namespace keyloom {
namespace {

// Length of the valid sequence at the start of s, or 0.
size_t SequenceLength(std::string_view s) {
    auto b = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    const uint8_t c = b(0);
    if (c < 0x80) return 1;
    size_t n;
    uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;  // overlong
        if (c == 0xED) hi = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;  // overlong
        if (c == 0xF4) hi = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (s.size() < n || b(1) < lo || b(1) > hi) return 0;
    for (size_t i = 2; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80) return 0;
    return n;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const size_t n = SequenceLength(text);
        if (n == 0) return false;
        text.remove_prefix(n);
    }
    return true;
}

std::string CutUtf8(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
    return std::string(text.substr(0, cut));
}

}  // namespace keyloom
