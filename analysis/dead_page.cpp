#include "analysis/dead_page.h"

#include "analysis/geo_key_matcher.h"
#include "base/ascii.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "base/utf8_text.h"
#include "http/limits.h"
#include "markup/html_entities.h"
#include "markup/html_parse.h"
#include "markup/html_tag_end.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <strings.h>

namespace {

struct DeadPagePhrase {
    const char* text;
    FetchFailure cause;
};

// The host of the domain-parking service whose parked pages name it, and the address of that
// service's page about its parking offer, which parked pages link to.
constexpr const char* kParkingServiceHost = "sedoparking.com";
constexpr const char* kParkingOfferPage = "http://www.sedo.com/services/parking.php3";

// Each phrase with what it says of the site: offered for sale, parked with a parking service or
// a registrar, or dead (an error page, a closed or unfinished site, a refused access).
const DeadPagePhrase kDeadPagePhrases[] = {
    {"Site Not Found", FetchFailure::DeadPage},
    {"404 Not Found", FetchFailure::DeadPage},
    {"Page Not Found", FetchFailure::DeadPage},
    {"Not Found (404)", FetchFailure::DeadPage},
    {"Web Page Under Construction", FetchFailure::DeadPage},
    {"Error 404", FetchFailure::DeadPage},
    {"404 - Page Not Found", FetchFailure::DeadPage},
    {"404 Error Page", FetchFailure::DeadPage},
    {"Page Unavailable", FetchFailure::DeadPage},
    {"Requested Page Not Found", FetchFailure::DeadPage},
    {"This website is for sale", FetchFailure::ForSale},
    {"This site is for sale", FetchFailure::ForSale},
    {"parked_banner_comingsoon", FetchFailure::Parked},
    {"Parked Domain Customer", FetchFailure::Parked},
    {"This is a place-holder for the", FetchFailure::Parked},
    {"registered and is currently parked", FetchFailure::Parked},
    {kParkingServiceHost, FetchFailure::Parked},
    {"document was not found on this server", FetchFailure::DeadPage},
    {"The page cannot be found", FetchFailure::DeadPage},
    {"domain name under construction", FetchFailure::DeadPage},
    {"Buy This Domain!", FetchFailure::ForSale},
    {"Welcome to the holding page for", FetchFailure::Parked},
    {"Directory Listing Denied", FetchFailure::DeadPage},
    {"401 Authorization Required", FetchFailure::DeadPage},
    {"Access Unauthorized", FetchFailure::DeadPage},
    {"403 Forbidden", FetchFailure::DeadPage},
    {"We couldn't find the page", FetchFailure::DeadPage},
    {"You are not authorized to view this page", FetchFailure::DeadPage},
    {"Domain Name Renewal and web hosting from Network Solutions", FetchFailure::Parked},
    {kParkingOfferPage, FetchFailure::Parked},
    {"HTTP 404", FetchFailure::DeadPage},
    {"Requested Page Not Found - 404", FetchFailure::DeadPage},
    {"website is currently down", FetchFailure::DeadPage},
    {"IS NO LONGER IN BUSINESS", FetchFailure::DeadPage},
    // Today's for-sale wording of registrars and domain marketplaces.
    {"This domain is for sale", FetchFailure::ForSale},
    {"Buy this domain", FetchFailure::ForSale},
    {"domain may be for sale", FetchFailure::ForSale},
    {"is for sale!", FetchFailure::ForSale},
    // The footers of the big parking services' pages, in their visible text.
    {"Sedo Domain Parking", FetchFailure::Parked},
    {"parked FREE, courtesy of", FetchFailure::Parked},
    {"HugeDomains.com", FetchFailure::ForSale},
};

constexpr int kNumPhrases = static_cast<int>(sizeof(kDeadPagePhrases) / sizeof(kDeadPagePhrases[0]));

// The phrases, lower-cased, as the keys of a matcher table (each with an empty value). The lowest
// key found is the first phrase in table order.
const GeoKeyMatcher& phraseMatcher() {
    static const GeoKeyMatcher matcher = [] {
        ClsStringArray table;
        for (const DeadPagePhrase& row : kDeadPagePhrases) {
            const char* phrase = row.text;
            StringBuffer key;
            for (const char* p = phrase; *p != '\0'; ++p)
                key.appendChar(lowerAscii(*p));
            table.Append(key.getString());
            table.Append("");
        }
        return GeoKeyMatcher(table);
    }();
    return matcher;
}

// Text as a visitor reads it, for the phrase test: ASCII letters folded to lower case, white
// space (the no-break space too) collapsed to single blanks, the typographic apostrophe written
// as the ASCII one, and no more than kDeadPageTextChars characters.
class LeadText {
public:
    bool full() const { return m_chars >= HttpLimits::kDeadPageTextChars; }
    // Later text is a new word, as after white space or a block element.
    void breakWord() { m_blankPending = m_size > 0; }
    // Page text, its character references still written as such.
    void add(const char* text, size_t length);
    const char* bytes() const { return m_bytes; }
    int size() const { return static_cast<int>(m_size); }

private:
    // Each character takes at most four bytes, and the count passes its limit by at most a blank
    // and the two characters of one reference.
    static constexpr size_t kMaxBytes = 4 * (HttpLimits::kDeadPageTextChars + 2);

