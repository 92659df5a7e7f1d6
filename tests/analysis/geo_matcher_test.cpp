// The matcher behind lookupGeo against the plain scan of the keys in table order: the same pair
// on small tables built to catch the usual faults of multi-pattern matching, on every page of the
// shared corpus, and on generated texts made of pieces of keys.
#include "analysis/geo_key_matcher.h"
#include "analysis/geo_location.h"
#include "analysis/page_text.h"
#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "primed_analyzer.h"
#include "string_table.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(GeoKeyMatcher, SmallTables) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/geo_key_tables.tsv", 4)) {
        SCOPED_TRACE(c[0] + ": " + c[2]);
        ClsStringArray table;
        appendEntries(c[1], table);
        EXPECT_EQ(GeoKeyMatcher(table).firstMatchingPair(c[2].c_str()), std::stoi(c[3]));
        EXPECT_EQ(scanGeoKeysInOrder(table, c[2].c_str()), std::stoi(c[3]));
    }
}

TEST(GeoKeyMatcher, TableTooLargeForTheBoundGetsNoAutomaton) {
    SiteAnalyzer analyzer;
    analyzer.geoTable.LoadFromText("alpha\r\n,,XX\r\nbeta\r\n,,XX\r\n");
    auto bounded = std::make_shared<const GeoKeyMatcher>(analyzer.geoTable, 20);
    EXPECT_FALSE(bounded->isBuilt());
    EXPECT_EQ(bounded->numKeys(), 2);
    EXPECT_EQ(bounded->firstMatchingPair("beta"), -1);
    EXPECT_TRUE(GeoKeyMatcher(analyzer.geoTable, 1000).isBuilt());
    // lookupGeo then scans the table itself.
    analyzer.geoKeyMatcher = bounded;
    StringBuffer value;
    EXPECT_TRUE(lookupGeo(analyzer, StringBuffer("the beta"), value));
    EXPECT_STREQ(analyzer.geoMatched.getString(), "beta");
    EXPECT_STREQ(value.getString(), ",,XX");
    EXPECT_EQ(analyzer.geoKeyMatcher, bounded);
}

TEST(GeoKeyMatcher, BuiltOverEveryKeyOfTheShippedTable) {
    SiteAnalyzer& analyzer = primedAnalyzer();
    ASSERT_EQ(analyzer.geoTable.get_Count(), 4200);
    ASSERT_NE(analyzer.geoKeyMatcher, nullptr);
    EXPECT_EQ(analyzer.geoKeyMatcher->numKeys(), 2100);
    // Every key, alone and with its neighbours, is found where the scan finds it.
    for (int k = 0; k < 2100; ++k) {
        std::string key = analyzer.geoTable.GetString(2 * k);
        for (const std::string& text : {key, "x" + key + "y", key.substr(1), key.substr(0, key.size() - 1)}) {
            ASSERT_EQ(analyzer.geoKeyMatcher->firstMatchingPair(text.c_str()),
                      scanGeoKeysInOrder(analyzer.geoTable, text.c_str()))
                << "key " << k << " text [" << text << "]";
        }
    }
}

// Texts of up to twelve pieces of keys, blanks, digits and punctuation: many near misses and
// overlaps.
std::string generatedText(const ClsStringArray& table, std::mt19937& random) {
    const std::string filler = " ,.()-+0123456789abcdefghijklmnopqrstuvwxyz\xE4\xF1";
    std::string text;
    int pieces = 1 + static_cast<int>(random() % 12);
    for (int p = 0; p < pieces; ++p) {
        if (random() % 3 == 0) {
            text += filler[random() % filler.size()];
            continue;
        }
        std::string key = table.GetString(2 * static_cast<int>(random() % 2100));
        size_t start = random() % key.size();
        size_t length = 1 + random() % (key.size() - start);
        text += key.substr(start, length);
    }
    return text;
}

// Long texts of near misses: the keys that start with a letter, each without its last byte,
// after a blank or a z; half of them get one whole key at a random place.
std::string generatedLongText(const ClsStringArray& table, std::mt19937& random) {
    std::vector<std::string> names;
    for (int k = 0; k < 2100; ++k) {
        std::string key = table.GetString(2 * k);
        std::string name = key.substr(0, key.size() - 1);
        // Names that hold a shorter key ("chicago" of "chicago,il") are no near misses.
        if (std::isalpha(static_cast<unsigned char>(key[0])) && key.size() > 2 &&
            scanGeoKeysInOrder(table, (" " + name + " z").c_str()) < 0)
            names.push_back(name);
    }
    std::string text;
    int pieces = 100 + static_cast<int>(random() % 300);
    for (int p = 0; p < pieces; ++p) {
        text += names[random() % names.size()];
        text += random() % 2 == 0 ? ' ' : 'z';
    }
    if (random() % 2 == 0)
        text.insert(random() % text.size(), table.GetString(2 * static_cast<int>(random() % 2100)));
    return text;
}

