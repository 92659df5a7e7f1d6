#include "base/ascii.h"

#include <gtest/gtest.h>

namespace {

struct ContainsCase {
    const char* text;
    const char* needle;
    bool found;
};

// clang-format off
const ContainsCase kContainsCases[] = {
    {"Domain For Sale", "for sale", true},
    {"abc", "ABC", true},
    {"ab", "abc", false},          // the text ends inside the needle
    {"x", "", true},               // the empty needle is in every text...
    {"", "", true},                // ...the empty one too
    {"", "a", false},
    {"\xC4\xE4", "\xE4\xE4", false}, // no case beyond ASCII
    {"[\\]", "{|}", false},        // nor between brackets and braces, 0x20 apart
};
// clang-format on

TEST(AsciiTest, ContainsNoCase) {
    for (const ContainsCase& c : kContainsCases)
        EXPECT_EQ(containsNoCase(c.text, c.needle), c.found) << c.text << " / " << c.needle;
}

} // namespace
