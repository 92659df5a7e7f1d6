#include "analysis/page_text.h"

#include "analysis/html_help.h"
#include "analysis/phrase_replacer.h"
#include "analysis/site_analyzer.h"
#include "analysis/word_list.h"
#include "base/ascii.h"
#include "base/cls_string_array.h"
#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "base/utf8_text.h"
#include "charset/code_page_names.h"
#include "charset/encoding_convert.h"
#include "markup/cls_xml.h"
#include "markup/tree_node.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

constexpr unsigned kUtf8 = 65001;
constexpr unsigned kUtf16 = 1200;

// The single-byte code pages words are counted in: ISO-8859-1, -2, -3, -4, -5, -7, -9, -15 and the
// Windows code pages of the same scripts.
const unsigned kCountingCodePages[] = {28591, 28592, 28593, 28594, 28595, 28597, 28599, 28605,
                                       1250,  1251,  1252,  1253,  1254,  1257,  1258};

// Blanked before counting: markup and punctuation, with the guillemets 0xAB and 0xBB of ISO-8859-1.
constexpr char kPunctuation[20] = {'<', '>', '[',    ']', '=', '$', '?', '"', '\'', ',',
                                   ':', '/', '\xAB', ';', '%', '(', ')', '&', '#',  '\xBB'};

// The same signs as UTF-8 characters, for text counted in UTF-8.
constexpr const char* kUtf8Copyright = "\xC2\xA9";
constexpr const char* kUtf8CopyrightLine = "\xC2\xA9 copyright";
constexpr const char* kUtf8Registered = "\xC2\xAE";
constexpr const char* kUtf8RightQuote = "\xE2\x80\x99";
constexpr const char* kUtf8LeftGuillemet = "\xC2\xAB";
constexpr const char* kUtf8RightGuillemet = "\xC2\xBB";

// Copyright and "best viewed" lines, removed in this order.
const char* const kBoilerplatePhrases[] = {
    "copyrights are reserved",
    "is best viewed",
    "this website is",
    "developed by ",
    "site best viewed",
    "all rights reserved",
    "copyright 2",
    "copyright 1",
    "copyrights 2",
    "copyrights 1",
    "contents of this site",
    "may be reproduced",
    "may be republished",
    "reproduced or republished",
    "express written consent",
    "express written permission",
    "privacy policy",
};

bool isCountingCodePage(unsigned codePage) {
    for (unsigned accepted : kCountingCodePages) {
        if (codePage == accepted)
            return true;
    }
    return false;
}

// Replaces `text` with `bytes` up to the first 0 byte.
void setUpToNul(StringBuffer& text, const DataBuffer& bytes) {
    const unsigned char* p = bytes.getData();
    uint32_t size = bytes.getSize();
    const void* nul = size != 0 ? std::memchr(p, 0, size) : nullptr;
    if (nul != nullptr)
        size = static_cast<uint32_t>(static_cast<const unsigned char*>(nul) - p);
    text.clear();
    text.appendN(p, static_cast<int>(size));
}

// Replaces `text` with its conversion from one single-byte or UTF-8 code page to another;
// characters that do not convert are dropped. True when every character converted.
bool convertText(unsigned from, unsigned to, StringBuffer& text) {
    if (from == to)
        return true;
    EncodingConvert convert;
    DataBuffer out;
    const char* in = text.getString();
    bool ok = convert.Convert(from, to, reinterpret_cast<const unsigned char*>(in),
                              static_cast<unsigned>(std::strlen(in)), out);
    setUpToNul(text, out);
    return ok;
}

// UTF-8 to UTF-16 and back, which drops whatever is not well-formed UTF-8.
void roundTripUtf16(StringBuffer& text) {
    EncodingConvert convert;
    DataBuffer wide;
    const char* in = text.getString();
    convert.Convert(kUtf8, kUtf16, reinterpret_cast<const unsigned char*>(in),
                    static_cast<unsigned>(std::strlen(in)), wide);
    DataBuffer narrow;
    convert.Convert(kUtf16, kUtf8, wide.getData(), wide.getSize(), narrow);
    setUpToNul(text, narrow);
}

// Whether UTF-8 text holds a guillemet, a copyright or registered sign or a right single quote.
bool holdsUtf8Sign(const StringBuffer& text) {
    for (const char* sign :
         {kUtf8LeftGuillemet, kUtf8RightGuillemet, kUtf8Copyright, kUtf8Registered, kUtf8RightQuote}) {
        if (text.containsSubstring(sign))
            return true;
    }
    return false;
}

