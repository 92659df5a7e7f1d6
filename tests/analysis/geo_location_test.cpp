#include "analysis/geo_location.h"

#include "analysis/page_text.h"
#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "primed_analyzer.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The shared primed analyzer, its results cleared before every test.
class GeoLocationTest : public ::testing::Test {
protected:
    void SetUp() override { primedAnalyzer().resetResults(); }
    SiteAnalyzer& analyzer() { return primedAnalyzer(); }
};

// The country a domain's own name or the site's language gives; a country already known stays.
TEST_F(GeoLocationTest, CountryFromDomainAndFromLanguage) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/geo_country.tsv", 4)) {
        analyzer().resetResults();
        analyzer().country.setString(c[2].c_str());
        if (c[0] == "domain") {
            analyzer().domain.setString(c[1].c_str());
            countryFromDomain(analyzer());
        } else {
            analyzer().language.setString(c[1].c_str());
            countryFromLanguage(analyzer());
        }
        EXPECT_EQ(analyzer().country.getString(), c[3]) << c[0] << " " << c[1];
    }
}

TEST(NormaliseGeoText, FoldsCaseWhiteSpaceAndCommaBlanks) {
    StringBuffer text("Offices in\r\nChicago,   IL\t\xC2\xA0 60601 \xC3\x89SPA\xC3\x91"
                      "A \xC3\xA0");
    normaliseGeoText(text);
    EXPECT_STREQ(text.getString(), "offices in chicago,il 60601 \xC3\xA9spa\xC3\xB1"
                                   "a \xC3\xA0");
    StringBuffer commas("A ,  B, C");
    normaliseGeoText(commas);
    EXPECT_STREQ(commas.getString(), "a ,b,c");
}

TEST_F(GeoLocationTest, NoMatchChangesNothing) {
    analyzer().country.setString("de");
    StringBuffer text("Nothing here names a place.");
    EXPECT_FALSE(geoAttempt(analyzer(), text, "HOME PAGE"));
    EXPECT_STREQ(analyzer().country.getString(), "de");
    EXPECT_STREQ(analyzer().geoMatched.getString(), "");
    EXPECT_STREQ(analyzer().geoUrl.getString(), "");
    StringBuffer value("kept");
    EXPECT_FALSE(lookupGeo(analyzer(), StringBuffer("nothing"), value));
    EXPECT_STREQ(value.getString(), "kept");
}

// A section title is a key like any other.
TEST_F(GeoLocationTest, SectionTitleLineMatchesAndClearsTheFields) {
    analyzer().country.setString("de");
    analyzer().state.setString("BY");
    analyzer().city.setString("Munich");
    StringBuffer text("notes //////////////////////////////// country-code telephone numbers. +44 (0)");
    StringBuffer value;
    ASSERT_TRUE(lookupGeo(analyzer(), text, value));
    EXPECT_STREQ(analyzer().geoMatched.getString(),
                 "//////////////////////////////// country-code telephone numbers.");
    EXPECT_STREQ(value.getString(), ",,");
    analyzer().geoUrl.setString("http://example.com/contact.html");
    applyGeoValue(analyzer(), value);
    EXPECT_STREQ(analyzer().country.getString(), "");
    EXPECT_STREQ(analyzer().state.getString(), "");
    EXPECT_STREQ(analyzer().city.getString(), "");
}

// A value of other than three parts is ignored; the value may be one of the fields it sets.
TEST(ApplyGeoValue, NeedsExactlyThreeParts) {
    SiteAnalyzer analyzer;
    applyGeoValue(analyzer, StringBuffer(",ga,US"));
    for (const char* ignored : {"", "a,b", "a,b,c,d", "UK"}) {
        applyGeoValue(analyzer, StringBuffer(ignored));
        EXPECT_STREQ(analyzer.state.getString(), "GA") << ignored;
        EXPECT_STREQ(analyzer.country.getString(), "US") << ignored;
    }
    analyzer.city.setString("San Diego,ca,\xe9s");
    applyGeoValue(analyzer, analyzer.city);
    EXPECT_STREQ(analyzer.city.getString(), "San Diego");
    EXPECT_STREQ(analyzer.state.getString(), "CA");
    EXPECT_STREQ(analyzer.country.getString(), "\xC9S");
}

