// The name tables: CodePageFromName's normalisation and its 401 names, NameFromCodePage's 140
// rows, and Charset.
#include "base/string_buffer.h"
#include "charset/charset.h"
#include "charset/code_page_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct NameCase {
    const char* name;
    unsigned codePage;
};

class CodePageFromNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(CodePageFromNameTest, ResolvesName) {
    EXPECT_EQ(CodePageFromName(GetParam().name), GetParam().codePage) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CodePageFromNameTest,
    testing::Values(NameCase{"utf-8", 65001}, NameCase{"utf-7", 65000}, NameCase{"utf-32", 65005},
                    NameCase{"utf-32be", 65006}, NameCase{"unicode", 1200}, NameCase{"utf-16", 1200},
                    NameCase{"us-ascii", 20127}, NameCase{"ascii", 20127}, NameCase{"gb2312", 936},
                    NameCase{"chinese", 936}, NameCase{"big5", 950}, NameCase{"ks-c-5601-1987", 949},
                    NameCase{"korean", 949}, NameCase{"euc-jp", 51932}, NameCase{"euc-kr", 51949},
                    NameCase{"euc-tw", 51950}, NameCase{"johab", 1361}, NameCase{"koi8-r", 20866},
                    NameCase{"tis-620", 874}, NameCase{"windows-874", 874}, NameCase{"gb18030", 54936},
                    NameCase{"csiso2022jp", 50221}, NameCase{"iso-2022-kr", 50225}, NameCase{"x-cp50227", 50227},
                    NameCase{"x-mac-japanese", 10001}, NameCase{"windows-1252", 1252},
                    NameCase{"iso-8859-8 visual", 28598}, NameCase{"iso-8859-8-i", 38598},
                    NameCase{"ebcdic-de-273+euro", 1141}, NameCase{"iso-646.irv:1991", 20127}));

INSTANTIATE_TEST_SUITE_P(
    Normalisation, CodePageFromNameTest,
    testing::Values(NameCase{"ISO_8859-1", 28591}, NameCase{"  UTF-8\t\r\n", 65001}, NameCase{"Shift_JIS", 932},
                    NameCase{"KS_C_5601-1987", 949}, NameCase{"X-MAC-CE", 10029}, NameCase{"utf_16LE", 1200},
                    NameCase{"ISO-8859-8 VISUAL", 28598}));

INSTANTIATE_TEST_SUITE_P(Unknown, CodePageFromNameTest,
                         testing::Values(NameCase{"", 0}, NameCase{"  ", 0}, NameCase{"l1", 0}, NameCase{"utf", 0},
                                         NameCase{"utf-9", 0}, NameCase{"iso-8859-1 x", 0},
                                         NameCase{"utf -8", 0}, NameCase{"\xC0utf-8", 0}));

TEST(CodePageFromName, NullIsUnknown) {
    EXPECT_EQ(CodePageFromName(nullptr), 0u);
}

TEST(CodePageFromName, TableHolds401DistinctNamesThatAllResolve) {
    ASSERT_EQ(NumCodePageNames(), 401u);
    std::set<std::string> names;
    for (unsigned i = 0; i < NumCodePageNames(); ++i) {
        std::string name = CodePageNameAt(i);
        names.insert(name);
        EXPECT_NE(CodePageFromName(name.c_str()), 0u) << name;
    }
    EXPECT_EQ(names.size(), 401u);
    EXPECT_EQ(CodePageNameAt(401), nullptr);
}

struct PreferredCase {
    unsigned codePage;
    const char* name;
};

class NameFromCodePageTest : public testing::TestWithParam<PreferredCase> {};

TEST_P(NameFromCodePageTest, GivesPreferredName) {
    StringBuffer out;
    ASSERT_TRUE(NameFromCodePage(GetParam().codePage, out));
    EXPECT_STREQ(out.getString(), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NameFromCodePageTest,
    testing::Values(PreferredCase{50222, "iso-2022-jp"}, PreferredCase{50221, "csiso2022jp"},
                    PreferredCase{50220, "iso-2022-jp"}, PreferredCase{932, "shift_jis"},
                    PreferredCase{949, "ks_c_5601-1987"}, PreferredCase{20127, "us-ascii"},
                    PreferredCase{1201, "unicodefffe"}, PreferredCase{28605, "iso-8859-15"},
                    PreferredCase{1047, "ibm01047"}, PreferredCase{1149, "ibm01149"},
                    PreferredCase{57011, "x-iscii-pa"}, PreferredCase{20932, "euc-jp"},
                    PreferredCase{21025, "cp1025"}, PreferredCase{65006, "utf-32be"}));

TEST(NameFromCodePage, UnknownCodePageLeavesOutUnchanged) {
    StringBuffer out("kept");
    EXPECT_FALSE(NameFromCodePage(0, out));
    EXPECT_FALSE(NameFromCodePage(54935, out));
    EXPECT_STREQ(out.getString(), "kept");
}

// All 140 rows: every preferred name is itself a known name, and it names its own code page,
// except where two code pages share one name.
TEST(NameFromCodePage, PreferredNamesResolveBack) {
    StringBuffer name;
    unsigned rows = 0;
    for (unsigned cp = 0; cp <= 70000; ++cp) {
        if (!NameFromCodePage(cp, name))
            continue;
        ++rows;
        unsigned back = CodePageFromName(name.getString());
        if (cp == 50222)
            EXPECT_EQ(back, 50220u);
        else if (cp == 20932)
            EXPECT_EQ(back, 51932u);
        else
            EXPECT_EQ(back, cp) << name.getString();
    }
    EXPECT_EQ(rows, 140u);
}

struct CharsetCase {
    const char* name;
    unsigned codePage;
    const char* stored;
};

class CharsetSetByNameTest : public testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetSetByNameTest, SetsCodePageAndName) {
    Charset charset;
    charset.SetByName("utf-8");
    EXPECT_EQ(charset.SetByName(GetParam().name), GetParam().codePage != 0);
    EXPECT_EQ(charset.getCodePage(), GetParam().codePage);
    EXPECT_STREQ(charset.getName().getString(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CharsetSetByNameTest,
    testing::Values(CharsetCase{"default", 0, ""}, CharsetCase{"x-user-defined", 0, ""},
                    CharsetCase{"ansi", 1252, "windows-1252"}, CharsetCase{"oem", 437, "ibm437"},
                    CharsetCase{"Latin1", 28591, "iso-8859-1"}, CharsetCase{"SJIS", 932, "shift_jis"},
                    CharsetCase{"no-such-charset", 0, ""}, CharsetCase{"EUC-TW", 51950, "euc-tw"},
                    CharsetCase{"csISO2022JP", 50221, "csiso2022jp"}));

TEST(Charset, SetByCodePage) {
    Charset charset;
    EXPECT_TRUE(charset.SetByCodePage(65001));
    EXPECT_STREQ(charset.getName().getString(), "utf-8");
    EXPECT_EQ(charset.getCodePage(), 65001u);
    EXPECT_FALSE(charset.SetByCodePage(51950));
    EXPECT_EQ(charset.getCodePage(), 0u);
    EXPECT_STREQ(charset.getName().getString(), "");
}

} // namespace
