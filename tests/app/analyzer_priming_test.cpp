#include "app/analyzer_priming.h"

#include "analysis/site_analyzer.h"

#include <gtest/gtest.h>

namespace {

TEST(AnalyzerPriming, LoadsEveryTableAndTheCrawlerSettings) {
    SiteAnalyzer analyzer;
    ASSERT_TRUE(primeAnalyzer(analyzer));
    EXPECT_EQ(analyzer.maxVectorWords, 12u);
    EXPECT_EQ(analyzer.maxTitleLength, 80u);
    EXPECT_TRUE(analyzer.quickMode);
    EXPECT_EQ(analyzer.placePhrases.get_Count(), 450);
    EXPECT_EQ(analyzer.aboutUrlPatterns.get_Count(), 14);
    EXPECT_EQ(analyzer.aboutLinkTexts.get_Count(), 11);
    EXPECT_EQ(analyzer.contactUrlPatterns.get_Count(), 24);
    EXPECT_EQ(analyzer.contactLinkTexts.get_Count(), 15);
    EXPECT_EQ(analyzer.languageWords.get_Count(), 6);
    EXPECT_EQ(analyzer.sitemapUrlPatterns.get_Count(), 7);
    EXPECT_EQ(analyzer.sitemapLinkTexts.get_Count(), 4);
    EXPECT_EQ(analyzer.enterLinkTexts.get_Count(), 7);
    EXPECT_EQ(analyzer.locationUrlPatterns.get_Count(), 30);
    EXPECT_EQ(analyzer.geoTable.get_Count(), 4200);
    EXPECT_STREQ(analyzer.enterLinkTexts.GetString(0), "enter");
    EXPECT_STREQ(analyzer.languageWords.GetString(1), "German");
    EXPECT_NE(analyzer.geoKeyMatcher, nullptr);
}

TEST(AnalyzerPriming, PlacePhrasesAreLowerCasedAndStopWordsHaveNoQuickModeExtras) {
    SiteAnalyzer analyzer;
    primeAnalyzer(analyzer);
    EXPECT_STREQ(analyzer.placePhrases.GetString(2), "new york");
    EXPECT_STREQ(analyzer.placePhrases.GetString(3), "new_york");
    for (int i = 0; i < analyzer.placePhrases.get_Count(); ++i) {
        std::string entry = analyzer.placePhrases.GetString(i);
        for (char c : entry)
            ASSERT_FALSE(c >= 'A' && c <= 'Z') << entry;
    }
    EXPECT_TRUE(analyzer.stopWords.containsWord("eros"));
    EXPECT_TRUE(analyzer.stopWords.containsWord("homepage"));
    EXPECT_TRUE(analyzer.stopWords.containsWord("a.m"));
    EXPECT_FALSE(analyzer.stopWords.containsWord("copyright"));
    EXPECT_FALSE(analyzer.stopWords.containsWord("llc"));
}

} // namespace
