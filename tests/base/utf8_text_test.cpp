#include "base/utf8_text.h"

#include "base/string_buffer.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <array>
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

// Runs long enough to be moved a word at a time, with the white space at the word's edges.
TEST(Utf8Text, WhiteSpaceAroundLongRuns) {
    struct Row {
        const char* text;
        bool joinAfterComma;
        const char* collapsed;
    };
    const Row rows[] = {
        {"abcdefg\xC2\xA0hijklmnop", false, "abcdefg hijklmnop"},
        {"abcdefgh\xC2\xA9ijklmnopqrs\xC2", false, "abcdefgh\xC2\xA9ijklmnopqrs\xC2"},
        {"abc\x0c\x01xyzghijklmn \t op", false, "abc\x0c\x01xyzghijklmn op"},
        {"          abcdefghijklmnopq\r\n\xC2\xA0 rstuvwxyz0123456789\xC2\xA0", false,
         "abcdefghijklmnopq rstuvwxyz0123456789"},
        {"one,           two , three,four,\n", true, "one,two ,three,four,"},
    };
    for (const Row& row : rows) {
        StringBuffer text(row.text);
        collapseUtf8Whitespace(text, row.joinAfterComma);
        EXPECT_EQ(std::string(text.getString()), row.collapsed) << row.text;
    }
    // Through a map: letters lowered, '!' made a blank, and 0xA0 made a letter, so C2 A0 is no blank.
    std::array<unsigned char, 256> map;
    for (size_t c = 0; c < map.size(); ++c)
        map[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    map['!'] = ' ';
    map[0xA0] = 'x';
    StringBuffer text("  Hello!!World \xC2\xA0 ABCDEFGHIJKL!");
    collapseUtf8Whitespace(text, false, map.data());
    EXPECT_EQ(std::string(text.getString()), "hello world \xC2x abcdefghijkl");
}

} // namespace
