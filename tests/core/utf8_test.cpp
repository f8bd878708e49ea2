// Cutting a UTF-8 text at a byte limit: the result is the longest start of
// the text that ends between two characters, for free texts and for the
// fixed name fields of the records alike.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

#include "base/utf8.h"
#include "model/record_list.h"

namespace keyloom {
namespace {

TEST(Utf8Cut, NeverSplitsACharacter) {
    // "a", "é" (2 bytes), "€" (3 bytes), "😀" (4 bytes), "b": 11 bytes.
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" "b";
    // The bytes kept for each limit from 0 to one past the text.
    const size_t kept[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 11, 11};
    for (size_t limit = 0; limit < std::size(kept); ++limit) {
        const std::string expected = text.substr(0, kept[limit]);
        EXPECT_EQ(CutUtf8(text, limit), expected) << "limit " << limit;
        EXPECT_TRUE(IsValidUtf8(CutUtf8(text, limit))) << "limit " << limit;

        // A name field keeps one byte for its NUL and zeros the rest.
        char field[16];
        std::memset(field, 'x', sizeof field);
        copy_record_name(field, limit + 1, text.c_str());
        EXPECT_EQ(std::string(field), expected) << "field of " << limit + 1;
        EXPECT_EQ(std::string(field + kept[limit], limit + 1 - kept[limit]), std::string(limit + 1 - kept[limit], '\0'));
    }
}

}  // namespace
}  // namespace keyloom
