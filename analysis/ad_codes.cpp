#include "analysis/ad_codes.h"

#include "analysis/site_analyzer.h"
#include "base/ascii.h"
#include "base/string_buffer.h"
#include "markup/cls_xml.h"
#include "markup/tree_node.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The position of the first '"' after `from`, else of the first '\'', else -1.
long quoteAfter(const std::string& text, size_t from) {
    size_t q = text.find('"', from);
    if (q == std::string::npos)
        q = text.find('\'', from);
    return q == std::string::npos ? -1 : static_cast<long>(q);
}

// The value after `name`: between the first quote after it and the next quote of either kind.
bool quotedValue(const std::string& text, size_t namePos, std::string& value) {
    long open = quoteAfter(text, namePos);
    if (open < 0)
        return false;
    long close = quoteAfter(text, static_cast<size_t>(open) + 1);
    if (close < 0)
        return false;
    value = text.substr(static_cast<size_t>(open) + 1, static_cast<size_t>(close - open - 1));
    return true;
}

void recordFormat(SiteAnalyzer& a, const std::string& format) {
    bool linkUnit = format.find("ads_al") != std::string::npos;
    int& count = linkUnit ? a.numLinkUnits : a.numAdUnits;
    StringBuffer* slots = linkUnit ? a.linkFormats : a.adFormats;
    if (count < SiteAnalyzer::kNumUnitFormats) {
        slots[count].setString(format.c_str());
        ++count;
    }
}

// Today's ad code names the publisher as "ca-pub-" and its 16 digits; the id kept is "pub-" and
// the digits.
constexpr const char* kClientPrefix = "ca-";
constexpr const char* kPublisherPrefix = "pub-";
constexpr size_t kPublisherDigits = 16;

// Whether `text` starts with "ca-pub-" and the 16 digits (and no seventeenth).
bool startsWithClientId(const char* text) {
    size_t prefix = std::strlen(kClientPrefix) + std::strlen(kPublisherPrefix);
    if (std::strncmp(text, kClientPrefix, std::strlen(kClientPrefix)) != 0 ||
        std::strncmp(text + std::strlen(kClientPrefix), kPublisherPrefix, std::strlen(kPublisherPrefix)) != 0)
        return false;
    for (size_t i = 0; i < kPublisherDigits; ++i) {
        if (!isAsciiDigit(text[prefix + i]))
            return false;
    }
    return !isAsciiDigit(text[prefix + kPublisherDigits]);
}

// The publisher id of the first "ca-pub-" id in `text` (script text or a URL): true and `id` :=
// "pub-" and its digits.
bool findClientId(const char* text, std::string& id) {
    for (const char* p = text; (p = std::strstr(p, kClientPrefix)) != nullptr; ++p) {
        if (startsWithClientId(p)) {
            id.assign(p + std::strlen(kClientPrefix), std::strlen(kPublisherPrefix) + kPublisherDigits);
            return true;
        }
    }
    return false;
}

// A client value as the old ad code wrote it: "pub-..." as it is, today's "ca-pub-..." id as its
// publisher id.
std::string publisherOfClient(const std::string& client) {
    return startsWithClientId(client.c_str()) ? client.substr(std::strlen(kClientPrefix)) : client;
}

// Records a publisher id read from the page: the first one is kept, a different later one marks
// the ad code as inconsistent. True when quick mode ends the whole operation here.
bool notePublisher(SiteAnalyzer& a, const std::string& id) {
    if (a.googleId.getSize() > 0) {
        if (!a.googleId.equals(id.c_str()))
            a.troubleParsingGoogle = 1;
        return false;
    }
    a.googleId.setString(id.c_str());
    return a.quickMode;
}

