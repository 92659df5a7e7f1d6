// SiteAnalyzer: the per-worker record the crawl of one site and every detector read and write:
// the reference tables it is primed with, the three settings that steer the crawl, and the
// result fields of the site being analysed. Each worker owns one, primed before the workers
// start and reused for one domain after another; resetResults clears the results between sites.
//
// The tables (and the geographic matcher over them) are large and the same for every worker, so
// the workers' analyzers share one copy, filled before they start and only read afterwards; the
// results and settings are each analyzer's own.
#pragma once

#include "analysis/word_list.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "base/utf8_text.h"

#include <cstdint>
#include <memory>

class GeoKeyMatcher;
class PhraseReplacer;

// The reference tables an analyzer reads; see SiteAnalyzer for who fills and who reads them.
struct AnalyzerTables {
    WordList stopWords;
    ClsStringArray placePhrases;
    ClsStringArray sitemapUrlPatterns;
    ClsStringArray sitemapLinkTexts;
    ClsStringArray contactUrlPatterns;
    ClsStringArray contactLinkTexts;
    ClsStringArray aboutLinkTexts;
    ClsStringArray aboutUrlPatterns;
    ClsStringArray geoTable;
    ClsStringArray languageWords;
    ClsStringArray enterLinkTexts;
    ClsStringArray locationUrlPatterns;
};

class SiteAnalyzer {
    // Declared first: the table fields below refer into it.
    std::shared_ptr<AnalyzerTables> m_tables;

public:
    static constexpr int kNumUnitFormats = 6;

    // An analyzer with empty tables of its own.
    SiteAnalyzer();
    // A new analyzer that reads the tables, matcher and settings of `primed`, which no one
    // changes any more; its results are its own.
    static std::unique_ptr<SiteAnalyzer> sharingTablesOf(const SiteAnalyzer& primed);
    virtual ~SiteAnalyzer() = default;
    SiteAnalyzer(const SiteAnalyzer&) = delete;
    SiteAnalyzer& operator=(const SiteAnalyzer&) = delete;

    void setMaxVectorWords(uint32_t n) { maxVectorWords = n; }
    void setMaxTitleLength(uint32_t n) { maxTitleLength = n; }
    void setQuickMode(bool on) { quickMode = on; }

    // Clears the result fields; the tables, the stop words and the settings are kept.
    void resetResults();
    // Fills the stop words from the stop-word table, with the English plural of every word.
    void loadStopWords(const char* tableText);
    // The head fields of one analysed page from its raw HTML: the site's title (the first page
    // with one names the site) and, outside quick mode, its description and keywords.
    void extractHeadFields(const char* html);

    // Whether a link's href (lower-cased, as written in the page) matches an entry of the
    // contact, about or site-map URL patterns.
    bool isContactUrl(const StringBuffer& href) const;
    bool isAboutUrl(const StringBuffer& href) const;
    bool isSitemapUrl(const StringBuffer& href) const;
    // Sets `country` from the first address whose top-level name is a two-letter country name
    // (the generic-use names excepted).
    void countryFromEmails(const ClsStringArray& addresses);

    WordList& stopWords;
    uint32_t maxVectorWords = 50;
    uint32_t maxTitleLength = 200;
    bool quickMode = false;
    ClsStringArray& placePhrases;
    ClsStringArray& sitemapUrlPatterns;
    ClsStringArray& sitemapLinkTexts;
    ClsStringArray& contactUrlPatterns;
    ClsStringArray& contactLinkTexts;
    ClsStringArray& aboutLinkTexts;
    ClsStringArray& aboutUrlPatterns;
    ClsStringArray& geoTable;
    ClsStringArray& languageWords;
    ClsStringArray& enterLinkTexts;
    ClsStringArray& locationUrlPatterns;
    StringBuffer domain;
    StringBuffer country;
    StringBuffer language;
    StringBuffer state;
    StringBuffer city;
    StringBuffer contactUrl;
    StringBuffer sitemapUrl;
    StringBuffer aboutUrl;
    StringBuffer englishUrl;
    StringBuffer geoMatched;
    StringBuffer geoUrl;
    ClsStringArray emails;
    StringBuffer siteTitle;
    StringBuffer metaDescription;
    StringBuffer metaKeywords;
    StringBuffer charset;
    StringBuffer homeWordVector;
    StringBuffer aboutWordVector;
    int32_t troubleParsingGoogle = 0;
    int32_t numAdUnits = 0;
    int32_t numSearchUnits = 0;
    int32_t numLinkUnits = 0;
    StringBuffer googleId;
    StringBuffer adFormats[kNumUnitFormats];
    StringBuffer linkFormats[kNumUnitFormats];
    StringBuffer home2Url;
    // The matcher over the keys of `geoTable` behind lookupGeo, built once the table is loaded
    // (prepareGeoLookup, geo_location.h) and read-only afterwards; not a result, so resetResults
    // keeps it.
    std::shared_ptr<const GeoKeyMatcher> geoKeyMatcher;
    // The same for the phrases the word vector removes and joins (prepareWordVectorPhrases,
    // page_text.h).
    std::shared_ptr<const PhraseReplacer> wordVectorPhrases;

private:
    explicit SiteAnalyzer(std::shared_ptr<AnalyzerTables> tables);
};

// Cuts text longer than `maxLength` bytes before the first blank at or after `maxLength` - 10,
// or at `maxLength` bytes (moved back to the start of a UTF-8 character) when there is none or
// when `maxLength` is below 10.
void cutAtWord(StringBuffer& text, uint32_t maxLength);
