// Fuzzes the macro-file reader on raw bytes and, for records it accepts, the
// end rule of the event list.
#include <cstddef>
#include <cstdint>

#include "macro/macrofile.h"
#include "macro/stmacro.h"

namespace {

using namespace keyloom;

bool is_end(const _ST_ITEM& item) { return item.wVk == 0 && item.dwDelay == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    _ST_MACRO macro{};
    macro.dwID = 0x5A5A5A5A;
    const bool valid = macro_from_bytes(data, size, &macro);
    if (size < MACRO_FILE_SIZE) {
        // Short input never touches the destination.
        if (valid || macro.dwID != 0x5A5A5A5A) __builtin_trap();
        return 0;
    }
    if (!valid) return 0;

    const int count = get_macro_event_count(macro);
    if (count < 0 || count > MACRO_ITEM_COUNT) __builtin_trap();
    for (int i = 0; i < count; ++i) {
        if (is_end(macro.stData.stItem[i])) __builtin_trap();  // no end before the count
    }
    if (count < MACRO_ITEM_COUNT && !is_end(macro.stData.stItem[count])) __builtin_trap();
    return 0;
}
