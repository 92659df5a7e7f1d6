#include "app/analyzer_priming.h"

#include "analysis/geo_key_matcher.h"
#include "analysis/geo_location.h"
#include "analysis/page_text.h"
#include "analysis/phrase_replacer.h"
#include "analysis/site_analyzer.h"
#include "base/string_buffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Each table lands in its own field; place phrases lower-cased, stop words loaded before quick
// mode so they carry none of its extras.
TEST(AnalyzerPriming, LoadsEveryTableIntoItsFieldAndTheCrawlerSettings) {
    SiteAnalyzer analyzer;
    ASSERT_TRUE(primeAnalyzer(analyzer));
    EXPECT_EQ(analyzer.maxVectorWords, 12u);
    EXPECT_EQ(analyzer.maxTitleLength, 80u);
    EXPECT_TRUE(analyzer.quickMode);
    const std::pair<const ClsStringArray*, int> fields[] = {
        {&analyzer.placePhrases, 450},       {&analyzer.aboutUrlPatterns, 14}, {&analyzer.aboutLinkTexts, 11},
        {&analyzer.contactUrlPatterns, 24},  {&analyzer.contactLinkTexts, 15}, {&analyzer.languageWords, 6},
        {&analyzer.sitemapUrlPatterns, 7},   {&analyzer.sitemapLinkTexts, 4},  {&analyzer.enterLinkTexts, 7},
        {&analyzer.locationUrlPatterns, 30}, {&analyzer.geoTable, 4200},
    };
    for (const auto& [field, count] : fields)
        EXPECT_EQ(field->get_Count(), count);
    EXPECT_STREQ(analyzer.enterLinkTexts.GetString(0), "enter");
    EXPECT_STREQ(analyzer.languageWords.GetString(1), "German");
    EXPECT_NE(analyzer.geoKeyMatcher, nullptr);
    EXPECT_STREQ(analyzer.placePhrases.GetString(2), "new york");
    for (int i = 0; i < analyzer.placePhrases.get_Count(); ++i) {
        std::string entry = analyzer.placePhrases.GetString(i);
        EXPECT_EQ(entry.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << entry;
    }
    EXPECT_TRUE(analyzer.stopWords.containsWord("eros"));
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
    ASSERT_NE(a->geoKeyMatcher, nullptr);
    EXPECT_EQ(a->geoKeyMatcher, b->geoKeyMatcher);
    ASSERT_NE(a->wordVectorPhrases, nullptr);
    EXPECT_EQ(a->wordVectorPhrases, b->wordVectorPhrases);
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

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&, t] {
            std::unique_ptr<SiteAnalyzer> analyzer = newWorkerAnalyzer();
            for (int round = 0; round < 40; ++round) {
                size_t i = static_cast<size_t>(round + t) % pages.size();
                analyzer->resetResults();
                mismatches += analyse(*analyzer, pages[i]) != expected[i];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
