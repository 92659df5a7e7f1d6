#include "markup/html_entities.h"

#include "base/utf8_text.h"
#include "markup/html5_references.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string_view>

namespace {

// The HTML names of the ISO-8859-1 characters, from 160 on.
constexpr unsigned kFirstLatin1 = 160;
// clang-format off
constexpr const char* kLatin1Names[] = {
    "nbsp", "iexcl", "cent", "pound", "curren", "yen", "brvbar", "sect", "uml", "copy", "ordf", "laquo", "not",
    "shy", "reg", "macr", "deg", "plusmn", "sup2", "sup3", "acute", "micro", "para", "middot", "cedil",
    "sup1", "ordm", "raquo", "frac14", "frac12", "frac34", "iquest",
    "Agrave", "Aacute", "Acirc", "Atilde", "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute", "Ecirc",
    "Euml", "Igrave", "Iacute", "Icirc", "Iuml", "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc", "Otilde",
    "Ouml", "times", "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "szlig",
    "agrave", "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil", "egrave", "eacute", "ecirc",
    "euml", "igrave", "iacute", "icirc", "iuml", "eth", "ntilde", "ograve", "oacute", "ocirc", "otilde",
    "ouml", "divide", "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn", "yuml",
};
// clang-format on
constexpr size_t kLatin1Count = sizeof(kLatin1Names) / sizeof(kLatin1Names[0]);
static_assert(kLatin1Count == 255 - kFirstLatin1 + 1, "one name for each of the bytes 160 to 255");

struct Windows1252Name {
    const char* name;
    unsigned char byte;
    char32_t codePoint;
};
// Every Windows-1252 position from 128 to 159 that has a name.
// clang-format off
constexpr Windows1252Name kWindows1252Names[] = {
    {"euro", 128, 0x20AC},   {"sbquo", 130, 0x201A}, {"fnof", 131, 0x192},   {"bdquo", 132, 0x201E},
    {"hellip", 133, 0x2026}, {"dagger", 134, 0x2020}, {"Dagger", 135, 0x2021}, {"circ", 136, 0x2C6},
    {"permil", 137, 0x2030}, {"Scaron", 138, 0x160}, {"lsaquo", 139, 0x2039}, {"OElig", 140, 0x152},
    {"Zcaron", 142, 0x17D},  {"lsquo", 145, 0x2018}, {"rsquo", 146, 0x2019},  {"ldquo", 147, 0x201C},
    {"rdquo", 148, 0x201D},  {"bull", 149, 0x2022},  {"ndash", 150, 0x2013},  {"mdash", 151, 0x2014},
    {"tilde", 152, 0x2DC},   {"trade", 153, 0x2122}, {"scaron", 154, 0x161}, {"rsaquo", 155, 0x203A},
    {"oelig", 156, 0x153},   {"zcaron", 158, 0x17E}, {"Yuml", 159, 0x178},
};
// clang-format on
struct BlankName {
    const char* name;
    char32_t codePoint;
};
constexpr BlankName kBlankNames[] = {{"ensp", 0x2002}, {"emsp", 0x2003}, {"thinsp", 0x2009}};
// The five names XML itself knows.
constexpr BlankName kXmlNames[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};

constexpr size_t kEntityCount =
    kLatin1Count + std::size(kWindows1252Names) + std::size(kBlankNames) + std::size(kXmlNames);

struct Entry {
    std::string_view name;
    HtmlEntity entity;
};
using Table = std::array<Entry, kEntityCount>;

// Sorted by name once, for binary search.
Table makeTable() {
    Table table{};
    size_t n = 0;
    for (size_t i = 0; i < kLatin1Count; ++i) {
        auto byte = static_cast<unsigned char>(kFirstLatin1 + i);
        table[n++] = {kLatin1Names[i], {byte, false, false, false, byte}};
    }
    for (const Windows1252Name& w : kWindows1252Names)
        table[n++] = {w.name, {w.byte, true, false, false, w.codePoint}};
    for (const BlankName& b : kBlankNames)
        table[n++] = {b.name, {' ', false, true, false, b.codePoint}};
    for (const BlankName& x : kXmlNames)
        table[n++] = {x.name, {static_cast<unsigned char>(x.codePoint), false, false, true, x.codePoint}};
    std::sort(table.begin(), table.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return table;
}

const Table& entityTable() {
    static const Table table = makeTable();
    return table;
}

} // namespace

bool findHtmlEntity(const char* name, size_t length, HtmlEntity& entity) {
    const Table& table = entityTable();
    std::string_view key(name, length);
    auto it = std::lower_bound(table.begin(), table.end(), key,
                               [](const Entry& e, std::string_view k) { return e.name < k; });
    if (it == table.end() || it->name != key)
        return false;
    entity = it->entity;
    return true;
}

namespace {

// Numeric references in 128 to 159 name the Windows-1252 characters at those bytes, as browsers
// read them; a position without a character there keeps its own control character. Zero,
// surrogates and numbers beyond Unicode give the replacement character.
constexpr char32_t kReplacementCharacter = 0xFFFD;

char32_t numericReferenceCharacter(uint32_t value) {
    if (value >= 0x80 && value <= 0x9F) {
        for (const Windows1252Name& w : kWindows1252Names) {
            if (w.byte == value)
                return w.codePoint;
        }
        return value;
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return kReplacementCharacter;
    return value;
}

// Reads the numeric reference whose digits start at `s`; the bytes taken, 0 when there are no
// digits. A run of digits too long for any character still ends the reference.
size_t readNumericReference(const char* s, bool hex, char32_t& c) {
    uint32_t value = 0;
    size_t n = 0;
    for (;; ++n) {
        char d = s[n];
        int digit = d >= '0' && d <= '9'          ? d - '0'
                    : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                    : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                  : -1;
        if (digit < 0)
            break;
        value = std::min<uint32_t>(value * (hex ? 16 : 10) + static_cast<uint32_t>(digit), 0x110000);
    }
    c = numericReferenceCharacter(value);
    return n;
}

// The longest name of the table.
constexpr size_t kLongestName = 6;
static_assert(kLongestHtml5ReferenceName >= kLongestName);

// Besides the table's ISO-8859-1 names and four of its XML names, HTML reads these without a
// semicolon.
constexpr std::string_view kCapitalLegacyNames[] = {"AMP", "COPY", "GT", "LT", "QUOT", "REG"};

bool isLegacyName(const char* name, size_t length) {
    HtmlEntity entity;
    if (findHtmlEntity(name, length, entity))
        return !entity.windows1252 && !entity.blank && entity.codePoint != U'\'';
    return std::find(std::begin(kCapitalLegacyNames), std::end(kCapitalLegacyNames),
                     std::string_view(name, length)) != std::end(kCapitalLegacyNames);
}

// The bytes a named reference takes after its `&`, or 0. `p` holds `left` bytes.
size_t readNamedReference(const char* p, size_t left, HtmlReferenceContext context, char32_t& first,
                          char32_t& second) {
    size_t n = 0;
    while (n < left && n <= kLongestHtml5ReferenceName && std::isalnum(static_cast<unsigned char>(p[n])))
        ++n;
    HtmlEntity entity;
    if (n < left && p[n] == ';') {
        if (findHtmlEntity(p, n, entity)) {
            first = entity.blank ? U' ' : entity.codePoint;
            return n + 1;
        }
        if (findHtml5Reference(p, n, first, second))
            return n + 1;
    }
    for (size_t k = std::min(n, kLongestName); k >= 2; --k) {
        if (!isLegacyName(p, k))
            continue;
        bool continued = k < left && (std::isalnum(static_cast<unsigned char>(p[k])) || p[k] == '=');
        if (context == HtmlReferenceContext::AttributeValue && continued)
            return 0;
        return findHtml5Reference(p, k, first, second) ? k : 0;
    }
    return 0;
}

} // namespace

size_t readHtmlReference(const char* text, size_t length, HtmlReferenceContext context, char32_t& first,
                         char32_t& second) {
    first = 0;
    second = 0;
    if (length < 3 || text[0] != '&')
        return 0;
    const char* p = text + 1;
    size_t left = length - 1;
    if (p[0] == '#') {
        bool hex = p[1] == 'x' || p[1] == 'X';
        size_t lead = 1 + (hex ? 1 : 0);
        if (lead >= left)
            return 0;
        size_t digits = readNumericReference(p + lead, hex, first);
        if (digits == 0 || lead + digits > left)
            return 0;
        size_t taken = lead + digits;
        if (taken < left && p[taken] == ';')
            ++taken;
        return taken + 1;
    }
    size_t taken = readNamedReference(p, left, context, first, second);
    return taken == 0 ? 0 : taken + 1;
}

void decodeHtmlReferences(const char* text, size_t length, StringBuffer& out) {
    size_t run = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] != '&')
            continue;
        char32_t c;
        char32_t second;
        size_t taken = readHtmlReference(text + i, length - i, HtmlReferenceContext::Text, c, second);
        if (taken == 0)
            continue;
        out.appendN(text + run, static_cast<int>(i - run));
        appendUtf8(out, c);
        if (second != 0)
            appendUtf8(out, second);
        i += taken - 1;
        run = i + 1;
    }
    out.appendN(text + run, static_cast<int>(length - run));
}
