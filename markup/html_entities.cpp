#include "markup/html_entities.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// The HTML 4 names of the ISO-8859-1 characters, from 161 on.
constexpr unsigned kFirstLatin1 = 161;
// clang-format off
constexpr const char* kLatin1Names[] = {
    "iexcl", "cent", "pound", "curren", "yen", "brvbar", "sect", "uml", "copy", "ordf", "laquo", "not",
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
static_assert(kLatin1Count == 255 - kFirstLatin1 + 1, "one name for each of the bytes 161 to 255");

struct Windows1252Name {
    const char* name;
    unsigned char byte;
};
constexpr Windows1252Name kWindows1252Names[] = {
    {"euro", 128},  {"dagger", 134}, {"Dagger", 135}, {"circ", 136},  {"OElig", 140}, {"rdquo", 148},
    {"ndash", 150}, {"mdash", 151},  {"tilde", 152},  {"trade", 153}, {"oelig", 156}, {"Yuml", 159},
};
constexpr const char* kBlankNames[] = {"ensp", "emsp", "thinsp"};

constexpr size_t kEntityCount = kLatin1Count + std::size(kWindows1252Names) + std::size(kBlankNames);

struct Entry {
    std::string_view name;
    HtmlEntity entity;
};
using Table = std::array<Entry, kEntityCount>;

// Sorted by name once, for binary search.
Table makeTable() {
    Table table{};
    size_t n = 0;
    for (size_t i = 0; i < kLatin1Count; ++i)
        table[n++] = {kLatin1Names[i], {static_cast<unsigned char>(kFirstLatin1 + i), false, false}};
    for (const Windows1252Name& w : kWindows1252Names)
        table[n++] = {w.name, {w.byte, true, false}};
    for (const char* blank : kBlankNames)
        table[n++] = {blank, {' ', false, true}};
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
