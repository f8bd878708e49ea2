#include "model/functable.h"

#include <cstddef>

namespace keyloom {

namespace {

template <typename Row, std::size_t N>
const Row* FindByCode(const Row (&rows)[N], uint32_t code) {
    for (const Row& r : rows)
        if (r.code == code) return &r;
    return nullptr;
}

// The text key of a row, or nothing when the row is missing or unnamed.
template <typename Row>
std::optional<std::string> RowTextKey(const Row* row) {
    if (!row || !row->textKey) return std::nullopt;
    return std::string(row->textKey);
}

}  // namespace

const MouseFunc* FindMouseFunc(uint32_t code) { return FindByCode(MOUSE_FUNCS, code); }
const MediaFunc* FindMediaFunc(uint32_t code) { return FindByCode(MEDIA_FUNCS, code); }
const ShortcutFunc* FindShortcut(uint32_t code) { return FindByCode(SHORTCUT_FUNCS, code); }
const SpecialFunc* FindSpecialFunc(uint32_t code) { return FindByCode(SPECIAL_FUNCS, code); }

std::optional<std::string> FunctionTextKey(uint32_t funId) {
    const uint32_t code = FUN_CODE(funId);
    switch (FUN_CLASS(funId)) {
        case FUN_MOUSE: return RowTextKey(FindMouseFunc(code));
        case FUN_MEDIA2:
        case FUN_MEDIA: return RowTextKey(FindMediaFunc(code));
        case FUN_SHORTCUT: return RowTextKey(FindShortcut(code));
        case FUN_SPECIAL: return RowTextKey(FindSpecialFunc(code));
        case FUN_DEVICE: return "tc_hw" + std::to_string(code + 1);
        default: return std::nullopt;
    }
}

}  // namespace keyloom
