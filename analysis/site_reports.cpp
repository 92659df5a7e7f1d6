#include "analysis/site_reports.h"

#include "analysis/site_analyzer.h"
#include "base/string_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

const char* const kSiteIntelPath = "Output/SiteIntel.txt";
const char* const kNoCountryPath = "Output/NoCountry.html";
const char* const kNoContactPath = "Output/NoContact.html";
const char* const kEmailLinksPath = "Output/EmailLinks.html";

// Held while one site's report is written to the four files.
std::mutex g_reportLock;

// The spellings of the script's pieces, variant n at index n - 1.
const char* const kScriptOpen[] = {"<script ",   "<SCRIPT ",    "<sCript ",
                                   "<script \n", "<Script\t\t", "<scripT "};
const char* const kTypeAttribute[] = {
    "type = \"text/javascript\">", "TYPE=\"text/javascript\">",    "tyPe\t=\"text/javascript\">",
    "type=  \"text/javascript\">", "type =\t\"text/javascript\">", "tyPE\n=\"text/javascript\">",
};
const char* const kLinkOpen[] = {"<a ", "<A ", "<a\r \n", "<A  ", "<A  \n", "<a\t"};
const char* const kHrefAttribute[] = {"hreF=\"", "HrEF =\"", "hrEf= \"", "HRef  =\""};
const char* const kHrefClose[] = {"\">", "\" >", "\"\t\t>", "\"\n>"};
const char* const kLinkClose[] = {"</a>", "</A>"};
const char* const kScriptClose[] = {
    ")  );</SCript>\n", "));</SCRIPT>\n", ")); </scrIpt>\n", ") ) ;</script>\n", ") ); </SCRIpT>\n",
};
// The script's text, with a blank or nothing in place of each placeholder SP0 to SP8.
const char* const kScriptBody = "SP0documentSP1.SP2writeSP3(SP4StringSP5.SP6fromCharCodeSP7(SP8";
constexpr int kNumPlaceholders = 9;

// One of the variants of `table`, drawn at random.
template <size_t N> const char* drawVariant(const char* const (&table)[N]) {
    return table[randomInRange(1, N) - 1];
}

// Writes "key:value" when the field is set, or "key:NONE".
void writeOrNone(FILE* f, const char* key, const StringBuffer& field) {
    std::fprintf(f, "%s:%s\n", key, field.getSize() != 0 ? field.getString() : "NONE");
}

void writeIfSet(FILE* f, const char* format, const StringBuffer& field) {
    if (field.getSize() != 0)
        std::fprintf(f, format, field.getString());
}

// Appends the link line of a site to one of the two lists, skipped when the list cannot be opened.
void appendSiteLink(const char* path, const char* domain) {
    FILE* f = std::fopen(path, "a");
    if (f == nullptr)
        return;
    std::fprintf(f, "<a href=\"http://%s/\">%s</a><br>\n", domain, domain);
    std::fclose(f);
}

// Lines 1 to 10: where the site is and its main pages.
void writeLocation(FILE* record, SiteAnalyzer& analyzer, const char* domain) {
    std::fprintf(record, "domain:%s\n", domain);
    analyzer.country.toUpperCase();
    analyzer.state.toUpperCase();
    writeOrNone(record, "country", analyzer.country);
    if (analyzer.country.getSize() == 0)
        appendSiteLink(kNoCountryPath, domain);
    writeOrNone(record, "state", analyzer.state);
    writeOrNone(record, "city", analyzer.city);
    writeOrNone(record, "contact", analyzer.contactUrl);
    if (analyzer.contactUrl.getSize() == 0)
        appendSiteLink(kNoContactPath, domain);
    writeOrNone(record, "about", analyzer.aboutUrl);
    writeIfSet(record, "sitemap:%s\n", analyzer.sitemapUrl);
    writeIfSet(record, "home2:%s\n", analyzer.home2Url);
    writeIfSet(record, "language:%s\n", analyzer.language);
    writeIfSet(record, "englishUrl:%s\n", analyzer.englishUrl);
}

// Line 11 for every address, and the address's line in the e-mail list.
void writeEmails(FILE* record, const SiteAnalyzer& analyzer) {
    FILE* links = std::fopen(kEmailLinksPath, "a");
    for (int i = 0; i < analyzer.emails.get_Count(); ++i) {
        const char* address = analyzer.emails.GetString(i);
        std::fprintf(record, "email:%s\n", address);
        if (links == nullptr)
            continue;
        StringBuffer href("mailto:");
        href.append(address);
        StringBuffer script;
        makeEmailLinkScript("send email", href.getString(), script);
        std::fprintf(links, "%s %s<br>\n", address, script.getString());
    }
    if (links != nullptr)
        std::fclose(links);
}

