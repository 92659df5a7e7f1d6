#include "base/domain_helpers.h"

#include "base/ext_ptr_array.h"
#include "base/string_buffer.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <random>

namespace {

// The top-level names a crawled domain may end in, in their historical order.
const char* const kKnownTlds[] = {
    "com", "edu",  "gov",  "net",  "org",    "info", "it",   "fr", "au", "jp", "uk", "nl", "us", "biz", "xxx",
    "de",  "ad",   "ae",   "af",   "ag",     "ai",   "al",   "am", "an", "ao", "aq", "ar", "as", "at",  "aw",
    "az",  "ac",   "ba",   "bb",   "bd",     "be",   "bf",   "bg", "bh", "bi", "bj", "bm", "bn", "bo",  "br",
    "bs",  "bt",   "bv",   "bw",   "by",     "bz",   "ca",   "cc", "cf", "cg", "ch", "ci", "ck", "cd",  "cl",
    "cm",  "cn",   "co",   "cr",   "cs",     "cu",   "cv",   "cx", "cy", "cz", "dj", "dk", "dm", "do",  "dz",
    "ec",  "ee",   "eg",   "eh",   "er",     "es",   "et",   "fi", "fj", "fk", "fm", "fo", "fx", "ga",  "gb",
    "gd",  "ge",   "gf",   "gh",   "gi",     "gl",   "gm",   "gn", "gp", "gq", "gr", "gs", "gt", "gu",  "gw",
    "gy",  "hk",   "hm",   "hn",   "hr",     "ht",   "hu",   "id", "ie", "il", "in", "io", "iq", "ir",  "is",
    "jm",  "jo",   "ke",   "kg",   "kh",     "ki",   "km",   "kn", "kp", "kr", "kw", "ky", "kz", "la",  "lb",
    "lc",  "li",   "lk",   "lr",   "ls",     "lt",   "lu",   "lv", "ly", "ma", "mc", "md", "mg", "mh",  "mk",
    "ml",  "mm",   "mn",   "mo",   "mp",     "mq",   "mr",   "ms", "mt", "mu", "mv", "mw", "mx", "my",  "mz",
    "na",  "nc",   "ne",   "nf",   "ng",     "ni",   "no",   "np", "nr", "nt", "nu", "nz", "om", "pa",  "pe",
    "pf",  "pg",   "ph",   "pk",   "pl",     "pm",   "pn",   "pr", "pt", "pw", "py", "qa", "re", "ro",  "ru",
    "rw",  "sa",   "sb",   "sc",   "sd",     "se",   "sg",   "sh", "si", "sj", "sk", "sl", "sm", "sn",  "so",
    "sr",  "st",   "su",   "sv",   "sx",     "sy",   "sz",   "tc", "td", "tf", "tg", "th", "tj", "tk",  "tm",
    "tn",  "to",   "tp",   "tr",   "tt",     "tv",   "tw",   "tz", "ua", "ug", "um", "uy", "uz", "va",  "vc",
    "ve",  "vg",   "vi",   "vn",   "vu",     "wf",   "ws",   "ye", "yt", "yu", "za", "zm", "zr", "zw",  "int",
    "mil", "aero", "coop", "name", "museum", "arpa", "nato",
};

} // namespace

bool hasKnownTld(const char* host) {
    if (host == nullptr)
        return false;
    const char* lastDot = std::strrchr(host, '.');
    if (lastDot == nullptr)
        return false;
    const char* tld = lastDot + 1;
    for (const char* known : kKnownTlds) {
        if (std::strcmp(tld, known) == 0)
            return true;
    }
    return false;
}

// ---- Base domain ----

namespace {

bool isOneOf(const StringBuffer& label, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (label.equals(name))
            return true;
    }
    return false;
}

void joinLabels(StringBuffer& out, std::initializer_list<const StringBuffer*> labels) {
    bool first = true;
    for (const StringBuffer* label : labels) {
        if (!first)
            out.appendChar('.');
        out.appendSb(*label);
        first = false;
    }
}

// The labels of a host name, destroyed with the list.
struct Labels {
    ExtPtrArray parts;
    ~Labels() { parts.removeAllObjects(); }
    const StringBuffer* at(int i) const { return static_cast<const StringBuffer*>(parts.elementAt(i)); }
};

} // namespace

