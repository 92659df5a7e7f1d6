#include "app/reference_tables.h"

#include "app/embedded_tables.h"
#include "base/content_coding.h"
#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "base/zelcora_bzip2.h"

#include <mutex>

namespace {

struct TableEntry {
    ReferenceTable table;
    const char* name;
    StringBuffer* base64;
    void (*fill)();
};

// In priming order, which is also the order of the enum.
const TableEntry kTables[kReferenceTableCount] = {
    {ReferenceTable::StopWords, "stop words", &g_embeddedStopWords, fillEmbeddedStopWords},
    {ReferenceTable::PlacePhrases, "place phrases", &g_embeddedPlacePhrases, fillEmbeddedPlacePhrases},
    {ReferenceTable::AboutUrlPatterns, "about URL patterns", &g_embeddedAboutUrlPatterns,
     fillEmbeddedAboutUrlPatterns},
    {ReferenceTable::AboutLinkTexts, "about link texts", &g_embeddedAboutLinkTexts,
     fillEmbeddedAboutLinkTexts},
    {ReferenceTable::ContactUrlPatterns, "contact URL patterns", &g_embeddedContactUrlPatterns,
     fillEmbeddedContactUrlPatterns},
    {ReferenceTable::ContactLinkTexts, "contact link texts", &g_embeddedContactLinkTexts,
     fillEmbeddedContactLinkTexts},
    {ReferenceTable::LanguageWords, "language words", &g_embeddedLanguageWords, fillEmbeddedLanguageWords},
    {ReferenceTable::SitemapUrlPatterns, "site-map URL patterns", &g_embeddedSitemapUrlPatterns,
     fillEmbeddedSitemapUrlPatterns},
    {ReferenceTable::SitemapLinkTexts, "site-map link texts", &g_embeddedSitemapLinkTexts,
     fillEmbeddedSitemapLinkTexts},
    {ReferenceTable::EnterLinkTexts, "enter-site link texts", &g_embeddedEnterLinkTexts,
     fillEmbeddedEnterLinkTexts},
    {ReferenceTable::LocationUrlPatterns, "location URL patterns", &g_embeddedLocationUrlPatterns,
     fillEmbeddedLocationUrlPatterns},
    {ReferenceTable::GeoTable, "geographic table", &g_embeddedGeoTable, fillEmbeddedGeoTable},
};

std::once_flag g_fillOnce;

const TableEntry& entryOf(ReferenceTable table) {
    return kTables[static_cast<int>(table)];
}

} // namespace

ReferenceTable referenceTableAt(int i) {
    return kTables[i].table;
}

const char* referenceTableName(ReferenceTable table) {
    return entryOf(table).name;
}

void fillReferenceTables() {
    std::call_once(g_fillOnce, [] {
        for (const TableEntry& entry : kTables)
            entry.fill();
    });
}

const StringBuffer& referenceTableBase64(ReferenceTable table) {
    fillReferenceTables();
    return *entryOf(table).base64;
}

bool decodeReferenceTable(ReferenceTable table, StringBuffer& text) {
    return decodeTableText(referenceTableBase64(table), text);
}

bool decodeTableText(const StringBuffer& base64, StringBuffer& text) {
    text.clear();
    // 1. Base64 to the container bytes.
    DataBuffer container;
    ContentCoding coding;
    if (!coding.decodeBase64(base64.getString(), static_cast<uint32_t>(base64.getSize()), container))
        return false;
    // 2. The container to the table's bytes; a failure leaves the table empty.
    DataBuffer bytes;
    ZelcoraBzip2 codec;
    if (!codec.Decompress(container, bytes))
        return false;
    text.appendDb(bytes);
    return true;
}
