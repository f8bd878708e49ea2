// Fuzzes the language-file reader and the texts built from what it reads:
// no entry may hold a line break, and combination texts built from the read
// mouse-button texts stay within their size on a character boundary.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/XmlLoader.h"
#include "base/debug.h"
#include "config/language.h"
#include "keys/basic.h"
#include "macro/keyinfo_text.h"

namespace {

using namespace keyloom;

void DiscardLine(const char*, ...) {}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetSysLogSink(&DiscardLine);
    LOG = &DiscardLine;
    if (!xml) xml = std::make_unique<XmlLoader>();

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    xml->loadXMLFromBytes(bytes);
    for (const auto& [key, text] : xml->Dict()) {
        Check(!key.empty() && !text.empty());
        Check(text.find_first_of("\r\n") == std::string::npos);
    }

    for (int code = 240; code <= 244; ++code) {
        const std::string combo = GetComboKeyText(0xFF, code, code);
        Check(combo.size() <= COMBO_TEXT_MAX);
        // Expat hands out UTF-8, so a cut text ends on a whole character.
        if (!combo.empty()) Check((static_cast<uint8_t>(combo.back()) & 0xC0) != 0xC0);
    }

    _ST_MACRO macro{};
    std::memcpy(macro.szName, data, std::min(size, sizeof macro.szName));
    (void)get_macro_name(macro);
    return 0;
}
