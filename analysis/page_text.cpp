#include "analysis/page_text.h"

#include "analysis/html_help.h"
#include "analysis/site_analyzer.h"
#include "analysis/word_list.h"
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
#include <bitset>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr unsigned kUtf8 = 65001;
constexpr unsigned kUtf16 = 1200;

// The single-byte code pages words are counted in: ISO-8859-1, -2, -3, -4, -5, -7, -9, -15 and the
// Windows code pages of the same scripts.
const unsigned kCountingCodePages[] = {28591, 28592, 28593, 28594, 28595, 28597, 28599, 28605,
                                       1250,  1251,  1252,  1253,  1254,  1257,  1258};

// Blanked before counting: markup and punctuation, with the guillemets 0xAB and 0xBB of ISO-8859-1.
const char kPunctuation[20] = {'<', '>', '[',    ']', '=', '$', '?', '"', '\'', ',',
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

// Replaces every `pair` by `single` until none is left. Each pass at least halves every run, so
// there are never more passes than bytes.
// Whether UTF-8 text holds a guillemet, a copyright or registered sign or a right single quote.
bool holdsUtf8Sign(const StringBuffer& text) {
    for (const char* sign : {kUtf8LeftGuillemet, kUtf8RightGuillemet, kUtf8Copyright, kUtf8Registered,
                             kUtf8RightQuote}) {
        if (text.containsSubstring(sign))
            return true;
    }
    return false;
}

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

namespace {

// Phrase replacements applied in the order they were added, each in the text the earlier ones
// left. Replacing phrase by phrase means a search of the whole text for each (the boilerplate
// phrases and 225 place phrases); instead one pass finds the phrases the text holds, and only
// those are replaced, in order. A replacement can make a later phrase appear that was not there
// before (its own text overlaps the inserted one, or an empty insertion joins two sides); such
// phrases are replaced too, so the outcome is exactly that of the phrase-by-phrase replacement.
class PhraseReplacer {
public:
    // Replaces `find` by `joined`; an empty `find` is no replacement.
    void add(std::string_view find, std::string_view joined) {
        if (!find.empty())
            m_pairs.push_back({find, joined});
    }
    // The pairs of a table: entry 2k replaced by entry 2k+1.
    void addTable(const ClsStringArray& table) {
        int pairs = table.get_Count() / 2;
        for (int k = 0; k < pairs; ++k)
            add(entry(table, 2 * k), entry(table, 2 * k + 1));
    }
    // Once every pair is added: phrases of two bytes or more by the bucket of their first two
    // bytes (a counting sort), the few of one byte apart.
    void index() {
        for (const Pair& pair : m_pairs) {
            if (pair.find.size() > 1)
                m_gram = std::min(m_gram, pair.find.size());
        }
        for (const Pair& pair : m_pairs) {
            if (pair.find.size() > 1) {
                ++m_bucketStart[bucketOf(pair.find) + 1];
                m_startsPhrase.set(gramOf(pair.find.data()));
            }
        }
        for (size_t b = 1; b < m_bucketStart.size(); ++b)
            m_bucketStart[b] += m_bucketStart[b - 1];
        std::array<uint32_t, kBuckets + 1> next = m_bucketStart;
        m_byBucket.resize(m_bucketStart[kBuckets]);
        for (uint32_t i = 0; i < m_pairs.size(); ++i) {
            if (m_pairs[i].find.size() > 1)
                m_byBucket[next[bucketOf(m_pairs[i].find)]++] = i;
            else
                m_oneByte.push_back(i);
        }
    }

    void replaceIn(StringBuffer& work) const {
        std::vector<char> due(m_pairs.size(), 0);
        markPresent(std::string_view(work.getString(), static_cast<size_t>(work.getSize())), due);
        for (size_t i = 0; i < m_pairs.size(); ++i) {
            if (!due[i] || work.replaceAll(m_pairs[i].find.data(), m_pairs[i].joined.data()) == 0)
                continue;
            for (size_t j = i + 1; j < m_pairs.size(); ++j)
                due[j] = due[j] || mayCreate(m_pairs[i].joined, m_pairs[j].find);
        }
    }

private:
    struct Pair {
        std::string_view find;
        std::string_view joined;
    };

    static std::string_view entry(const ClsStringArray& table, int i) {
        const char* text = table.GetString(i);
        return text != nullptr ? std::string_view(text) : std::string_view();
    }

    // Whether inserting `inserted` into a text can make `find` occur where it did not.
    static bool mayCreate(std::string_view inserted, std::string_view find) {
        if (inserted.empty())
            return true;
        auto overlapAgrees = [&](size_t insertedFrom, size_t findFrom) {
            size_t n = std::min(inserted.size() - insertedFrom, find.size() - findFrom);
            return inserted.substr(insertedFrom, n) == find.substr(findFrom, n);
        };
        for (size_t i = 0; i < inserted.size(); ++i) {
            if (overlapAgrees(i, 0))
                return true;
        }
        for (size_t f = 1; f < find.size(); ++f) {
            if (overlapAgrees(0, f))
                return true;
        }
        return false;
    }

    static constexpr uint32_t kBuckets = 4096;

    // The filter's hash of the first m_gram bytes at `p`.
    size_t gramOf(const char* p) const {
        uint32_t bytes = 0;
        for (size_t k = 0; k < m_gram; ++k)
            bytes = bytes << 8 | static_cast<unsigned char>(p[k]);
        return hashGram(bytes);
    }
    static size_t hashGram(uint32_t bytes) { return (bytes * 2654435761u) >> 16; }

    static uint32_t bucketOf(std::string_view twoOrMore) {
        return (static_cast<unsigned char>(twoOrMore[0]) * 263u + static_cast<unsigned char>(twoOrMore[1])) %
               kBuckets;
    }

    void markPresent(std::string_view text, std::vector<char>& present) const {
        // The last byte is compared inline first: most candidates of a bucket differ there.
        auto mark = [&](uint32_t i, size_t at) {
            std::string_view find = m_pairs[i].find;
            if (present[i] || find.size() > text.size() - at || text[at + find.size() - 1] != find.back())
                return;
            present[i] = std::memcmp(text.data() + at, find.data(), find.size()) == 0;
        };
        for (uint32_t i : m_oneByte)
            present[i] = text.find(m_pairs[i].find[0]) != std::string_view::npos;
        if (text.size() < m_gram)
            return;
        // The m_gram bytes from `at` on, as gramOf reads them, rolled along one byte at a time.
        uint32_t gramMask = m_gram == 4 ? 0xFFFFFFFFu : (1u << (8 * m_gram)) - 1;
        uint32_t window = 0;
        for (size_t k = 0; k + 1 < m_gram; ++k)
            window = window << 8 | static_cast<unsigned char>(text[k]);
        for (size_t at = 0, last = text.size() - m_gram; at <= last; ++at) {
            window = (window << 8 | static_cast<unsigned char>(text[at + m_gram - 1])) & gramMask;
            if (!m_startsPhrase[hashGram(window)])
                continue;
            uint32_t bucket = bucketOf(text.substr(at, 2));
            for (uint32_t s = m_bucketStart[bucket]; s < m_bucketStart[bucket + 1]; ++s)
                mark(m_byBucket[s], at);
        }
    }

    std::vector<Pair> m_pairs;
    std::vector<uint32_t> m_byBucket;
    std::array<uint32_t, kBuckets + 1> m_bucketStart{};
    // The first bytes of the phrases of two bytes or more, as many as the shortest has up to four,
    // hashed: most places in a text start none, and four bytes tell far more of them apart than two.
    std::bitset<65536> m_startsPhrase;
    size_t m_gram = 4;
    std::vector<uint32_t> m_oneByte;
};

} // namespace

unsigned wordVectorCodePage(const char* charset) {
    unsigned codePage = charset != nullptr ? CodePageFromName(charset) : 0;
    return isCountingCodePage(codePage) ? codePage : kUtf8;
}

void cleanWordVectorText(const ClsStringArray& placePhrases, unsigned codePage, StringBuffer& work) {
    bool utf8 = codePage == kUtf8;
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
    // 5. Punctuation; in UTF-8 the guillemets are whole characters, never single bytes.
    // All of them, with '!' and '|', blanked through one table.
    std::array<unsigned char, 256> blanked;
    for (size_t c = 0; c < blanked.size(); ++c)
        blanked[c] = static_cast<unsigned char>(c);
    for (char c : {'!', '|'})
        blanked[static_cast<unsigned char>(c)] = ' ';
    for (char c : kPunctuation) {
        if (!utf8 || static_cast<unsigned char>(c) < 0x80)
            blanked[static_cast<unsigned char>(c)] = ' ';
    }
    // UTF-8 text without any of the signs of 5 and 6 has nothing more done to it before 7, so the
    // blanking is done on the way through the collapse.
    if (utf8 && !holdsUtf8Sign(work)) {
        collapseUtf8Whitespace(work, false, blanked.data());
    } else {
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
    }
    // 8, 9. The boilerplate phrases removed, then place names made one word each.
    PhraseReplacer phrases;
    for (const char* phrase : kBoilerplatePhrases)
        phrases.add(phrase, "");
    phrases.addTable(placePhrases);
    phrases.index();
    phrases.replaceIn(work);
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
    cleanWordVectorText(analyzer.placePhrases, codePage, work);
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
