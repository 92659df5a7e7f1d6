// The registry of the twelve reference tables that steer the site analysis. The tables are
// compiled into the program (app/embedded_tables.h) as Base64 text of a ZelcoraBzip2 container;
// this registry fills that text once per run and decodes a table into the exact bytes of its file
// in data/: lines separated by CR LF, no line break after the last line, most rows ASCII, a few
// UTF-8 (the Greek and Cyrillic contact words) and a few single ISO-8859-1 / Windows-1252 bytes
// (stop words, geographic table).
//
// Priming a SiteAnalyzer decodes the tables in the enum's order and loads each into its field:
//
//   table                  SiteAnalyzer field     lines  how it is loaded
//   StopWords              stopWords (WordList)    1237  loadStopWords(text), while quickMode is
//                                                        still false
//   PlacePhrases           placePhrases             450  text lower-cased (StringBuffer's
//                                                        toLowerCase), then LoadFromText; pairs
//   AboutUrlPatterns       aboutUrlPatterns          14  LoadFromText
//   AboutLinkTexts         aboutLinkTexts            11  LoadFromText
//   ContactUrlPatterns     contactUrlPatterns        24  LoadFromText
//   ContactLinkTexts       contactLinkTexts          15  LoadFromText
//   LanguageWords          languageWords              6  LoadFromText; pairs (word, language)
//   SitemapUrlPatterns     sitemapUrlPatterns         7  LoadFromText
//   SitemapLinkTexts       sitemapLinkTexts           4  LoadFromText
//   EnterLinkTexts         enterLinkTexts             7  LoadFromText
//   LocationUrlPatterns    locationUrlPatterns       30  LoadFromText
//   GeoTable               geoTable                4200  LoadFromText; pairs (key, "city,ST,CC")
//
// then sets maxVectorWords 12, maxTitleLength 80 and quickMode true. LoadFromText (with the
// array's default flags: no trimming, duplicates kept) keeps the leading blanks of the
// geographic keys, and no table has an empty line, so entry 2k of a paired table is always a key
// and entry 2k+1 its value.
//
// Thread safety: fillReferenceTables may be called from any thread, any number of times; the
// buffers are filled exactly once and are read-only afterwards, so decoding may run concurrently.
#pragma once

class StringBuffer;

enum class ReferenceTable {
    StopWords,
    PlacePhrases,
    AboutUrlPatterns,
    AboutLinkTexts,
    ContactUrlPatterns,
    ContactLinkTexts,
    LanguageWords,
    SitemapUrlPatterns,
    SitemapLinkTexts,
    EnterLinkTexts,
    LocationUrlPatterns,
    GeoTable,
};

inline constexpr int kReferenceTableCount = 12;

// The table at position i (0 .. kReferenceTableCount-1) of the priming order.
ReferenceTable referenceTableAt(int i);
// A short lower-case name of the table ("stop words", "geographic table", ...).
const char* referenceTableName(ReferenceTable table);

// Fills the twelve global Base64 buffers; runs the filling once, later calls return at once.
void fillReferenceTables();
// The stored Base64 text of a table (filled first when needed).
const StringBuffer& referenceTableBase64(ReferenceTable table);

// Replaces `text` with the decoded bytes of a table. False, with `text` empty, when the stored
// container does not decode.
bool decodeReferenceTable(ReferenceTable table, StringBuffer& text);
// The decoding itself, for any stored text: Base64 with the library's decoder, then
// ZelcoraBzip2::Decompress. A container without the magic, or a damaged one, gives an empty
// `text` and false; an empty stored text gives an empty `text` and true.
bool decodeTableText(const StringBuffer& base64, StringBuffer& text);
