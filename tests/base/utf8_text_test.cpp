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
    struct Case {
        unsigned codePage;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        // Sharp s and the multiplication sign have no other case; Š, Œ and Ÿ do.
        {1252,
         "STRA\xDF"
         "E \xD7 \xC4\x8A\x8C\x9F",
         "stra\xDF"
         "e \xD7 \xE4\x9A\x9C\xFF"},
        // ISO-8859-5: Ё (0xA1) and А..Я (0xB0..0xCF) to ё (0xF1) and а..я (0xD0..0xEF); № stays.
        {28595, "\xA1\xB0\xCF\xF0", "\xF1\xD0\xEF\xF0"},
        {1251, "\xC0\xDF\xA8\xB9", "\xE0\xFF\xB8\xB9"},
        {65001, "\xD0\x9F\xD0\xA0", "\xD0\xBF\xD1\x80"},
    };
    for (const Case& c : cases) {
        StringBuffer text(c.text);
        lowerInCodePage(text, c.codePage);
        EXPECT_EQ(std::string(text.getString()), c.expected) << c.codePage;
    }
}

TEST(Utf8Text, CharacterCountAndWhiteSpace) {
    EXPECT_EQ(utf8CharCount("\xD0\x9F\xD1\x80x\xA0", 6), 4);
    StringBuffer text(" a\t\r\n\xC2\xA0 voil\xC3\xA0  b ");
    collapseUtf8Whitespace(text);
    EXPECT_EQ(std::string(text.getString()), "a voil\xC3\xA0 b");
}

} // namespace
