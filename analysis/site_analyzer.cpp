#include "analysis/site_analyzer.h"

#include "analysis/html_help.h"

#include <string>
#include <utility>

namespace {

// The words added to the stop words when quick mode is already on as they are loaded.
const char* const kQuickModeStopWords = " will well llc copyright inc reserved rights down";
// Meta description and keywords are kept to about this many bytes.
constexpr uint32_t kMaxMetaLength = 200;

} // namespace

SiteAnalyzer::SiteAnalyzer() : SiteAnalyzer(std::make_shared<AnalyzerTables>()) {}

SiteAnalyzer::SiteAnalyzer(std::shared_ptr<AnalyzerTables> tables)
    : m_tables(std::move(tables)), stopWords(m_tables->stopWords), placePhrases(m_tables->placePhrases),
      sitemapUrlPatterns(m_tables->sitemapUrlPatterns), sitemapLinkTexts(m_tables->sitemapLinkTexts),
      contactUrlPatterns(m_tables->contactUrlPatterns), contactLinkTexts(m_tables->contactLinkTexts),
      aboutLinkTexts(m_tables->aboutLinkTexts), aboutUrlPatterns(m_tables->aboutUrlPatterns),
      geoTable(m_tables->geoTable), languageWords(m_tables->languageWords),
      enterLinkTexts(m_tables->enterLinkTexts), locationUrlPatterns(m_tables->locationUrlPatterns) {
    emails.put_Unique(true);
}

std::unique_ptr<SiteAnalyzer> SiteAnalyzer::sharingTablesOf(const SiteAnalyzer& primed) {
    std::unique_ptr<SiteAnalyzer> analyzer(new SiteAnalyzer(primed.m_tables));
    analyzer->maxVectorWords = primed.maxVectorWords;
    analyzer->maxTitleLength = primed.maxTitleLength;
    analyzer->quickMode = primed.quickMode;
    analyzer->geoKeyMatcher = primed.geoKeyMatcher;
    analyzer->wordVectorPhrases = primed.wordVectorPhrases;
    return analyzer;
}

void SiteAnalyzer::resetResults() {
    for (StringBuffer* field :
         {&domain, &country, &language, &state, &city, &contactUrl, &sitemapUrl, &aboutUrl, &englishUrl,
          &geoMatched, &geoUrl, &siteTitle, &metaDescription, &metaKeywords, &charset, &homeWordVector,
          &aboutWordVector, &googleId, &home2Url})
        field->clear();
    emails.Clear();
    troubleParsingGoogle = 0;
    numAdUnits = 0;
    numSearchUnits = 0;
    numLinkUnits = 0;
    for (int i = 0; i < kNumUnitFormats; ++i) {
        adFormats[i].clear();
        linkFormats[i].clear();
    }
}

void SiteAnalyzer::loadStopWords(const char* tableText) {
    StringBuffer text(tableText == nullptr ? "" : tableText);
    if (quickMode)
        text.append(kQuickModeStopWords);
    stopWords.addWords(text.getString(), nullptr, 1);
    StringBuffer plurals;
    for (int i = 0; i < stopWords.getNumWords(); ++i) {
        int count = 0;
        StringBuffer word(stopWords.getWord(i, count));
        word.pluralize();
        plurals.appendSb(word);
        plurals.appendChar(' ');
    }
    stopWords.addWords(plurals.getString(), nullptr, 1);
}

void cutAtWord(StringBuffer& text, uint32_t maxLength) {
    if (static_cast<uint32_t>(text.getSize()) <= maxLength)
        return;
    const char* t = text.getString();
    // A limit below 10 leaves no room to look back for a blank: the cut is at the limit.
    for (int i = static_cast<int>(maxLength) - 10; maxLength >= 10 && i < text.getSize(); ++i) {
        if (t[i] == ' ') {
            text.shorten(text.getSize() - i);
            return;
        }
    }
    int cut = static_cast<int>(maxLength);
    // Never leave half a character behind.
    while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80)
        --cut;
    text.shorten(text.getSize() - cut);
}

void SiteAnalyzer::extractHeadFields(const char* html) {
    StringBuffer title;
    HtmlHelp::getTitle(html, title);
    title.replaceChar('|', ' ');
    collapseUtf8Whitespace(title);
    cutAtWord(title, maxTitleLength);
    if (title.getSize() > 0 && siteTitle.getSize() == 0)
        siteTitle.setSb(title);

    if (quickMode)
        return;
    StringBuffer keywords;
    StringBuffer description;
    HtmlHelp::getMetaKeywords(html, keywords);
    HtmlHelp::getMetaDescription(html, description);
    keywords.replaceChar(',', ' ');
    keywords.replaceChar(';', ' ');
    collapseUtf8Whitespace(keywords);
    collapseUtf8Whitespace(description);
    cutAtWord(keywords, kMaxMetaLength);
    cutAtWord(description, kMaxMetaLength);
    metaDescription.setSb(description);
    metaKeywords.setSb(keywords);
}
