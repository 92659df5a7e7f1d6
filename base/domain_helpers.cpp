#include "base/domain_helpers.h"

#include "base/ascii.h"
#include "base/ext_ptr_array.h"
#include "base/string_buffer.h"

#include <cstdio>
#include <cstring>
#include <idn2.h>
#include <initializer_list>
#include <libpsl.h>
#include <random>

namespace {

// The longest label and the longest name DNS carries.
constexpr int kMaxLabelBytes = 63;
constexpr int kMaxHostBytes = 253;

// The public suffix list, loaded once: the system's copy when it is newer than the one built into
// libpsl. It is only read after loading, so threads share it without a lock.
const psl_ctx_t* suffixList() {
    static const psl_ctx_t* const list = psl_latest(nullptr);
    return list;
}

bool isAsciiText(const char* text) {
    for (const char* p = text; *p != 0; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    }
    return true;
}

// The ASCII a host name may hold before conversion. The mapping would quietly drop blanks and
// other punctuation, turning "two words.com" into another site's name.
bool hasOnlyHostAscii(const char* text) {
    for (const char* p = text; *p != 0; ++p) {
        if (static_cast<unsigned char>(*p) < 0x80 && !isAsciiAlnum(*p) && *p != '-' && *p != '.')
            return false;
    }
    return true;
}

// A name as DNS carries it: labels of letters, digits and '-', none empty, none starting or
// ending with '-'.
bool isLdhName(const char* name) {
    int nameBytes = static_cast<int>(std::strlen(name));
    if (nameBytes == 0 || nameBytes > kMaxHostBytes)
        return false;
    const char* label = name;
    for (;;) {
        const char* end = std::strchr(label, '.');
        int labelBytes =
            end != nullptr ? static_cast<int>(end - label) : static_cast<int>(std::strlen(label));
        if (labelBytes == 0 || labelBytes > kMaxLabelBytes || label[0] == '-' || label[labelBytes - 1] == '-')
            return false;
        for (int i = 0; i < labelBytes; ++i) {
            if (!isAsciiAlnum(label[i]) && label[i] != '-')
                return false;
        }
        if (end == nullptr)
            return true;
        label = end + 1;
    }
}

} // namespace

bool hasKnownTld(const char* host) {
    if (host == nullptr)
        return false;
    const char* lastDot = std::strrchr(host, '.');
    if (lastDot == nullptr || lastDot[1] == 0 || suffixList() == nullptr)
        return false;
    // Private suffixes and the implicit rule that any unknown name is a suffix do not count.
    return psl_is_public_suffix2(suffixList(), lastDot + 1, PSL_TYPE_ICANN | PSL_TYPE_NO_STAR_RULE) != 0;
}

// ---- International names ----

bool toAsciiHost(const char* host, StringBuffer& out) {
    out.clear();
    if (host == nullptr || !hasOnlyHostAscii(host))
        return false;
    char* ascii = nullptr;
    if (idn2_to_ascii_8z(host, &ascii, IDN2_NONTRANSITIONAL | IDN2_USE_STD3_ASCII_RULES) == IDN2_OK &&
        isLdhName(ascii))
        out.setString(ascii);
    idn2_free(ascii);
    return out.getSize() > 0;
}

void lowerCaseHost(StringBuffer& name) {
    if (isAsciiText(name.getString())) {
        name.toLowerCase();
        return;
    }
    StringBuffer ascii;
    char* unicode = nullptr;
    if (toAsciiHost(name.getString(), ascii) &&
        idn2_to_unicode_8z8z(ascii.getString(), &unicode, 0) == IDN2_OK)
        name.setString(unicode);
    idn2_free(unicode);
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
