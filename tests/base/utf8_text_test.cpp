#include "base/utf8_text.h"

#include "base/string_buffer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// Every line of the word list is lower-cased as Python's str.lower does.
TEST(Utf8Lower, MatchesPythonOnTheWordList) {
    std::ifstream in(UTF8_TEXT_DATA_DIR "/lower_case_words.txt");
    ASSERT_TRUE(in.good());
    std::string line;
    int checked = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        StringBuffer word(line.substr(0, tab).c_str());
        lowerUtf8(word);
        EXPECT_EQ(std::string(word.getString()), line.substr(tab + 1)) << line.substr(0, tab);
        ++checked;
    }
    EXPECT_GT(checked, 60);
}

struct ByteCase {
    const char* name;
    const char* text;
    const char* expected;
};

class Utf8LowerBytes : public ::testing::TestWithParam<ByteCase> {};

TEST_P(Utf8LowerBytes, KeepsWhatIsNoCharacter) {
    StringBuffer text(GetParam().text);
    lowerUtf8(text);
    EXPECT_EQ(std::string(text.getString()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, Utf8LowerBytes,
    ::testing::Values(ByteCase{"loneContinuation", "A\xA0Z", "a\xA0z"},
                      ByteCase{"truncatedSequence", "\xD0\x9F\xD0", "\xD0\xBF\xD0"},
                      ByteCase{"overlongSlash",
                               "\xC0\xAF"
                               "B",
                               "\xC0\xAF"
                               "b"},
                      ByteCase{"latin1Bytes", "\xC9T\xC9", "\xC9t\xC9"},
                      ByteCase{"surrogateBytes", "\xED\xA0\x80X", "\xED\xA0\x80x"},
                      ByteCase{"sigmaAfterLongAsciiRun",
                               "\xC3\x89"
                               "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"
                               "\xCE\xA3",
                               "\xC3\xA9"
                               "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
                               "\xCF\x82"},
                      ByteCase{"sigmaAfterApostrophe", "\xC3\x89'\xCE\xA3 x", "\xC3\xA9'\xCF\x82 x"}),
    [](const ::testing::TestParamInfo<ByteCase>& info) { return info.param.name; });

struct CodePageCase {
    const char* name;
    unsigned codePage;
    const char* text;
    const char* expected;
};

class CodePageLower : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageLower, FoldsThroughThePagesCharacters) {
    StringBuffer text(GetParam().text);
    lowerInCodePage(text, GetParam().codePage);
    EXPECT_EQ(std::string(text.getString()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CodePageLower,
    ::testing::Values(
        // Sharp s and the multiplication sign have no other case; Š, Œ and Ÿ do.
        CodePageCase{"windows1252", 1252,
                     "STRA\xDF"
                     "E \xD7 \xC4\x8A\x8C\x9F",
                     "stra\xDF"
                     "e \xD7 \xE4\x9A\x9C\xFF"},
        // ISO-8859-5: Ё (0xA1) and А..Я (0xB0..0xCF) to ё (0xF1) and а..я (0xD0..0xEF); № stays.
        CodePageCase{"iso8859_5", 28595, "\xA1\xB0\xCF\xF0", "\xF1\xD0\xEF\xF0"},
        CodePageCase{"windows1251", 1251, "\xC0\xDF\xA8\xB9", "\xE0\xFF\xB8\xB9"},
        CodePageCase{"utf8", 65001, "\xD0\x9F\xD0\xA0", "\xD0\xBF\xD1\x80"}),
    [](const ::testing::TestParamInfo<CodePageCase>& info) { return info.param.name; });

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