    void addCodePoint(char32_t c);
    // Adds the run of plain ASCII bytes that starts at `p`, as far as the count allows; answers the
    // number of bytes taken, at least one.
    size_t addPlainRun(const unsigned char* p, size_t length);
    void startCharacter();
    void append(char c) { m_bytes[m_size++] = c; }

    char m_bytes[kMaxBytes];
    size_t m_size = 0;
    int m_chars = 0;
    bool m_blankPending = false;
};

void LeadText::startCharacter() {
    if (m_blankPending) {
        append(' ');
        ++m_chars;
        m_blankPending = false;
    }
    ++m_chars;
}

void LeadText::addCodePoint(char32_t c) {
    if (c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == U'\f' || c == 0xA0) {
        breakWord();
        return;
    }
    startCharacter();
    if (c == 0x2019)
        c = U'\'';
    if (c < 0x80)
        append(lowerAscii(static_cast<char>(c)));
    else
        m_size += static_cast<size_t>(encodeUtf8(c, m_bytes + m_size));
}

// ASCII bytes that are a character of their own and no white space: taken in runs, not decoded.
constexpr auto kPlainAscii = [] {
    std::array<bool, 256> plain{};
    for (int c = 1; c < 0x80; ++c)
        plain[c] = c != '&' && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f';
    return plain;
}();

size_t LeadText::addPlainRun(const unsigned char* p, size_t length) {
    startCharacter();
    // The first character is taken whatever the count, as the count is checked before each one.
    size_t room = 1 + static_cast<size_t>(std::max(HttpLimits::kDeadPageTextChars - m_chars, 0));
    size_t limit = std::min(length, room);
    size_t taken = 0;
    for (; taken < limit && kPlainAscii[p[taken]]; ++taken)
        append(lowerAscii(static_cast<char>(p[taken])));
    m_chars += static_cast<int>(taken) - 1;
    return taken;
}

void LeadText::add(const char* text, size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < length && !full()) {
        if (kPlainAscii[p[i]]) {
            i += addPlainRun(p + i, length - i);
            continue;
        }
        char32_t c = p[i];
        char32_t second = 0;
        size_t taken = 1;
        if (c == '&') {
            taken = readHtmlReference(text + i, length - i, HtmlReferenceContext::Text, c, second);
            if (taken == 0) {
                c = '&';
                taken = 1;
            }
        } else if (c >= 0x80) {
            taken = static_cast<size_t>(decodeUtf8(p + i, static_cast<int>(length - i), c));
        }
        addCodePoint(c);
        if (second != 0)
            addCodePoint(second);
        i += taken;
    }
}

// The end of the raw text of a script, style, template or title element whose start tag ends at
// `from`: the position after the `>` of its end tag, or `length` when the page never closes it.
size_t afterEndTag(const char* html, size_t length, size_t from, const StringBuffer& name,
                   size_t& contentEnd) {
    size_t n = static_cast<size_t>(name.getSize());
    for (const char* p = html + from; (p = static_cast<const char*>(std::memchr(p, '<', html + length - p)));
         ++p) {
        size_t at = static_cast<size_t>(p - html);
        if (at + 2 + n <= length && p[1] == '/' && strncasecmp(p + 2, name.getString(), n) == 0) {
            contentEnd = at;
            const char* close = static_cast<const char*>(std::memchr(p, '>', length - at));
            return close != nullptr ? static_cast<size_t>(close - html) + 1 : length;
        }
    }
    contentEnd = length;
    return length;
}

// Bytes of a tag's start that the classifier sees: enough for any tag name this scan tells apart.
constexpr size_t kTagNameWindow = 24;

