// Where a site is based: the sources of its country, state and city that the crawl of a site
// consults while `country` is still empty. The domain name itself; the visible text of its pages,
// matched against the geographic pattern table (`geoTable`, pairs of key and "City,ST,CC" value,
// the first pair in table order whose key occurs winning); and, for pages built on a Flash movie,
// a language guessed from a small word table (`languageWords`) and mapped to a country.
//
// Every function works on the analyzer it is given, which belongs to one worker thread. The
// matcher behind lookupGeo is built once per analyzer (prepareGeoLookup, at priming) and kept in
// its `geoKeyMatcher`.
#pragma once

class SiteAnalyzer;
class StringBuffer;

// Only while `country` is empty: "CN" when `domain` contains "china", else "IN" when it contains
// "india"; then a two-letter top-level name replaces that, lower-cased, and is cleared again (with
// whatever came before) when it is one of the names sold for general use ("tv", "ws", ...).
void countryFromDomain(SiteAnalyzer& analyzer);

// Prepares page text (UTF-8) for matching, in place: CR and LF become blanks; lower-cased by
// characters, so "España" reads "españa"; white space collapsed (TAB and the no-break space become
// blanks, runs of blanks become one, the ends are trimmed); every ", " becomes "," so that
// "Chicago, IL" reads "chicago,il". The table's keys are written in this form.
void normaliseGeoText(StringBuffer& text);

// Builds the analyzer's matcher over the keys of its `geoTable`, replacing any earlier one. Run
// once the table is loaded, and again whenever the table is replaced.
void prepareGeoLookup(SiteAnalyzer& analyzer);

// The first pair in table order whose key is a (case-sensitive, bytewise) substring of `text`:
// true, `geoMatched` := the key and `outValue` := its value. False, with both unchanged, when no
// key occurs or the table is empty. Builds the matcher first when the analyzer has none for a
// table of this size; a table too large for a matcher is scanned key by key.
bool lookupGeo(SiteAnalyzer& analyzer, const StringBuffer& text, StringBuffer& outValue);

// Sets `city`, `state` and `country` from a "City,ST,CC" value, state and country upper-cased
// (ASCII letters, and the bytes 0xE0 to 0xFF); empty parts clear their field. A value that does
// not split into exactly three parts at its commas changes nothing.
void applyGeoValue(SiteAnalyzer& analyzer, const StringBuffer& value);

// One geographic attempt on a page's text: normalises `text` in place and looks it up; on a match
// with a non-empty value, `geoUrl` := `label` ("HOME PAGE" or the page's URL) and the value is
// applied. True when a value was applied.
bool geoAttempt(SiteAnalyzer& analyzer, StringBuffer& text, const char* label);
// The same for a text normaliseGeoText has already made ready, telling a text that matches no
// key (which changes nothing) from a key without a value and a value applied.
enum class GeoFind { NoKey, NoValue, Applied };
GeoFind geoAttemptNormalised(SiteAnalyzer& analyzer, const StringBuffer& text, const char* label);

// Whether raw HTML names the Flash player's download server (ASCII case ignored), which marks a
// page built on a Flash movie whose words are not in its text.
bool isFlashPage(const StringBuffer& html);

// Only while `language` is empty: the language of the first word of `languageWords`, in table
// order, that occurs in `text` (ASCII case ignored).
void languageFromText(SiteAnalyzer& analyzer, const StringBuffer& text);

// Only while `country` is empty: the country of `language` ("German" "de", "French" "fr",
// "Spanish" "es", "Portuguese" "pt", "Italian" "it"); any other language sets nothing.
void countryFromLanguage(SiteAnalyzer& analyzer);

// The language fallback of one crawl cycle, outside quick mode: when `country` is still empty and
// the cycle's raw HTML is a Flash page, languageFromText on the HTML, then countryFromLanguage.
void languageFallback(SiteAnalyzer& analyzer, const StringBuffer& html);
