// The encoding finder: which rule decides a page's encoding, the labels it resolves, and the
// decoding of every page into valid UTF-8.
#include "charset/code_page_names.h"
#include "charset/encoding_finder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FindCase {
    const char* name;
    std::string body;
    const char* httpCharset;
    unsigned codePage;
    const char* label;
};

std::string padded(const std::string& before, const std::string& after) {
    return before + std::string(1100, ' ') + after;
}

// clang-format off
const FindCase kFindCases[] = {
    {"bomUtf8", "\xEF\xBB\xBF<meta charset=big5>x", "windows-1251", 65001, "utf-8"},
    {"bomUtf16le", std::string("\xFF\xFE<\0a\0", 6), nullptr, 1200, "utf-16le"},
    {"bomUtf16be", std::string("\xFE\xFF\0<\0a", 6), nullptr, 1201, "utf-16be"},
    {"bomUtf32le", std::string("\xFF\xFE\0\0<\0\0\0", 8), nullptr, 65005, "utf-32le"},
    {"bomUtf32be", std::string("\0\0\xFE\xFF\0\0\0<", 8), nullptr, 65006, "utf-32be"},
    {"headerOverMeta", "<meta charset=big5>", " \"Windows-1251\" ", 1251, "windows-1251"},
    {"unknownHeaderIgnored", "<meta charset=big5>", "no-such-thing", 950, "big5"},
    {"metaCharset", "<META CHARSET='Shift_JIS'>", nullptr, 932, "shift_jis"},
    {"metaUnquoted", "<meta charset=euc-kr>", "", 949, "euc-kr"},
    {"httpEquiv", "<meta content=\"text/html; charset=koi8-r\" http-equiv=Content-Type>", nullptr, 20866, "koi8-r"},
    {"contentWithoutPragma", "<meta content=\"text/html; charset=koi8-r\">", nullptr, 65001, ""},
    {"metaInComment", "<!-- <meta charset=big5> --><p>x", nullptr, 65001, ""},
    {"metaInAttribute", "<a title='<meta charset=big5>'>x", nullptr, 65001, ""},
    {"metaAfterWindow", padded("<html>", "<meta charset=big5>"), nullptr, 65001, ""},
    {"metaInWindow", padded("<meta charset=big5>", ""), nullptr, 950, "big5"},
    {"metaUtf16IsUtf8", "<meta charset=utf-16>", nullptr, 65001, "utf-16"},
    {"xmlDeclaration", "<?xml version=\"1.0\" encoding=\"ISO-8859-5\"?><html/>", nullptr, 28595, "iso-8859-5"},
    {"validUtf8", "<p>caf\xC3\xA9", nullptr, 65001, ""},
    {"ascii", "<p>plain", nullptr, 65001, ""},
    {"latinFallback", "<p>caf\xE9 cr\xE8me br\xFBl\xE9" "e", nullptr, 1252, ""},
};
// clang-format on

class FindTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindTest, DecidesByTheRightRule) {
    const FindCase& c = GetParam();
    PageEncoding found;
    EncodingFinder::find(reinterpret_cast<const unsigned char*>(c.body.data()), c.body.size(), c.httpCharset, found);
    EXPECT_EQ(found.codePage, c.codePage);
    EXPECT_STREQ(found.label.getString(), c.label);
}

INSTANTIATE_TEST_SUITE_P(Pages, FindTest, testing::ValuesIn(kFindCases),
                         [](const testing::TestParamInfo<FindCase>& info) { return info.param.name; });

TEST(EncodingFinder, DetectorReadsUndeclaredCyrillic) {
    // A windows-1251 sentence, long enough for the detector.
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0! \xdd\xf2\xee \xf2\xe5\xf1\xf2\xee\xe2\xe0\xff "
                "\xf1\xf2\xf0\xe0\xed\xe8\xf6\xe0 \xed\xe0 \xf0\xf3\xf1\xf1\xea\xee\xec \xff\xe7\xfb\xea\xe5. ";
    PageEncoding found;
    EncodingFinder::find(reinterpret_cast<const unsigned char*>(text.data()), text.size(), nullptr, found);
    EXPECT_EQ(found.codePage, 1251u);
    EXPECT_STREQ(found.label.getString(), "");
}

struct LabelCase {
    const char* label;
    unsigned codePage;
};

