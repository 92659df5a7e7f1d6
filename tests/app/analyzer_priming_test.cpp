#include "app/analyzer_priming.h"

#include "analysis/geo_key_matcher.h"
#include "analysis/geo_location.h"
#include "analysis/page_text.h"
#include "analysis/site_analyzer.h"
#include "base/string_buffer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

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
    ASSERT_TRUE(primeAnalyzer(analyzer));
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

TEST(AnalyzerPriming, WorkerAnalyzersShareOneCopyOfTheTablesAndKeepTheirOwnResults) {
    std::unique_ptr<SiteAnalyzer> a = newWorkerAnalyzer();
    std::unique_ptr<SiteAnalyzer> b = newWorkerAnalyzer();
    EXPECT_EQ(&a->stopWords, &b->stopWords);
    EXPECT_EQ(&a->placePhrases, &b->placePhrases);
    EXPECT_EQ(&a->geoTable, &b->geoTable);
    EXPECT_EQ(&a->locationUrlPatterns, &b->locationUrlPatterns);
    ASSERT_NE(a->geoKeyMatcher, nullptr);
    EXPECT_EQ(a->geoKeyMatcher, b->geoKeyMatcher);
    EXPECT_EQ(a->geoTable.get_Count(), 4200);
    EXPECT_EQ(b->maxVectorWords, 12u);
    EXPECT_TRUE(b->quickMode);
    a->country.setString("DE");
    EXPECT_EQ(b->country.getSize(), 0);
}

// What one analyzer makes of a page text: its word vector and its geographic match.
std::string analyse(SiteAnalyzer& analyzer, const std::string& page) {
    StringBuffer vector;
    makeWordVector(analyzer, "windows-1252", StringBuffer(page.c_str()), vector);
    StringBuffer text(page.c_str());
    normaliseGeoText(text);
    StringBuffer value;
    lookupGeo(analyzer, text, value);
    return std::string(vector.getString()) + "|" + analyzer.geoMatched.getString() + "|" + value.getString();
}

TEST(AnalyzerPriming, AnalyzersOnManyThreadsReadTheSharedTablesAtOnce) {
    const std::vector<std::string> pages = {
        "Visit our store in New York, near the Real Estate office. Call (212) 555-0199 today.",
        "Willkommen in Berlin. Ferienwohnung am See, Ferienwohnung im Wald, Kontakt und Impressum.",
        "Los Angeles and San Francisco offices; 1200 Main St, Dallas, TX 75201. Contact us.",
    };
    std::unique_ptr<SiteAnalyzer> reference = newWorkerAnalyzer();
    std::vector<std::string> expected;
    for (const std::string& page : pages)
        expected.push_back(analyse(*reference, page));
    ASSERT_NE(expected[0].find("new_york"), std::string::npos) << expected[0];
    ASSERT_NE(expected[2].find(",TX,"), std::string::npos) << expected[2];

    constexpr int kThreads = 16;
    constexpr int kRounds = 40;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::unique_ptr<SiteAnalyzer> analyzer = newWorkerAnalyzer();
            for (int round = 0; round < kRounds; ++round) {
                size_t i = static_cast<size_t>(round + t) % pages.size();
                analyzer->resetResults();
                mismatches[static_cast<size_t>(t)] += analyse(*analyzer, pages[i]) != expected[i];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(mismatches[static_cast<size_t>(t)], 0) << "thread " << t;
}

} // namespace