// Replaces every `pair` by `single` until none is left. Each pass at least halves every run, so
// there are never more passes than bytes.
void squeezeRuns(StringBuffer& text, const char* pair, const char* single) {
    for (int passes = text.getSize(); passes >= 0 && text.replaceAll(pair, single) > 0; --passes) {
    }
}

// The text of a tree; with `skipLists`, nothing from drop-down lists either.
void gatherText(const ClsXml& tree, StringBuffer& out, bool skipLists) {
    out.clear();
    const TreeNode* top = tree.getNode();
    if (top == nullptr)
        return;
    // Every element, and every comment, breaks words, but an empty text element joins the text
    // on either side: the conversion puts one where a phrasing element or a comment stood
    // between two pieces of text without a blank.
    bool wordBreak = false;
    // A walk in document order through the links of the tree, so a deep page needs no stack.
    const TreeNode* node = top;
    while (node != nullptr) {
        const TreeNode* next = nullptr;
        if (!node->tagEquals("text")) {
            wordBreak = true;
            bool hidden = node->tagEquals("script") || node->tagEquals("style") ||
                          node->tagEquals("template") || (skipLists && node->tagEquals("select"));
            if (!hidden)
                next = node->firstChild();
        } else if (!node->hasContent()) {
            wordBreak = false;
        } else {
            if (wordBreak && out.getSize() > 0)
                out.appendChar(' ');
            out.append(node->getContent());
            wordBreak = false;
        }
        while (next == nullptr && node != top) {
            next = node->nextSibling();
            if (next == nullptr) {
                node = node->getParent();
                wordBreak = true;
            }
        }
        node = next;
    }
}

} // namespace

void pageText(const StringBuffer& html, StringBuffer& out) {
    PageTree page(html);
    treeText(page.tree(), out);
}

void treeText(const ClsXml& tree, StringBuffer& out) {
    gatherText(tree, out, false);
}

void geoPageText(const StringBuffer& html, StringBuffer& out) {
    PageTree page(html);
    geoTreeText(page.tree(), out);
}

void geoTreeText(const ClsXml& tree, StringBuffer& out) {
    gatherText(tree, out, true);
}

unsigned wordVectorCodePage(const char* charset) {
    unsigned codePage = charset != nullptr ? CodePageFromName(charset) : 0;
    return isCountingCodePage(codePage) ? codePage : kUtf8;
}