TEST(LookupGeo, ReplacedTableIsMatchedAfterPreparing) {
    SiteAnalyzer analyzer;
    analyzer.geoTable.LoadFromText("alpha\r\nA,,AA\r\n");
    StringBuffer value;
    EXPECT_TRUE(lookupGeo(analyzer, StringBuffer("alpha"), value));
    analyzer.geoTable.Clear();
    analyzer.geoTable.LoadFromText("beta\r\nB,,BB\r\n");
    prepareGeoLookup(analyzer);
    EXPECT_FALSE(lookupGeo(analyzer, StringBuffer("alpha"), value));
    EXPECT_TRUE(lookupGeo(analyzer, StringBuffer("beta"), value));
    EXPECT_STREQ(value.getString(), "B,,BB");
    EXPECT_STREQ(analyzer.geoMatched.getString(), "beta");
}

TEST_F(GeoLocationTest, LanguageWordsInTableOrder) {
    languageFromText(analyzer(), StringBuffer("fabricacion ... DEUTSCHLAND"));
    EXPECT_STREQ(analyzer().language.getString(), "German");
    analyzer().language.clear();
    languageFromText(analyzer(), StringBuffer("Fabricacion"));
    EXPECT_STREQ(analyzer().language.getString(), "Spanish");
    languageFromText(analyzer(), StringBuffer("informationen"));
    EXPECT_STREQ(analyzer().language.getString(), "Spanish");
}

// Only a Flash page of a site without a country, outside quick mode, is searched for a language.
TEST_F(GeoLocationTest, LanguageFallbackOnFlashPagesOutsideQuickMode) {
    const std::string flashHtml = file_test::readBytes(ANALYSIS_TEST_DATA_DIR "/flash_page.html");
    const StringBuffer flashPage(flashHtml.c_str());
    analyzer().setQuickMode(false);
    EXPECT_TRUE(isFlashPage(flashPage));
    languageFallback(analyzer(), StringBuffer("<html>Informationen</html>"));
    EXPECT_STREQ(analyzer().language.getString(), "");
    analyzer().country.setString("at");
    languageFallback(analyzer(), flashPage);
    EXPECT_STREQ(analyzer().language.getString(), "");
    EXPECT_STREQ(analyzer().country.getString(), "at");
    analyzer().country.clear();
    languageFallback(analyzer(), flashPage);
    EXPECT_STREQ(analyzer().language.getString(), "German");
    EXPECT_STREQ(analyzer().country.getString(), "de");
    analyzer().resetResults();
    analyzer().setQuickMode(true);
    languageFallback(analyzer(), flashPage);
    EXPECT_STREQ(analyzer().language.getString(), "");
    EXPECT_STREQ(analyzer().country.getString(), "");
}

TEST_F(GeoLocationTest, PageShapes) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/geo_page_shapes.tsv", 5)) {
        analyzer().resetResults();
        StringBuffer text(c[0].c_str());
        // The label names where the text came from.
        EXPECT_EQ(geoAttempt(analyzer(), text, c[0].c_str()), !c[1].empty()) << c[0];
        EXPECT_EQ(analyzer().geoUrl.getString(), c[1].empty() ? "" : c[0]) << c[0];
        EXPECT_EQ(analyzer().country.getString(), c[1]) << c[0];
        EXPECT_EQ(analyzer().state.getString(), c[2]) << c[0];
        EXPECT_EQ(analyzer().city.getString(), c[3]) << c[0];
        if (!c[4].empty()) {
            EXPECT_EQ(analyzer().geoMatched.getString(), c[4]) << c[0];
        }
    }
}

// Every key of the shipped table is written as normalised text shows it, or it could never match.
TEST_F(GeoLocationTest, EveryKeyIsInNormalisedForm) {
    const ClsStringArray& table = analyzer().geoTable;
    for (int k = 0; 2 * k < table.get_Count(); ++k) {
        // Between letters, so that the trimming of the ends leaves a key's blanks alone.
        std::string framed = std::string("x") + table.GetString(2 * k) + "x";
        StringBuffer normalised(framed.c_str());
        normaliseGeoText(normalised);
        EXPECT_EQ(normalised.getString(), framed) << "line " << 2 * k + 1;
    }
}

// A contact form's drop-down of countries places nothing; the words still count for the page.
TEST_F(GeoLocationTest, DropDownOptionsAreNotReadForGeography) {
    StringBuffer html(
        "<html><body><form><label>Country</label><select name=\"c\"><option>American Samoa"
        "</option><optgroup label=\"x\"><option selected>Georgia</option></optgroup></select></form>"
        "<p>Acme Ltd, Bristol</p></body></html>");
    StringBuffer text;
    geoPageText(html, text);
    EXPECT_STREQ(text.getString(), "Country Acme Ltd, Bristol");
    EXPECT_FALSE(geoAttempt(analyzer(), text, "HOME PAGE"));
    pageText(html, text);
    EXPECT_NE(std::string(text.getString()).find("American Samoa"), std::string::npos);
}

} // namespace
