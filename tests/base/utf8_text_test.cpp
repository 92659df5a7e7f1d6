#include "base/utf8_text.h"

#include "base/string_buffer.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every word of the list is lower-cased as Python's str.lower does; bytes that are no character stay.
TEST(Utf8Lower, MatchesPythonOnTheWordList) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/lower_case_words.txt", 2)) {
        StringBuffer word(c[0].c_str());
        lowerUtf8(word);
        EXPECT_EQ(std::string(word.getString()), c[1]) << c[0];
    }
}

TEST(LowerInCodePage, FoldsThroughThePagesCharacters) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/code_page_lower_case.txt", 3)) {
        StringBuffer text(c[1].c_str());
        lowerInCodePage(text, static_cast<unsigned>(std::stoul(c[0])));
        EXPECT_EQ(std::string(text.getString()), c[2]) << c[0];
    }
}

TEST(Utf8Text, CharacterCountAndWhiteSpace) {
    EXPECT_EQ(utf8CharCount("\xD0\x9F\xD1\x80x\xA0", 6), 4);
    StringBuffer text(" a\t\r\n\xC2\xA0 voil\xC3\xA0  b ");
    collapseUtf8Whitespace(text);
    EXPECT_EQ(std::string(text.getString()), "a voil\xC3\xA0 b");
    // The text ends at a NUL byte, the blank before it kept.
    StringBuffer withNul(reinterpret_cast<const unsigned char*>("a \0 b"), 5, 0);
    collapseUtf8Whitespace(withNul);
    EXPECT_EQ(withNul.getSize(), 2);
    EXPECT_EQ(std::string(withNul.getString()), "a ");
}

} // namespace
