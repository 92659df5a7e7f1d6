#include "analysis/geo_location.h"

#include "analysis/page_text.h"
#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "primed_analyzer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The shared primed analyzer, its results cleared before every test.
class GeoLocationTest : public ::testing::Test {
protected:
    void SetUp() override { primedAnalyzer().resetResults(); }
    SiteAnalyzer& analyzer() { return primedAnalyzer(); }
};

// The country a domain's own name gives; a country already known stays.
TEST_F(GeoLocationTest, CountryFromDomain) {
    const char* const cases[][3] = {
        // "china" gives CN, then the generic-use name tv replaces it and is cleared.
        {"china.tv", "", ""},
        {"example.de", "", "de"},
        {"example.de", "fr", "fr"},
        {"example.com", "", ""},
        {"madeinchina.com", "", "CN"},
        {"indiatimes.com", "", "IN"},
        {"chinaindia.net", "", "CN"},
        {"india.co.uk", "", "uk"},
        {"site.co", "", ""},
        {"site.io", "", ""},
        {"localhost", "", ""},
        // An international country name (.xn--p1ai, Russia) names no country of its own.
        {"xn--e1afmkfd.xn--p1ai", "", ""},
        {"\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84", "", ""},
    };
    for (const auto& c : cases) {
        analyzer().resetResults();
        analyzer().domain.setString(c[0]);
        analyzer().country.setString(c[1]);
        countryFromDomain(analyzer());
        EXPECT_STREQ(analyzer().country.getString(), c[2]) << c[0];
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

TEST_F(GeoLocationTest, CountryFromLanguage) {
    const char* const cases[][3] = {{"German", "", "de"}, {"Portuguese", "", "pt"},
                                    {"german", "", ""},   {"Dutch", "", ""},
                                    {"", "", ""},         {"German", "at", "at"}};
    for (const auto& c : cases) {
        analyzer().resetResults();
        analyzer().language.setString(c[0]);
        analyzer().country.setString(c[1]);
        countryFromLanguage(analyzer());
        EXPECT_STREQ(analyzer().country.getString(), c[2]) << c[0];
    }
}

const char* const kFlashPage =
    "<html><body><object classid=\"clsid:d27cdb6e-ae6d-11cf-96b8-444553540000\" "
    "codebase=\"http://Download.Macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=6,0,0,0\">"
    "<param name=\"movie\" value=\"intro.swf\"><embed src=\"intro.swf\" "
    "pluginspage=\"http://www.macromedia.com/go/getflashplayer\"></object>"
    "<!-- Informationen --></body></html>";

// Only a Flash page of a site without a country, outside quick mode, is searched for a language.
TEST_F(GeoLocationTest, LanguageFallbackOnFlashPagesOutsideQuickMode) {
    analyzer().setQuickMode(false);
    EXPECT_TRUE(isFlashPage(StringBuffer(kFlashPage)));
    languageFallback(analyzer(), StringBuffer("<html>Informationen</html>"));
    EXPECT_STREQ(analyzer().language.getString(), "");
    analyzer().country.setString("at");
    languageFallback(analyzer(), StringBuffer(kFlashPage));
    EXPECT_STREQ(analyzer().language.getString(), "");
    EXPECT_STREQ(analyzer().country.getString(), "at");
    analyzer().country.clear();
    languageFallback(analyzer(), StringBuffer(kFlashPage));
    EXPECT_STREQ(analyzer().language.getString(), "German");
    EXPECT_STREQ(analyzer().country.getString(), "de");
    analyzer().resetResults();
    analyzer().setQuickMode(true);
    languageFallback(analyzer(), StringBuffer(kFlashPage));
    EXPECT_STREQ(analyzer().language.getString(), "");
    EXPECT_STREQ(analyzer().country.getString(), "");
}

// Page shapes: the country, state and city each gives, or none, and the key that matched. The
// longer keys of the earlier sections win over a bare city, and a lower-case state is upper-cased.
TEST_F(GeoLocationTest, PageShapes) {
    const struct {
        const char* text;
        const char* country;
        const char* state;
        const char* city;
        const char* matched = nullptr;
    } cases[] = {
        {"Call +44 (0)20 1234 5678", "UK", "", "", " +44 (0)"},
        {"Offices in Chicago, IL", "US", "IL", "Chicago", "chicago,il"},
        {"Offices in Chicago, IL 60601", "US", "IL", "", ",il 6"},
        {"Phone (404) 555 1234", "US", "GA", "", "(404)"},
        {"Call us: +27 21 555 1234", "ZA", "", ""},
        {"Tel. +27(0)21 555 1234", "ZA", "", ""},
        {"Our office in Charlotte", "US", "NC", "Charlotte"},
        {"Visit Pittsburgh", "US", "PA", "Pittsburgh"},
        {"Phone (229) 555-1234", "US", "GA", ""},
        {"Phone 229.555.1234", "US", "GA", ""},
        {"Phone 1.229.555.1234", "US", "GA", ""},
        {"Now only $ 229.99", "", "", ""},
        {"Release 1.229.3 is out", "", "", ""},
        {"Call (229) 555-12345", "", "", ""},
        {"Hecho en Espa\xC3\xB1"
         "a",
         "ES", "", ""},
        {"HECHO EN ESPA\xC3\x91"
         "A",
         "ES", "", ""},
        {"V\xC3\xA4lkommen!", "SE", "", ""},
        {"Cairns, AU", "AU", "", ""},
        {"Edmonton", "CA", "AB", ""},
    };
    for (const auto& c : cases) {
        analyzer().resetResults();
        StringBuffer text(c.text);
        // The label names where the text came from.
        EXPECT_EQ(geoAttempt(analyzer(), text, c.text), *c.country != '\0') << c.text;
        EXPECT_STREQ(analyzer().geoUrl.getString(), *c.country != '\0' ? c.text : "") << c.text;
        EXPECT_STREQ(analyzer().country.getString(), c.country) << c.text;
        EXPECT_STREQ(analyzer().state.getString(), c.state) << c.text;
        EXPECT_STREQ(analyzer().city.getString(), c.city) << c.text;
        if (c.matched != nullptr) {
            EXPECT_STREQ(analyzer().geoMatched.getString(), c.matched) << c.text;
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