// Lines 20 to 26, only for a site with an ad publisher id.
void writeAdCodes(FILE* record, const SiteAnalyzer& analyzer) {
    if (analyzer.googleId.getSize() == 0)
        return;
    std::fprintf(record, "GoogleID: %s\n", analyzer.googleId.getString());
    if (analyzer.troubleParsingGoogle != 0)
        std::fprintf(record, "TroubleParsingGoogle: 1\n");
    if (analyzer.numAdUnits != 0)
        std::fprintf(record, "NumAdUnits: %d\n", analyzer.numAdUnits);
    if (analyzer.numSearchUnits != 0)
        std::fprintf(record, "NumSearchUnits: %d\n", analyzer.numSearchUnits);
    if (analyzer.numLinkUnits != 0)
        std::fprintf(record, "NumLinkUnits: %d\n", analyzer.numLinkUnits);
    // The ad code reader fills at most the six formats the record holds.
    int adUnits = std::min(analyzer.numAdUnits, SiteAnalyzer::kNumUnitFormats);
    for (int i = 0; i < adUnits; ++i)
        std::fprintf(record, "AdFormat%d: %s\n", i, analyzer.adFormats[i].getString());
    int linkUnits = std::min(analyzer.numLinkUnits, SiteAnalyzer::kNumUnitFormats);
    for (int i = 0; i < linkUnits; ++i)
        std::fprintf(record, "LinkFormat%d: %s\n", i, analyzer.linkFormats[i].getString());
}

// Lines 12 to 27.
void writeFindings(FILE* record, const SiteAnalyzer& analyzer) {
    writeIfSet(record, "GeoMatched: %s\n", analyzer.geoMatched);
    writeIfSet(record, "GeoUrl: %s\n", analyzer.geoUrl);
    writeIfSet(record, "HomeTitle: %s\n", analyzer.siteTitle);
    writeIfSet(record, "HomeDescrip: %s\n", analyzer.metaDescription);
    writeIfSet(record, "HomeKeywords: %s\n", analyzer.metaKeywords);
    writeIfSet(record, "HomeCharset: %s\n", analyzer.charset);
    writeIfSet(record, "HomeWordVector: %s\n", analyzer.homeWordVector);
    writeIfSet(record, "AboutWordVector: %s\n", analyzer.aboutWordVector);
    writeAdCodes(record, analyzer);
    std::fprintf(record, ".\n");
}

// Appends one byte of the link as a number, in decimal, octal or hexadecimal at random.
void appendCharCode(StringBuffer& out, unsigned char c) {
    char number[8];
    switch (randomInRange(1, 3)) {
    case 1:
        std::snprintf(number, sizeof number, "%d", c);
        break;
    case 2:
        std::snprintf(number, sizeof number, "0%o", c);
        break;
    default:
        std::snprintf(number, sizeof number, "0x%x", c);
        break;
    }
    out.append(number);
}

// The separator before every char code but the first.
const char* drawSeparator() {
    unsigned choice = randomInRange(1, 10);
    if (choice <= 5)
        return ",";
    return choice <= 9 ? ", " : ",\n";
}

} // namespace

void writeSiteReports(SiteAnalyzer& analyzer, const char* domain) {
    std::lock_guard<std::mutex> hold(g_reportLock);
    FILE* record = std::fopen(kSiteIntelPath, "a");
    if (record == nullptr)
        return;
    writeLocation(record, analyzer, domain);
    writeEmails(record, analyzer);
    writeFindings(record, analyzer);
    std::fclose(record);
}

void makeEmailLinkScript(const char* linkText, const char* href, StringBuffer& out) {
    // 1. The draws, in this order.
    const char* linkOpen = drawVariant(kLinkOpen);
    const char* hrefAttribute = drawVariant(kHrefAttribute);
    const char* linkClose = drawVariant(kLinkClose);
    const char* hrefClose = drawVariant(kHrefClose);
    const char* scriptOpen = drawVariant(kScriptOpen);
    const char* typeAttribute = drawVariant(kTypeAttribute);
    randomInRange(1, 5); // drawn and not used, which keeps the sequence of the later draws
    const char* scriptClose = drawVariant(kScriptClose);
    unsigned blanks[kNumPlaceholders];
    for (unsigned& blank : blanks)
        blank = randomInRange(1, 2);

    // 2. The script's opening and the call.
    out.setString(scriptOpen);
    out.append(typeAttribute);
    out.append(kScriptBody);
    for (int i = 0; i < kNumPlaceholders; ++i) {
        char placeholder[4] = {'S', 'P', static_cast<char>('0' + i), '\0'};
        out.replaceFirst(placeholder, blanks[i] == 1 ? " " : "");
    }

    // 3. The link it writes.
    StringBuffer link(linkOpen);
    link.append(hrefAttribute);
    link.append(href);
    link.append(hrefClose);
    link.append(linkText);
    link.append(linkClose);

    // 4. Every byte of the link as a number.
    const auto* bytes = reinterpret_cast<const unsigned char*>(link.getString());
    for (int i = 0; i < link.getSize(); ++i) {
        if (i > 0)
            out.append(drawSeparator());
        appendCharCode(out, bytes[i]);
    }

    // 5.
    out.append(scriptClose);
}

unsigned randomInRange(unsigned lo, unsigned hi) {
    if (lo == hi)
        return lo;
    // The generator's range is that of the system the reports were made for, 0 to 32767.
    uint64_t r = static_cast<unsigned>(std::rand()) % 32768u;
    uint64_t value = lo + r * hi / 32768u;
    return static_cast<unsigned>(std::clamp<uint64_t>(value, std::min(lo, hi), std::max(lo, hi)));
}
