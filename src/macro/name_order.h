// The order names are listed in: digits by their value ("macro 2" before
// "macro 10"), letters of either case together and accented Latin letters
// beside their plain ones; UTF-8 throughout. A total order: names that
// differ only in case or accents still have a fixed place.
#pragma once
#include <cstdint>
#include <string_view>

namespace keyloom {

class outlineviewData;

// <0, 0 or >0 as a comes before, with or after b.
int compare_names(std::string_view a, std::string_view b);
inline bool name_before(std::string_view a, std::string_view b) { return compare_names(a, b) < 0; }

// Orders a folder's items as lists show them: folders (nFlagData equal to
// folderFlag) first, then by name; with deep, every folder below it too.
void sort_items(outlineviewData& folder, uint32_t folderFlag, bool deep);
// Puts an item at its place among its siblings; gives the item back.
outlineviewData* place_in_order(outlineviewData* item, uint32_t folderFlag);

}  // namespace keyloom
