#include "analysis/site_analyzer.h"

#include "tests/support/case_rows.h"

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

    // Quick mode reads the title alone.
    SiteAnalyzer quick;
    quick.setQuickMode(true);
    quick.metaKeywords.setString("old");
    quick.extractHeadFields("<title>T</title><meta name=\"keywords\" content=\"k\">");
    EXPECT_STREQ(quick.siteTitle.getString(), "T");
    EXPECT_STREQ(quick.metaKeywords.getString(), "old");
}

TEST(SiteAnalyzerTest, LoneA0ByteIsNotWhiteSpaceInUtf8Text) {
    SiteAnalyzer analyzer;
    // U+00E0 is C3 A0: its second byte must survive.
    analyzer.extractHeadFields("<title>voil\xC3\xA0</title>");
    EXPECT_STREQ(analyzer.siteTitle.getString(), "voil\xC3\xA0");
    analyzer.extractHeadFields("<meta name=\"description\" content=\"\xC2\xA0Voil\xC3\xA0\xC2\xA0\">");
    EXPECT_STREQ(analyzer.metaDescription.getString(), "Voil\xC3\xA0");
}

// The reader decodes references before the title's bars and no-break spaces become blanks.
TEST(SiteAnalyzerTest, ReferencedBarsAndNoBreakSpacesInTheTitleAreBlanks) {
    for (const char* html : {"<title>a &#124; b&#x7C;c</title>", "<title>a&nbsp;&nbsp;|b | c|</title>"}) {
        SiteAnalyzer analyzer;
        analyzer.extractHeadFields(html);
        EXPECT_STREQ(analyzer.siteTitle.getString(), "a b c") << html;
    }
}

TEST(SiteAnalyzerTest, LongTitleIsCutAtAWord) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/title_cuts.tsv", 5)) {
        std::string title(std::stoul(c[1]), 'x');
        if (c[2] != "none")
            title[std::stoul(c[2])] = ' ';
        SiteAnalyzer analyzer;
        analyzer.setMaxTitleLength(static_cast<uint32_t>(std::stoul(c[3])));
        analyzer.extractHeadFields(("<title>" + title + "</title>").c_str());
        EXPECT_EQ(analyzer.siteTitle.getSize(), std::stoi(c[4])) << c[0];
    }
}

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
