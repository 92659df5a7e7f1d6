#include "analysis/site_analyzer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SiteAnalyzerTest, ResetClearsResultsAndKeepsTablesAndSettings) {
    SiteAnalyzer analyzer;
    analyzer.setMaxVectorWords(12);
    analyzer.geoTable.Append("key");
    analyzer.stopWords.addWords("the", nullptr, 1);
    analyzer.domain.setString("example.de");
    analyzer.country.setString("de");
    analyzer.emails.Append("a@b.de");
    analyzer.siteTitle.setString("t");
    analyzer.numAdUnits = 3;
    analyzer.troubleParsingGoogle = 1;
    analyzer.adFormats[5].setString("728x90");
    analyzer.linkFormats[0].setString("120x90");
    analyzer.home2Url.setString("http://x/");
    analyzer.resetResults();
    EXPECT_STREQ(analyzer.domain.getString(), "");
    EXPECT_STREQ(analyzer.country.getString(), "");
    EXPECT_EQ(analyzer.emails.get_Count(), 0);
    EXPECT_STREQ(analyzer.siteTitle.getString(), "");
    EXPECT_EQ(analyzer.numAdUnits, 0);
    EXPECT_EQ(analyzer.troubleParsingGoogle, 0);
    EXPECT_STREQ(analyzer.adFormats[5].getString(), "");
    EXPECT_STREQ(analyzer.linkFormats[0].getString(), "");
    EXPECT_STREQ(analyzer.home2Url.getString(), "");
    EXPECT_EQ(analyzer.geoTable.get_Count(), 1);
    EXPECT_TRUE(analyzer.stopWords.containsWord("the"));
    EXPECT_EQ(analyzer.maxVectorWords, 12u);
}

TEST(SiteAnalyzerTest, EmailsRefuseDuplicates) {
    SiteAnalyzer analyzer;
    analyzer.emails.Append("a@b.de");
    analyzer.emails.Append("a@b.de");
    EXPECT_EQ(analyzer.emails.get_Count(), 1);
}

TEST(SiteAnalyzerTest, StopWordsHoldTheTableWordsAndTheirPlurals) {
    SiteAnalyzer analyzer;
    analyzer.loadStopWords("a.m.\r\nbox\r\ncity\r\n0\r\n10\r\n");
    for (const char* word : {"a.m", "box", "boxes", "city", "cities", "0", "10"})
        EXPECT_TRUE(analyzer.stopWords.containsWord(word)) << word;
    // The quick-mode words come only when quick mode is already on.
    EXPECT_FALSE(analyzer.stopWords.containsWord("copyright"));
    SiteAnalyzer quick;
    quick.setQuickMode(true);
    quick.loadStopWords("box");
    EXPECT_TRUE(quick.stopWords.containsWord("copyright"));
    EXPECT_TRUE(quick.stopWords.containsWord("rights"));
}

TEST(SiteAnalyzerTest, HeadFieldsOfAPage) {
    SiteAnalyzer analyzer;
    analyzer.extractHeadFields("<html><head><title>\r\n  My\tSite \xC2\xA0 Home </title>"
                               "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">"
                               "<meta name=\"KEYWORDS\" content=\"a,b;c\">"
                               "<meta name=\"description\" content=\" A  fine\r\nsite \">");
    EXPECT_STREQ(analyzer.siteTitle.getString(), "My Site Home");
    EXPECT_STREQ(analyzer.metaKeywords.getString(), "a b c");
    EXPECT_STREQ(analyzer.metaDescription.getString(), "A fine site");

    // The first page with a title names the site.
    analyzer.extractHeadFields("<title>Other</title>");
    EXPECT_STREQ(analyzer.siteTitle.getString(), "My Site Home");
    EXPECT_STREQ(analyzer.metaKeywords.getString(), "");
}

