#include "macro/name_order.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/outline.h"

namespace keyloom {

namespace {

// The code points of a UTF-8 text; a byte that starts no valid sequence
// stands for itself, so every text has a place.
std::vector<char32_t> code_points(std::string_view s) {
    std::vector<char32_t> out;
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<uint8_t>(s[i]);
        const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        bool valid = extra >= 0 && i + size_t(extra) < s.size();
        char32_t cp = extra > 0 ? char32_t(b & (0x7F >> (extra + 1))) : b;
        for (int k = 1; valid && k <= extra; ++k) {
            const auto c = static_cast<uint8_t>(s[i + size_t(k)]);
            valid = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        out.push_back(valid ? cp : b);
        i += valid ? size_t(extra) + 1 : 1;
    }
    return out;
}

// Lower case for the scripts names are usually written in (Latin, Greek, Cyrillic).
char32_t folded(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && c % 2 == 0) return c + 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1) return c + 1;
    return c;
}

// The plain letter of a lower-case accented Latin-1 letter ("é" -> "e").
char32_t base_letter(char32_t c) {
    static constexpr char kBase[] = "aaaaaaaceeeeiiiidnooooo/ouuuuyty";  // U+00E0..U+00FF
    if (c >= 0xE0 && c <= 0xFF && c != 0xF7 && c != 0xE6 && c != 0xF0 && c != 0xFE) return char32_t(kBase[c - 0xE0]);
    return c;
}

bool is_digit(char32_t c) { return c >= '0' && c <= '9'; }

// Compares the digit runs at a[i] and b[j] by value; moves both past them.
int compare_numbers(const std::vector<char32_t>& a, size_t& i, const std::vector<char32_t>& b, size_t& j) {
    auto run = [](const std::vector<char32_t>& s, size_t& at) {
        while (at < s.size() && s[at] == '0' && at + 1 < s.size() && is_digit(s[at + 1])) ++at;
        const size_t start = at;
        while (at < s.size() && is_digit(s[at])) ++at;
        return std::u32string_view(s.data() + start, at - start);
    };
    const std::u32string_view x = run(a, i), y = run(b, j);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

// One level of comparison, each character seen through `key`.
template <class Key>
int compare_level(const std::vector<char32_t>& a, const std::vector<char32_t>& b, Key key) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (is_digit(a[i]) && is_digit(b[j])) {
            if (int c = compare_numbers(a, i, b, j); c != 0) return c;
            continue;
        }
        const char32_t x = key(a[i++]), y = key(b[j++]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    return j < b.size() ? -1 : 0;
}

}  // namespace

int compare_names(std::string_view a, std::string_view b) {
    const std::vector<char32_t> x = code_points(a), y = code_points(b);
    if (int c = compare_level(x, y, [](char32_t ch) { return base_letter(folded(ch)); }); c != 0) return c;
    if (int c = compare_level(x, y, folded); c != 0) return c;
    return a.compare(b);
}

void sort_items(outlineviewData& folder, uint32_t folderFlag, bool deep) {
    std::stable_sort(folder.array.begin(), folder.array.end(), [folderFlag](const auto& a, const auto& b) {
        const bool aFolder = a->nFlagData == folderFlag, bFolder = b->nFlagData == folderFlag;
        if (aFolder != bFolder) return aFolder;
        return name_before(a->name, b->name);
    });
    if (!deep) return;
    for (const auto& child : folder.array) sort_items(*child, folderFlag, true);
}

outlineviewData* place_in_order(outlineviewData* item, uint32_t folderFlag) {
    if (item && item->parentItem) sort_items(*item->parentItem, folderFlag, false);
    return item;
}

}  // namespace keyloom
