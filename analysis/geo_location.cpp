#include "analysis/geo_location.h"

#include "analysis/geo_key_matcher.h"
#include "analysis/links.h"
#include "analysis/site_analyzer.h"
#include "base/ascii.h"
#include "base/utf8_text.h"

#include <cstring>
#include <memory>

namespace {

// The host of the Flash player's download server, named in the codebase of the object tag and
// the pluginspage of the embed tag that the Flash authoring tools wrote into every page built on
// a Flash movie.
const char* const kFlashDownloadHost = "download.macromedia.com";

struct LanguageCountry {
    const char* language;
    const char* country;
};
const LanguageCountry kCountryByLanguage[] = {
    {"German", "de"}, {"French", "fr"}, {"Spanish", "es"}, {"Portuguese", "pt"}, {"Italian", "it"},
};

int numGeoPairs(const SiteAnalyzer& analyzer) {
    return (analyzer.geoTable.get_Count() + 1) / 2;
}

} // namespace

void countryFromDomain(SiteAnalyzer& analyzer) {
    if (analyzer.country.getSize() != 0)
        return;
    if (analyzer.domain.containsSubstring("china"))
        analyzer.country.setString("CN");
    else if (analyzer.domain.containsSubstring("india"))
        analyzer.country.setString("IN");

    const char* dot = std::strrchr(analyzer.domain.getString(), '.');
    if (dot == nullptr || std::strlen(dot + 1) != 2)
        return;
    analyzer.country.setString(dot + 1);
    analyzer.country.toLowerCase();
    if (isGenericUseTld(analyzer.country.getString()))
        analyzer.country.clear();
}

void normaliseGeoText(StringBuffer& text) {
    // Line ends are blanks to the collapse, and lowering leaves them alone. ASCII text, the
    // usual page, is lowered on the way through the collapse.
    if (text.is7bit()) {
        collapseUtf8Whitespace(text, true, kLowerAsciiTable.data());
        return;
    }
    lowerUtf8(text);
    collapseUtf8Whitespace(text, true);
}

void prepareGeoLookup(SiteAnalyzer& analyzer) {
    analyzer.geoKeyMatcher = std::make_shared<const GeoKeyMatcher>(analyzer.geoTable);
}

bool lookupGeo(SiteAnalyzer& analyzer, const StringBuffer& text, StringBuffer& outValue) {
    if (analyzer.geoKeyMatcher == nullptr || analyzer.geoKeyMatcher->numKeys() != numGeoPairs(analyzer))
        prepareGeoLookup(analyzer);
    const GeoKeyMatcher& matcher = *analyzer.geoKeyMatcher;
    int pair = matcher.isBuilt() ? matcher.firstMatchingPair(text.getString())
                                 : scanGeoKeysInOrder(analyzer.geoTable, text.getString());
    if (pair < 0)
        return false;
    analyzer.geoMatched.setString(analyzer.geoTable.GetString(2 * pair));
    // The last key of a table with an odd number of entries has no value.
    const char* value = analyzer.geoTable.GetString(2 * pair + 1);
    outValue.setString(value != nullptr ? value : "");
    return true;
}

void applyGeoValue(SiteAnalyzer& analyzer, const StringBuffer& value) {
    // A copy, since the value may be one of the fields it sets.
    StringBuffer copy(value);
    const char* city = copy.getString();
    const char* firstComma = std::strchr(city, ',');
    const char* secondComma = firstComma != nullptr ? std::strchr(firstComma + 1, ',') : nullptr;
    if (secondComma == nullptr || std::strchr(secondComma + 1, ',') != nullptr)
        return;
    analyzer.city.clear();
    analyzer.city.appendN(city, static_cast<int>(firstComma - city));
    analyzer.state.clear();
    analyzer.state.appendN(firstComma + 1, static_cast<int>(secondComma - firstComma - 1));
    analyzer.state.toUpperCase();
    analyzer.country.setString(secondComma + 1);
    analyzer.country.toUpperCase();
}

bool geoAttempt(SiteAnalyzer& analyzer, StringBuffer& text, const char* label) {
    normaliseGeoText(text);
    return geoAttemptNormalised(analyzer, text, label) == GeoFind::Applied;
}

GeoFind geoAttemptNormalised(SiteAnalyzer& analyzer, const StringBuffer& text, const char* label) {
    StringBuffer value;
    if (!lookupGeo(analyzer, text, value))
        return GeoFind::NoKey;
    if (value.getSize() == 0)
        return GeoFind::NoValue;
    analyzer.geoUrl.setString(label);
    applyGeoValue(analyzer, value);
    return GeoFind::Applied;
}

bool isFlashPage(const StringBuffer& html) {
    return html.containsSubstringNoCase(kFlashDownloadHost);
}

void languageFromText(SiteAnalyzer& analyzer, const StringBuffer& text) {
    const ClsStringArray& words = analyzer.languageWords;
    for (int k = 0; 2 * k < words.get_Count() && analyzer.language.getSize() == 0; ++k) {
        if (text.containsSubstringNoCase(words.GetString(2 * k))) {
            const char* language = words.GetString(2 * k + 1);
            analyzer.language.setString(language != nullptr ? language : "");
        }
    }
}

void countryFromLanguage(SiteAnalyzer& analyzer) {
    if (analyzer.country.getSize() != 0)
        return;
    for (const LanguageCountry& entry : kCountryByLanguage) {
        if (analyzer.language.equals(entry.language)) {
            analyzer.country.setString(entry.country);
            return;
        }
    }
}

void languageFallback(SiteAnalyzer& analyzer, const StringBuffer& html) {
    if (analyzer.quickMode || analyzer.country.getSize() != 0 || !isFlashPage(html))
        return;
    languageFromText(analyzer, html);
    countryFromLanguage(analyzer);
}
