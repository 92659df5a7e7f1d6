// The name tables: CodePageFromName's normalisation and its 401 names, NameFromCodePage's 140
// rows, and Charset.
#include "base/string_buffer.h"
#include "charset/charset.h"
#include "charset/code_page_names.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

unsigned numberOf(const std::string& field) {
    return static_cast<unsigned>(std::stoul(field));
}

TEST(CodePageFromName, ResolvesEveryCase) {
    for (const case_rows::Row& c : case_rows::read(CHARSET_TEST_DATA_DIR "/code_page_names.txt", 2))
        EXPECT_EQ(CodePageFromName(c[0].c_str()), numberOf(c[1])) << "'" << c[0] << "'";
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

TEST(NameFromCodePage, GivesThePreferredName) {
    for (const case_rows::Row& c : case_rows::read(CHARSET_TEST_DATA_DIR "/preferred_names.txt", 2)) {
        StringBuffer out;
        ASSERT_TRUE(NameFromCodePage(numberOf(c[0]), out)) << c[0];
        EXPECT_EQ(std::string(out.getString()), c[1]);
    }
}

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

TEST(Charset, SetByNameSetsCodePageAndName) {
    for (const case_rows::Row& c : case_rows::read(CHARSET_TEST_DATA_DIR "/charset_names.txt", 3)) {
        Charset charset;
        charset.SetByName("utf-8");
        EXPECT_EQ(charset.SetByName(c[0].c_str()), numberOf(c[1]) != 0) << c[0];
        EXPECT_EQ(charset.getCodePage(), numberOf(c[1])) << c[0];
        EXPECT_EQ(std::string(charset.getName().getString()), c[2]) << c[0];
    }
}

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