class LabelTest : public testing::TestWithParam<LabelCase> {};

TEST_P(LabelTest, ResolvesAsBrowsersDo) {
    EXPECT_EQ(CodePageFromLabel(GetParam().label), GetParam().codePage) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(Web, LabelTest,
                         testing::Values(LabelCase{"utf8", 65001}, LabelCase{"unicode-1-1-utf-8", 65001},
                                         LabelCase{"GBK", 936}, LabelCase{"x-gbk", 936},
                                         LabelCase{"cp1252", 1252}, LabelCase{"windows-31j", 932},
                                         LabelCase{"latin1", 1252}, LabelCase{"ISO-8859-1", 1252},
                                         LabelCase{"ascii", 1252}, LabelCase{"us-ascii", 1252},
                                         LabelCase{"ks_c_5601-1987", 949}, LabelCase{"x-sjis", 932},
                                         LabelCase{"UTF-32LE", 65005}, LabelCase{"utf-32be", 65006},
                                         LabelCase{"l2", 28592}, LabelCase{"euc-kr", 949},
                                         LabelCase{"big5", 950}, LabelCase{"no-such", 0}));

TEST(CodePageNames, TableKeepsItsOwnMeanings) {
    // The web's reading sits beside the table, never in it.
    EXPECT_EQ(CodePageFromName("ascii"), 20127u);
    EXPECT_EQ(CodePageFromName("iso-8859-1"), 28591u);
    EXPECT_EQ(CodePageFromName("utf8"), 0u);
}

struct DecodeCase {
    const char* name;
    std::string body;
    unsigned codePage;
    std::string text;
};

// clang-format off
const DecodeCase kDecodeCases[] = {
    {"utf16leWithBom", std::string("\xFF\xFEh\0i\0\x3D\xD8\x00\xDE", 10), 1200, "hi\xF0\x9F\x98\x80"},
    {"utf16beNoBom", std::string("\0h\x04\x10", 4), 1201, "h\xD0\x90"},
    {"utf16LoneSurrogate", std::string("\x00\xD8x\0", 4), 1200, "\xEF\xBF\xBDx"},
    {"utf16OddByte", std::string("a\0b", 3), 1200, "a\xEF\xBF\xBD"},
    {"utf32le", std::string("\xFF\xFE\0\0A\0\0\0\x10\x04\0\0", 12), 65005, "A\xD0\x90"},
    {"utf32beTooLarge", std::string("\0\x11\0\0\0\0\0B", 8), 65006, "\xEF\xBF\xBD" "B"},
    {"invalidUtf8", "a\xFF" "b\xC3", 65001, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
    {"utf8BomDropped", "\xEF\xBB\xBFok", 65001, "ok"},
    {"nulInUtf8", std::string("<title>a\0b</title>", 18), 65001, "<title>a\xEF\xBF\xBD" "b</title>"},
    {"nulInUtf16", std::string("a\0\0\0b\0", 6), 1200, "a\xEF\xBF\xBD" "b"},
    {"nulInLegacy", std::string("\xE9\0\xE9", 3), 1252, "\xC3\xA9\xEF\xBF\xBD\xC3\xA9"},
    {"cp1251", "\xcf\xf0\xe8", 1251, "\xD0\x9F\xD1\x80\xD0\xB8"},
    {"unmappedByte", "a\x81z", 1252, "a\xEF\xBF\xBDz"},
    {"shiftJis", "\x93\xfa\x96\x7b", 932, "\xE6\x97\xA5\xE6\x9C\xAC"},
    {"big5", "\xa4\xa4\xa4\xe5", 950, "\xE4\xB8\xAD\xE6\x96\x87"},
};
// clang-format on

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, GivesValidUtf8) {
    const DecodeCase& c = GetParam();
    StringBuffer out("old");
    EncodingFinder::decode(reinterpret_cast<const unsigned char*>(c.body.data()), c.body.size(), c.codePage, out);
    EXPECT_EQ(std::string(out.getString(), static_cast<size_t>(out.getSize())), c.text);
    EXPECT_TRUE(EncodingFinder::isValidUtf8(reinterpret_cast<const unsigned char*>(out.getString()),
                                            static_cast<size_t>(out.getSize())));
}

INSTANTIATE_TEST_SUITE_P(Bodies, DecodeTest, testing::ValuesIn(kDecodeCases),
                         [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

} // namespace