namespace {

// The length of "https" or "http" when the text written from `first` to `w` ends with it, else 0.
size_t writtenScheme(const char* first, const char* w) {
    for (std::string_view scheme : {"https", "http"}) {
        if (static_cast<size_t>(w - first) >= scheme.size() &&
            std::memcmp(w - scheme.size(), scheme.data(), scheme.size()) == 0)
            return scheme.size();
    }
    return 0;
}

// What each byte is to the one-pass cleaning below, and the byte it is written as.
enum : unsigned char { kCopy, kBlank, kRun, kColon, kLead, kSign, kEnd };
struct ByteRule {
    unsigned char kind;
    unsigned char out;
};
using ByteRules = std::array<ByteRule, 256>;

// The rules for text lowered byte by byte through `lowered`: what the lowered byte is decides
// whether it is a blank (white space or punctuation) or a sign. In UTF-8 the no-break space and
// the signs are characters of two bytes or more, and only ASCII punctuation is blanked.
constexpr ByteRules makeByteRules(const std::array<unsigned char, 256>& lowered, bool utf8) {
    ByteRules rules{};
    std::array<bool, 256> blank{};
    for (char c : {' ', '\t', '\r', '\n', '!', '|'})
        blank[static_cast<unsigned char>(c)] = true;
    for (char c : kPunctuation)
        blank[static_cast<unsigned char>(c)] = !utf8 || static_cast<unsigned char>(c) < 0x80;
    if (!utf8)
        blank[0xA0] = true;
    for (size_t c = 0; c < rules.size(); ++c) {
        unsigned char out = lowered[c];
        bool sign = !utf8 && (out == 0xA9 || out == 0xAE || out == 0x92);
        rules[c] = {blank[out] ? kBlank : sign ? kSign : kCopy, out};
    }
    for (char c : {'.', '_', '-'})
        rules[static_cast<unsigned char>(c)].kind = kRun;
    rules[':'].kind = kColon;
    if (utf8)
        rules[0xC2].kind = kLead;
    rules[0].kind = kEnd;
    return rules;
}

// Steps 1 to 7 of the cleaning below in one pass: runs of dots, underscores and hyphens squeezed,
// a dot before a blank dropped, the text lowered through `rules`, the schemes "http:" and "https:"
// blanked, punctuation blanked and white space runs made one blank, trimmed from the ends in
// UTF-8 (`trimEnds`) and kept there in a single-byte page. False, with the text as it was, for
// text holding a sign of step 6 or a NUL byte before its end, which take the steps one by one.
bool cleanInOnePass(StringBuffer& work, const ByteRules& rules, bool trimEnds) {
    // The buffer's terminator ends every scan. The text never grows: a blank is written only for
    // blanks read.
    const auto* p = reinterpret_cast<const unsigned char*>(work.getString());
    const unsigned char* end = p + work.getSize();
    std::unique_ptr<char[]> out(new char[static_cast<size_t>(end - p) + 1]);
    char* const first = out.get();
    char* w = first;
    bool pendingBlank = false;
    for (;;) {
        ByteRule rule = rules[*p];
        switch (rule.kind) {
        case kBlank:
            pendingBlank = !trimEnds || w != first;
            ++p;
            continue;
        case kLead:
            if (p[1] == 0xA0) {
                pendingBlank = !trimEnds || w != first;
                p += 2;
                continue;
            }
            break;
        case kRun: {
            unsigned char c = *p;
            while (*++p == c) {
            }
            // A sentence end: the dot goes, the blank after it is read next.
            if (c == '.' && isBlank(static_cast<char>(*p)))
                continue;
            --p;
            break;
        }
        case kColon:
            // A written-out scheme goes with its colon; the colon itself is punctuation.
            if (size_t scheme = pendingBlank ? 0 : writtenScheme(first, w); scheme != 0) {
                w -= scheme;
                // The blank written before the scheme now starts a run again.
                if (w != first && w[-1] == ' ')
                    --w;
            }
            pendingBlank = !trimEnds || w != first;
            ++p;
            continue;
        case kSign:
            return false;
        case kEnd:
            if (p != end)
                return false;
            break;
        }
        if (rule.kind == kEnd)
            break;
        if (pendingBlank)
            *w++ = ' ';
        pendingBlank = false;
        *w++ = static_cast<char>(rules[*p].out);
        ++p;
        while ((rule = rules[*p]).kind == kCopy) {
            *w++ = static_cast<char>(rule.out);
            ++p;
        }
    }
    if (pendingBlank && !trimEnds)
        *w++ = ' ';
    work.clear();
    work.appendN(first, static_cast<int>(w - first));
    return true;
}

// The one pass for UTF-8 text without guillemets, copyright and registered signs or right quotes
// (which steps 5 and 6 replace as whole characters). Letters beyond ASCII are lowered first:
// lowering neither makes nor removes any of the bytes the other steps look at, nor changes what a
// final sigma stands next to, so it may come before them.
bool cleanPlainUtf8(StringBuffer& work) {
    static constexpr ByteRules kRules = makeByteRules(kLowerAsciiTable, true);
    if (!work.is7bit()) {
        if (holdsUtf8Sign(work))
            return false;
        lowerUtf8(work);
    }
    return cleanInOnePass(work, kRules, true);
}

// The one pass for text in a single-byte code page, lowered through the page's letters (ASCII
// text as ASCII, as lowerInCodePage does).
bool cleanSingleByte(StringBuffer& work, unsigned codePage) {
    std::array<unsigned char, 256> lowered = kLowerAsciiTable;
    if (!work.is7bit()) {
        StringBuffer everyByte;
        for (size_t c = 1; c < lowered.size(); ++c)
            everyByte.appendChar(static_cast<char>(c));
        lowerInCodePage(everyByte, codePage);
        std::memcpy(lowered.data() + 1, everyByte.getString(), lowered.size() - 1);
    }
    return cleanInOnePass(work, makeByteRules(lowered, false), false);
}

// The boilerplate phrases removed, then place names made one word each.
std::unique_ptr<PhraseReplacer> newWordVectorPhrases(const ClsStringArray& placePhrases) {
    auto phrases = std::make_unique<PhraseReplacer>();
    for (const char* phrase : kBoilerplatePhrases)
        phrases->add(phrase, "");
    phrases->addTable(placePhrases);
    phrases->index();
    return phrases;
}

size_t numWordVectorPhrases(const ClsStringArray& placePhrases) {
    return std::size(kBoilerplatePhrases) + static_cast<size_t>(placePhrases.get_Count() / 2);
}

void cleanWordVectorText(const PhraseReplacer& phrases, unsigned codePage, StringBuffer& work) {
    bool utf8 = codePage == kUtf8;
    if (utf8 ? cleanPlainUtf8(work) : cleanSingleByte(work, codePage)) {
        phrases.replaceIn(work);
        return;
    }
    // 1. Runs of dots, underscores and hyphens.
    squeezeRuns(work, "..", ".");
    squeezeRuns(work, "__", "_");
    squeezeRuns(work, "--", "-");
    // 2. Sentence ends.
    for (const char* end : {". ", ".\n", ".\r", ".\t"})
        work.replaceAll(end, " ");
    // 3.
    lowerInCodePage(work, codePage);
    // 4. The scheme of written-out links.
    work.replaceAll("http:", " ");
    work.replaceAll("https:", " ");
    // 5. Punctuation, with '!' and '|', blanked through one table; in UTF-8 the guillemets are
    // whole characters, never single bytes.
    std::array<unsigned char, 256> blanked;
    for (size_t c = 0; c < blanked.size(); ++c)
        blanked[c] = static_cast<unsigned char>(c);
    for (char c : {'!', '|'})
        blanked[static_cast<unsigned char>(c)] = ' ';
    for (char c : kPunctuation) {
        if (!utf8 || static_cast<unsigned char>(c) < 0x80)
            blanked[static_cast<unsigned char>(c)] = ' ';
    }
    work.mapBytes(blanked.data());
    if (utf8) {
        for (const char* guillemet : {kUtf8LeftGuillemet, kUtf8RightGuillemet})
            work.replaceAll(guillemet, " ");
    }
    // 6. The copyright sign that introduces a copyright line, then the signs themselves (and
    // the right single quote 0x92 of the Windows code pages, U+2019 in UTF-8).
    if (utf8) {
        work.replaceAll(kUtf8CopyrightLine, "");
        for (const char* sign : {kUtf8Copyright, kUtf8Registered, kUtf8RightQuote})
            work.replaceAll(sign, " ");
    } else {
        work.replaceAll("\xA9 copyright", "");
        for (char sign : {'\xA9', '\xAE', '\x92'})
            work.replaceChar(sign, ' ');
    }
    // 7.
    if (utf8)
        collapseUtf8Whitespace(work);
    else
        work.collapseWhitespace();
    // 8, 9.
    phrases.replaceIn(work);
}

} // namespace

