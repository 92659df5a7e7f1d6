// Page text and word vectors. The visible text of a page is the content of its XML tree's text
// elements; its word vector is a short list of its most frequent content words with their
// counts, "word,count,word,count,...", counted in a single-byte code page after copyright and
// boilerplate lines are removed and multi-word place names joined with '_'. The home page's vector
// is the last column of the result line; home and about vectors appear in the site report.
//
// The functions read the analyzer's stop words, place phrases and vector limit, which are fixed at
// priming, and keep no state of their own.
#pragma once

class ClsStringArray;
class ClsXml;
class SiteAnalyzer;
class StringBuffer;

// Replaces `out` with the visible text of an HTML page (UTF-8): the page converted to XML and
// its text gathered by treeText.
void pageText(const StringBuffer& html, StringBuffer& out);
// Replaces `out` with the visible text of a converted page's tree: the content of its text
// elements in reading order, nothing from script, style and template. Elements break words; text
// on either side of a phrasing element (b, span, a...) joins without a blank where the page had
// none, which the conversion marks with an empty text element.
void treeText(const ClsXml& tree, StringBuffer& out);
// The same texts as geography reads them: nothing from drop-down lists either, whose options (a
// contact form's list of every country, say) are choices offered and never place the site.
void geoPageText(const StringBuffer& html, StringBuffer& out);
void geoTreeText(const ClsXml& tree, StringBuffer& out);

// Replaces `out` with the word vector (UTF-8) of a page text (UTF-8) whose page was decoded from
// `charset` (null: unknown), limited to the analyzer's `maxVectorWords`.
void makeWordVector(const SiteAnalyzer& analyzer, const char* charset, const StringBuffer& text,
                    StringBuffer& out);

// Indexes the phrases the word vector removes and joins (fixed boilerplate, then the analyzer's
// place phrases) for one pass over a text, once, into the analyzer's `wordVectorPhrases`; called
// at priming, after the tables are loaded. An analyzer without it indexes them on every vector.
void prepareWordVectorPhrases(SiteAnalyzer& analyzer);

// The steps of makeWordVector that decide its outcome, for the tests.
//
// The code page a text (UTF-8) is counted in: that of `charset` when it is one of the fifteen
// accepted ISO-8859 and Windows code pages, else UTF-8 itself (UTF-8 and UTF-16 pages, the
// multi-byte code pages, or no charset).
unsigned wordVectorCodePage(const char* charset);
// Cleans a text in `codePage` (a single-byte page, or 65001 for UTF-8) for counting: repeated
// dots, underscores and hyphens squeezed, sentence ends and punctuation blanked, lower-cased by
// the page's characters, copyright signs, white space runs and the boilerplate phrases removed,
// and the place phrases of `placePhrases` (pairs) joined.
void cleanWordVectorText(const ClsStringArray& placePhrases, unsigned codePage, StringBuffer& work);