void getBaseDomain(const char* host, StringBuffer& out) {
    out.clear();
    if (host == nullptr)
        return;
    StringBuffer h(host);
    h.trim();
    for (char cut : {':', '%', '&', '?', '=', ' '})
        h.truncateAtChar(cut);
    h.trim();

    Labels labels;
    if (h.containsChar('.'))
        h.split(labels.parts, '.', false, false);
    int count = labels.parts.getSize();
    if (count < 2) {
        out.setSb(h);
        return;
    }
    const StringBuffer& last = *labels.at(count - 1);
    const StringBuffer& second = *labels.at(count - 2);
    const StringBuffer* third = count >= 3 ? labels.at(count - 3) : nullptr;

    if (count == 2 ||
        isOneOf(last, {"com", "org", "edu", "net", "mil", "biz", "info", "coop", "name", "aero", "museum"})) {
        joinLabels(out, {&second, &last});
        return;
    }
    if (last.equals("us")) {
        // State and federal agency names keep every label: the registrable part is deeper.
        if (second.getSize() == 2 || second.equals("dni") || second.equals("fed")) {
            if (h.beginsWith("www."))
                h.removeChunk(0, 4);
            out.setSb(h);
        } else {
            joinLabels(out, {&second, &last});
        }
        return;
    }
    bool secondLevelRegistry = isOneOf(second, {"co", "com", "edu", "org", "net"});
    bool californiaAgency =
        last.equals("gov") && second.equals("ca") && third != nullptr && third->getSize() > 0;
    if (secondLevelRegistry || californiaAgency) {
        joinLabels(out, {third, &second, &last});
        return;
    }
    joinLabels(out, {&second, &last});
}

// ---- Obfuscated links ----

namespace {

// Each thread draws from its own generator, so concurrent callers need no lock.
int pick(int n) {
    thread_local std::mt19937 generator{std::random_device{}()};
    return std::uniform_int_distribution<int>(0, n - 1)(generator);
}

template <std::size_t N> const char* pickOne(const char* const (&choices)[N]) {
    return choices[pick(static_cast<int>(N))];
}

const char* const kScriptOpeners[] = {"<script ",   "<SCRIPT ",    "<sCript ",
                                      "<script \n", "<Script\t\t", "<scripT "};
const char* const kTypeAttributes[] = {"type = \"text/javascript\">",  "TYPE=\"text/javascript\">",
                                       "tyPe\t=\"text/javascript\">",  "type=  \"text/javascript\">",
                                       "type =\t\"text/javascript\">", "tyPE\n=\"text/javascript\">"};
const char* const kAnchorOpeners[] = {"<a ", "<A ", "<a\r \n", "<A  ", "<A  \n", "<a\t"};
const char* const kHrefSpellings[] = {"hreF=\"", "HrEF =\"", "hrEf= \"", "HRef  =\""};
const char* const kTagClosers[] = {"\">", "\" >", "\"\t\t>", "\"\n>"};
const char* const kAnchorClosers[] = {"</a>", "</A>"};
const char* const kScriptClosers[] = {"));</SCRIPT>\n", ")  );</SCript>\n", ")); </scrIpt>\n",
                                      ") ) ;</script>\n", ") ); </SCRIpT>\n"};
// The call that writes the link; '#' marks the places where a blank may stand.
const char kWriteCall[] = "#document#.#write#(#String#.#fromCharCode#(#";

} // namespace

void obfuscateLink(const char* linkText, const char* href, StringBuffer& out) {
    out.clear();
    out.append(pickOne(kScriptOpeners));
    out.append(pickOne(kTypeAttributes));
    for (const char* p = kWriteCall; *p != 0; ++p) {
        if (*p != '#')
            out.appendChar(*p);
        else if (pick(2) == 0)
            out.appendChar(' ');
    }

    StringBuffer link;
    link.append(pickOne(kAnchorOpeners));
    link.append(pickOne(kHrefSpellings));
    link.append(href == nullptr ? "" : href);
    link.append(pickOne(kTagClosers));
    link.append(linkText == nullptr ? "" : linkText);
    link.append(pickOne(kAnchorClosers));

    for (int i = 0; i < link.getSize(); ++i) {
        if (i > 0) {
            int separator = pick(10);
            out.append(separator < 5 ? "," : separator < 9 ? ", " : ",\n");
        }
        unsigned code = static_cast<unsigned char>(link.charAt(i));
        char number[16];
        static const char* const kFormats[] = {"%u", "0x%x", "0%o"};
        std::snprintf(number, sizeof(number), pickOne(kFormats), code);
        out.append(number);
    }
    out.append(pickOne(kScriptClosers));
}