void prepareWordVectorPhrases(SiteAnalyzer& analyzer) {
    analyzer.wordVectorPhrases = newWordVectorPhrases(analyzer.placePhrases);
}

void cleanWordVectorText(const ClsStringArray& placePhrases, unsigned codePage, StringBuffer& work) {
    cleanWordVectorText(*newWordVectorPhrases(placePhrases), codePage, work);
}

void makeWordVector(const SiteAnalyzer& analyzer, const char* charset, const StringBuffer& text,
                    StringBuffer& out) {
    // 1.
    StringBuffer work(text);
    // 2, 3. ASCII text without a NUL (which ends the text there) is the same in UTF-16 and in
    // every counting code page.
    unsigned codePage = wordVectorCodePage(charset);
    if (!work.is7bit() || std::strlen(work.getString()) != static_cast<size_t>(work.getSize())) {
        roundTripUtf16(work);
        convertText(kUtf8, codePage, work);
    }
    // 4.
    const PhraseReplacer* phrases = analyzer.wordVectorPhrases.get();
    std::unique_ptr<PhraseReplacer> own;
    if (phrases == nullptr || phrases->numAdded() != numWordVectorPhrases(analyzer.placePhrases)) {
        own = newWordVectorPhrases(analyzer.placePhrases);
        phrases = own.get();
    }
    cleanWordVectorText(*phrases, codePage, work);
    // 5, 6.
    WordList words;
    words.setCodePage(codePage);
    words.setMinWordLength(3);
    words.setSkipDigitWords(true);
    words.addWords(work.getString(), &analyzer.stopWords, 1);
    StringBuffer vector;
    words.toVector(vector, analyzer.maxVectorWords);
    // 7.
    convertText(codePage, kUtf8, vector);
    out.setSb(vector);
}