// Short texts are scanned in one pass, long ones in pieces side by side.
TEST(GeoKeyMatcher, EqualsTheScanOnGeneratedTexts) {
    SiteAnalyzer& analyzer = primedAnalyzer();
    std::mt19937 random(20240611);
    for (bool longTexts : {false, true}) {
        int matches = 0;
        int rounds = longTexts ? 150 : 3000;
        for (int round = 0; round < rounds; ++round) {
            std::string text = longTexts ? generatedLongText(analyzer.geoTable, random)
                                         : generatedText(analyzer.geoTable, random);
            int expected = scanGeoKeysInOrder(analyzer.geoTable, text.c_str());
            matches += expected >= 0 ? 1 : 0;
            ASSERT_EQ(analyzer.geoKeyMatcher->firstMatchingPair(text.c_str()), expected)
                << "[" << text << "]";
        }
        // The generator must produce both outcomes to prove anything.
        EXPECT_GT(matches, rounds / 10) << longTexts;
        EXPECT_LT(matches, rounds - rounds / 10) << longTexts;
    }
}

// A key planted at every position of texts that match nothing else, long enough to be scanned in
// pieces: an occurrence across the cut between two pieces is still found.
TEST(GeoKeyMatcher, FindsAKeyAtEveryPositionOfALongText) {
    SiteAnalyzer& analyzer = primedAnalyzer();
    const ClsStringArray& table = analyzer.geoTable;
    std::string longest;
    for (int k = 0; k < 2100; ++k) {
        if (std::string(table.GetString(2 * k)).size() > longest.size())
            longest = table.GetString(2 * k);
    }
    for (const std::string& key : {longest, std::string(",md,")}) {
        for (size_t n : {size_t{700}, size_t{1100}}) {
            for (size_t at = 0; at + key.size() <= n; ++at) {
                std::string text(n, 'z');
                text.replace(at, key.size(), key);
                int expected = scanGeoKeysInOrder(table, text.c_str());
                ASSERT_GE(expected, 0);
                ASSERT_EQ(analyzer.geoKeyMatcher->firstMatchingPair(text.c_str()), expected)
                    << key << " at " << at << " of " << n;
            }
        }
    }
}

// Every corpus page: its text as the geo step reads it, normalised (what lookupGeo sees) and as it
// is, and its raw HTML normalised, a longer text with the markup's punctuation and digits.
TEST(GeoKeyMatcher, EqualsTheScanOnEveryCorpusPage) {
    std::vector<std::string> pages = file_test::filesIn(GEO_CORPUS_DIR "/pages");
    if (pages.empty())
        GTEST_SKIP() << "no corpus pages under " GEO_CORPUS_DIR "/pages";
    SiteAnalyzer& analyzer = primedAnalyzer();
    int compared = 0;
    int visibleMatches = 0;
    for (const auto& path : pages) {
        std::string html = file_test::readBytes(path);
        StringBuffer visible;
        geoPageText(StringBuffer(html.c_str()), visible);
        StringBuffer normalisedVisible(visible);
        normaliseGeoText(normalisedVisible);
        StringBuffer normalisedHtml(html.c_str());
        normaliseGeoText(normalisedHtml);
        const std::pair<const char*, const char*> forms[] = {{"visible text", normalisedVisible.getString()},
                                                             {"visible text as is", visible.getString()},
                                                             {"html", normalisedHtml.getString()}};
        for (const auto& [name, text] : forms) {
            int expected = scanGeoKeysInOrder(analyzer.geoTable, text);
            EXPECT_EQ(analyzer.geoKeyMatcher->firstMatchingPair(text), expected) << path << " " << name;
            if (compared++ % 3 == 0 && expected >= 0)
                ++visibleMatches;
        }
    }
    std::printf("compared %d texts of %zu corpus pages; %d visible texts match a key\n", compared,
                pages.size(), visibleMatches);
}

} // namespace
