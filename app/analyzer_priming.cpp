#include "app/analyzer_priming.h"

#include "analysis/geo_location.h"
#include "analysis/page_text.h"
#include "analysis/site_analyzer.h"
#include "app/reference_tables.h"
#include "base/string_buffer.h"

#include <cstdio>
#include <memory>

namespace {

// Where each table goes, in the order the tables are primed; null for the two loaded apart.
ClsStringArray* destination(SiteAnalyzer& a, ReferenceTable table) {
    switch (table) {
    case ReferenceTable::StopWords:
        return nullptr;
    case ReferenceTable::PlacePhrases:
        return &a.placePhrases;
    case ReferenceTable::AboutUrlPatterns:
        return &a.aboutUrlPatterns;
    case ReferenceTable::AboutLinkTexts:
        return &a.aboutLinkTexts;
    case ReferenceTable::ContactUrlPatterns:
        return &a.contactUrlPatterns;
    case ReferenceTable::ContactLinkTexts:
        return &a.contactLinkTexts;
    case ReferenceTable::LanguageWords:
        return &a.languageWords;
    case ReferenceTable::SitemapUrlPatterns:
        return &a.sitemapUrlPatterns;
    case ReferenceTable::SitemapLinkTexts:
        return &a.sitemapLinkTexts;
    case ReferenceTable::EnterLinkTexts:
        return &a.enterLinkTexts;
    case ReferenceTable::LocationUrlPatterns:
        return &a.locationUrlPatterns;
    case ReferenceTable::GeoTable:
        return &a.geoTable;
    }
    return nullptr;
}

} // namespace

bool primeAnalyzer(SiteAnalyzer& analyzer) {
    bool allDecoded = true;
    for (int i = 0; i < kReferenceTableCount; ++i) {
        ReferenceTable table = referenceTableAt(i);
        StringBuffer text;
        allDecoded = decodeReferenceTable(table, text) && allDecoded;
        if (table == ReferenceTable::StopWords) {
            // Before quick mode is on, so its extra stop words are not added.
            analyzer.loadStopWords(text.getString());
            continue;
        }
        if (table == ReferenceTable::PlacePhrases)
            text.toLowerCase();
        destination(analyzer, table)->LoadFromText(text.getString());
    }
    // The geographic matcher and the word vector's phrases are indexed once here, not on a
    // worker's first page.
    prepareGeoLookup(analyzer);
    prepareWordVectorPhrases(analyzer);
    analyzer.setMaxVectorWords(kCrawlerMaxVectorWords);
    analyzer.setMaxTitleLength(kCrawlerMaxTitleLength);
    analyzer.setQuickMode(true);
    return allDecoded;
}

std::unique_ptr<SiteAnalyzer> newWorkerAnalyzer() {
    // Primed on the first call only (a static's initialisation runs once, whatever the thread).
    static const std::unique_ptr<const SiteAnalyzer> primed = [] {
        auto analyzer = std::make_unique<SiteAnalyzer>();
        // The workers run with whatever tables did decode; the run's log says which did not.
        if (!primeAnalyzer(*analyzer))
            std::printf("Failed to decode every reference table\n");
        return analyzer;
    }();
    return SiteAnalyzer::sharingTablesOf(*primed);
}
