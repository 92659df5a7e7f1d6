#include "analysis/html_help.h"

#include "base/string_buffer.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HtmlHelpTest, ReadsTheTitle) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/page_titles.tsv", 3)) {
        StringBuffer out;
        HtmlHelp::getTitle(c[1].c_str(), out);
        EXPECT_EQ(out.getString(), c[2]) << c[0];
    }
}

TEST(HtmlHelpTest, MetaContentByNameOrHttpEquiv) {
    StringBuffer out;
    HtmlHelp::getMetaKeywords("<meta name=\"KEYWORDS\" content=\"a,b;c\">", out);
    EXPECT_STREQ(out.getString(), "a,b;c");
    HtmlHelp::getMetaDescription("<meta http-equiv=\"description\" content=\"x\">", out);
    EXPECT_STREQ(out.getString(), "x");
    HtmlHelp::getMetaDescription(
        "<meta name=\"description\" content=\"\"><meta name=description content=later>", out);
    EXPECT_STREQ(out.getString(), "later");
    HtmlHelp::getMetaDescription("<p>nothing</p>", out);
    EXPECT_STREQ(out.getString(), "");
}

// The normaliser's cases are in the markup tests; here, that this entry point logs the tag and
// its ending.
TEST(HtmlHelpTest, CleanTagLogsTheTagAndItsEnding) {
    StringBuffer out("old");
    file_test::RecordingLog log;
    HtmlHelp::cleanTag("<input disabled>", out, &log);
    EXPECT_STREQ(out.getString(), "<input disabled>");
    EXPECT_EQ(log.data("cleaning_tag"), "<input disabled>");
    EXPECT_EQ(log.data("clean_tag_6"), "<input disabled>");
    HtmlHelp::cleanTag("just text", out, &log);
    EXPECT_STREQ(out.getString(), "");
    EXPECT_EQ(log.data("clean_tag_1"), "");
}

TEST(HtmlHelpTest, HostileTextEnds) {
    std::string endless(100000, '<');
    StringBuffer out;
    HtmlHelp::cleanTag(endless.c_str(), out, nullptr);
    EXPECT_EQ(out.getSize(), 100001);
    EXPECT_EQ(out.lastChar(), '>');
    std::string quotes = "<meta name=\"description\" content=\"" + std::string(50000, '\'');
    // The unfinished value runs to the end of the tag, the '>' the reader adds included, and
    // the tag normaliser closes it.
    HtmlHelp::getMetaDescription(quotes.c_str(), out);
    EXPECT_EQ(out.getSize(), 50001);
    EXPECT_EQ(out.lastChar(), '>');
}

} // namespace