// The old ad code: a script that sets both google_ad_client and google_ad_format. True when quick
// mode ends the whole operation.
bool readOldAdCode(SiteAnalyzer& a, const std::string& text, size_t c, size_t f) {
    std::string client, format;
    // Both opening quotes must exist before either value is read.
    if (quoteAfter(text, c) < 0 || quoteAfter(text, f) < 0 || !quotedValue(text, c, client) ||
        !quotedValue(text, f, format)) {
        a.troubleParsingGoogle = 1;
        return false;
    }
    client = publisherOfClient(client);
    if (client.rfind(kPublisherPrefix, 0) == 0 || a.googleId.getSize() > 0) {
        if (notePublisher(a, client))
            return true;
    } else {
        a.troubleParsingGoogle = 1;
    }
    if (!a.quickMode)
        recordFormat(a, format);
    return false;
}

// One script: the old ad code in its text, else a "ca-pub-" id in its text or in its source URL
// (adsbygoogle.js?client=...). True when quick mode ends the whole operation.
bool readScript(SiteAnalyzer& a, TreeNode& script) {
    StringBuffer content;
    if (script.hasContent())
        content.setString(script.getContent());
    // Script text that does not begin with '<' (no "<!--" opener) sits in text children.
    if (content.getSize() == 0)
        script.accumulateTagContent("text", content, nullptr);
    std::string text(content.getString(), static_cast<size_t>(content.getSize()));
    size_t c = text.find("google_ad_client");
    size_t f = text.find("google_ad_format");
    if (c != std::string::npos && f != std::string::npos)
        return readOldAdCode(a, text, c, f);
    std::string id;
    StringBuffer src;
    if (findClientId(content.getString(), id) ||
        (script.getAttribute("src", src) && findClientId(src.getString(), id)))
        return notePublisher(a, id);
    return false;
}

// An ad unit's data-ad-client attribute: unreadable unless it holds a "ca-pub-" id.
bool readAdClientAttribute(SiteAnalyzer& a, const StringBuffer& value) {
    if (!startsWithClientId(value.getString())) {
        a.troubleParsingGoogle = 1;
        return false;
    }
    return notePublisher(a, publisherOfClient(value.getString()));
}

// The script and ad-unit pass, in one breadth-first walk (the order of SearchForTag), which also
// finds the search form for the later step. True when quick mode ends the whole operation.
bool readAdElements(SiteAnalyzer& a, ClsXml& xml, const char* formPattern, TreeNode*& searchForm) {
    std::vector<TreeNode*> queue;
    if (xml.getNode() != nullptr)
        queue.push_back(xml.getNode());
    StringBuffer value;
    for (size_t head = 0; head < queue.size(); ++head) {
        TreeNode* node = queue[head];
        for (TreeNode* child = node->firstChild(); child != nullptr; child = child->nextSibling())
            queue.push_back(child);
        if (node->tagEquals("script") && readScript(a, *node))
            return true;
        if (node->getAttribute("data-ad-client", value) && readAdClientAttribute(a, value))
            return true;
        if (searchForm == nullptr && node->tagEquals("form") && node->attributeMatches("action", formPattern))
            searchForm = node;
    }
    return false;
}

} // namespace

void extractAdCodes(SiteAnalyzer& a, ClsXml& xml) {
    if (a.quickMode && a.googleId.getSize() > 0)
        return;
    std::string pattern = std::string("http://") + kAdSearchEngineHost + "/*";
    TreeNode* searchForm = nullptr;
    if (readAdElements(a, xml, pattern.c_str(), searchForm))
        return;
    if (a.quickMode && a.googleId.getSize() > 0)
        return;

    if (searchForm == nullptr)
        return;
    ClsXml form(searchForm);
    std::unique_ptr<ClsXml> input(form.SearchForAttribute(nullptr, "input", "name", "client"));
    if (!input)
        return;
    StringBuffer value;
    input->GetAttrValue("value", value);
    if (!value.beginsWith(kPublisherPrefix) || !input->HasAttrWithValue("type", "hidden"))
        return;
    if (notePublisher(a, value.getString()))
        return;
    ++a.numSearchUnits;
}