// Reads the title and the lead of the visible text of a page, stopping once both are full.
class LeadReader {
public:
    LeadReader(const char* html, size_t length) : m_html(html), m_length(length), m_tagEnds(html, length) {}
    void read();
    const LeadText& title() const { return m_title; }
    const LeadText& body() const { return m_body; }

private:
    // Steps over the markup that starts with the '<' at `at`; answers where text resumes.
    size_t skipMarkup(size_t at);
    size_t skipTag(size_t at, size_t end);

    const char* m_html;
    size_t m_length;
    HtmlTagEndFinder m_tagEnds;
    LeadText m_title;
    LeadText m_body;
    bool m_haveTitle = false;
};

void LeadReader::read() {
    size_t pos = 0;
    while (pos < m_length && !m_body.full()) {
        const void* lt = std::memchr(m_html + pos, '<', m_length - pos);
        size_t textEnd =
            lt != nullptr ? static_cast<size_t>(static_cast<const char*>(lt) - m_html) : m_length;
        m_body.add(m_html + pos, textEnd - pos);
        pos = textEnd < m_length ? skipMarkup(textEnd) : m_length;
    }
}

size_t LeadReader::skipMarkup(size_t at) {
    const char* p = m_html + at;
    size_t left = m_length - at;
    char next = left > 1 ? p[1] : '\0';
    if (left >= 4 && std::memcmp(p, "<!--", 4) == 0) {
        const char* close = static_cast<const char*>(memmem(p + 4, left - 4, "-->", 3));
        m_body.breakWord();
        return close != nullptr ? static_cast<size_t>(close - m_html) + 3 : m_length;
    }
    if (next == '!' || next == '?') {
        const void* close = std::memchr(p, '>', left);
        m_body.breakWord();
        return close != nullptr ? static_cast<size_t>(static_cast<const char*>(close) - m_html) + 1
                                : m_length;
    }
    bool letter = isAsciiLetter(next);
    if (!letter && next != '/') {
        m_body.add("<", 1);
        return at + 1;
    }
    size_t end = m_tagEnds.find(at);
    // A tag that never ends takes the rest of the page, as in the reader.
    return end == HtmlTagEndFinder::kNone ? m_length : skipTag(at, end);
}

size_t LeadReader::skipTag(size_t at, size_t end) {
    char tagText[kTagNameWindow + 2];
    size_t n = std::min(end - at, kTagNameWindow);
    std::memcpy(tagText, m_html + at, n);
    tagText[n] = '>';
    tagText[n + 1] = '\0';
    HtmlTagKind kind;
    StringBuffer name;
    int number = HtmlParse::classifyTag(tagText, kind, name);
    if (kind != HtmlTagKind::End && (number == HtmlTag::kScript || number == HtmlTag::kStyle ||
                                     number == HtmlTag::kTemplate || number == HtmlTag::kTitle)) {
        size_t contentEnd;
        size_t resume = afterEndTag(m_html, m_length, end + 1, name, contentEnd);
        if (number == HtmlTag::kTitle && !m_haveTitle) {
            m_title.add(m_html + end + 1, contentEnd - (end + 1));
            m_haveTitle = true;
        }
        m_body.breakWord();
        return resume;
    }
    if (!HtmlParse::joinsNeighbours(name.getString(), static_cast<size_t>(name.getSize())))
        m_body.breakWord();
    return end + 1;
}

} // namespace

const char* findDeadPagePhrase(const char* html) {
    if (html == nullptr)
        return nullptr;
    LeadReader reader(html, std::strlen(html));
    reader.read();
    // A line break, which no phrase holds, keeps a phrase from running from the title into the text.
    StringBuffer text;
    text.expectNumBytes(reader.title().size() + 1 + reader.body().size());
    text.appendN(reader.title().bytes(), reader.title().size());
    text.appendChar('\n');
    text.appendN(reader.body().bytes(), reader.body().size());
    int phrase = phraseMatcher().firstMatchingPair(text.getString());
    return phrase >= 0 && phrase < kNumPhrases ? kDeadPagePhrases[phrase].text : nullptr;
}

FetchFailure deadPageCause(const char* phrase) {
    for (const DeadPagePhrase& row : kDeadPagePhrases) {
        if (phrase != nullptr && std::strcmp(row.text, phrase) == 0)
            return row.cause;
    }
    return FetchFailure::DeadPage;
}
