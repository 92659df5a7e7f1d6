#include "analysis/html_help.h"

#include "base/string_buffer.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct HeadCase {
    const char* name;
    const char* html;
    const char* expected;
};

class TitleTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(TitleTest, ReadsTheTitle) {
    StringBuffer out;
    HtmlHelp::getTitle(GetParam().html, out);
    EXPECT_STREQ(out.getString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TitleTest,
    ::testing::Values(
        HeadCase{"upperCase", "<html><TITLE>Home</TITLE>", "Home"},
        HeadCase{"withAttributes", "<title data-react-helmet=\"true\">x</title>", "x"},
        HeadCase{"unclosed", "<title>never closed", ""}, HeadCase{"empty", "<title></title>", ""},
        HeadCase{"mixedCase", "<TiTlE> A  b </tItLe>", " A  b "},
        HeadCase{"secondIgnored", "<title>one</title><title>two</title>", "one"},
        HeadCase{"references",
                 "<title>Tom &amp; Jerry &#8211; Shop &hellip;&#x41;&#150;&nbsp;&bogus; &amp</title>",
                 "Tom & Jerry \xE2\x80\x93 Shop \xE2\x80\xA6"
                 "A\xE2\x80\x93\xC2\xA0&bogus; &"},
        // Names beyond the Latin ones, one of them two characters (a letter and a combining mark).
        HeadCase{"html5Names", "<title>&alpha;&rarr;&NotEqualTilde;&Alpha</title>",
                 "\xCE\xB1\xE2\x86\x92\xE2\x89\x82\xCC\xB8&Alpha"},
        HeadCase{"brokenNumeric", "<title>&#0;&#xD800;&#99999999;&#;</title>",
                 "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD&#;"},
        HeadCase{"inSvgFirst", "<svg><title>icon</title></svg><title>Real</title>", "Real"},
        HeadCase{"inComment", "<!-- <title>old</title> --><title>Real</title>", "Real"},
        HeadCase{"inScript", "<script>d.title='<title>x</title>'</script><title>Real</title>", "Real"},
        HeadCase{"inStyle", "<STYLE>/*<title>s</title>*/</STYLE><title>Real</title>", "Real"},
        HeadCase{"titleLikeTag", "<titles>no</titles><title>Real</title>", "Real"},
        HeadCase{"unclosedComment", "<!-- <title>x</title>", ""}),
    [](const ::testing::TestParamInfo<HeadCase>& info) { return info.param.name; });

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