TEST(SiteAnalyzerTest, QuickModeSkipsDescriptionAndKeywords) {
    SiteAnalyzer analyzer;
    analyzer.setQuickMode(true);
    analyzer.metaKeywords.setString("old");
    analyzer.extractHeadFields("<title>T</title><meta name=\"keywords\" content=\"k\">");
    EXPECT_STREQ(analyzer.siteTitle.getString(), "T");
    EXPECT_STREQ(analyzer.metaKeywords.getString(), "old");
}

TEST(SiteAnalyzerTest, LoneA0ByteIsNotWhiteSpaceInUtf8Text) {
    SiteAnalyzer analyzer;
    // U+00E0 is C3 A0: its second byte must survive.
    analyzer.extractHeadFields("<title>voil\xC3\xA0</title>");
    EXPECT_STREQ(analyzer.siteTitle.getString(), "voil\xC3\xA0");
    analyzer.extractHeadFields("<meta name=\"description\" content=\"\xC2\xA0Voil\xC3\xA0\xC2\xA0\">");
    EXPECT_STREQ(analyzer.metaDescription.getString(), "Voil\xC3\xA0");
}

struct TitleFieldCase {
    const char* name;
    const char* html;
    const char* expected;
};

class TitleFieldTest : public ::testing::TestWithParam<TitleFieldCase> {};

TEST_P(TitleFieldTest, GivesTheSiteTitle) {
    SiteAnalyzer analyzer;
    analyzer.extractHeadFields(GetParam().html);
    EXPECT_STREQ(analyzer.siteTitle.getString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, TitleFieldTest,
    ::testing::Values(
        TitleFieldCase{"bars", "<title>Shop | Tom &amp; Jerry |Home|</title>", "Shop Tom & Jerry Home"},
        TitleFieldCase{"referencedBar", "<title>a &#124; b&#x7C;c</title>", "a b c"},
        TitleFieldCase{"lineBreaks", "<title lang=\"en\">\r\nA\r\n\tB\n</title>", "A B"},
        TitleFieldCase{"nbspReference", "<title>A&nbsp;&nbsp;B</title>", "A B"},
        TitleFieldCase{"svgBeforeHead", "<svg><title>Logo</title></svg><head><title>Real</title>", "Real"}),
    [](const ::testing::TestParamInfo<TitleFieldCase>& info) { return info.param.name; });

struct CutCase {
    const char* name;
    std::string title;
    uint32_t maxLength;
    size_t expectedLength;
};

class TitleCutTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(TitleCutTest, CutsAtAWord) {
    SiteAnalyzer analyzer;
    analyzer.setMaxTitleLength(GetParam().maxLength);
    analyzer.extractHeadFields(("<title>" + GetParam().title + "</title>").c_str());
    EXPECT_EQ(static_cast<size_t>(analyzer.siteTitle.getSize()), GetParam().expectedLength);
}

std::string withBlankAt(size_t length, size_t blank) {
    std::string s(length, 'x');
    s[blank] = ' ';
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Titles, TitleCutTest,
    ::testing::Values(CutCase{"blankAt75", withBlankAt(150, 75), 80, 75},
                      CutCase{"blankBefore70Only", withBlankAt(150, 60), 80, 80},
                      CutCase{"noBlank", std::string(150, 'x'), 80, 80},
                      // The cut before a blank may leave the title longer than the limit.
                      CutCase{"blankAt100", withBlankAt(150, 100), 80, 100},
                      CutCase{"short", std::string(80, 'x'), 80, 80},
                      CutCase{"tinyLimit", withBlankAt(40, 20), 5, 5}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return info.param.name; });

TEST(SiteAnalyzerTest, CutNeverSplitsACharacter) {
    StringBuffer text;
    std::string greek;
    for (int i = 0; i < 60; ++i)
        greek += "\xCE\xB1";
    text.setString(greek.c_str());
    cutAtWord(text, 81);
    EXPECT_EQ(text.getSize(), 80);
}

} // namespace
