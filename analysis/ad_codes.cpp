#include "analysis/ad_codes.h"

#include "analysis/site_analyzer.h"
#include "base/string_buffer.h"
#include "markup/cls_xml.h"

#include <cstring>
#include <memory>
#include <string>

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

// The script pass; true when quick mode ends the whole operation.
bool readScripts(SiteAnalyzer& a, ClsXml& xml) {
    std::unique_ptr<ClsXml> script(xml.SearchForTag(nullptr, "script"));
    for (; script; script.reset(xml.SearchForTag(script.get(), "script"))) {
        StringBuffer content;
        script->GetContentSb(content);
        // Script text that does not begin with '<' (no "<!--" opener) sits in text children.
        if (content.getSize() == 0)
            script->AccumulateTagContent("text", content, nullptr);
        std::string text(content.getString(), static_cast<size_t>(content.getSize()));
        size_t c = text.find("google_ad_client");
        size_t f = text.find("google_ad_format");
        if (c == std::string::npos || f == std::string::npos)
            continue;
        std::string client, format;
        // Both opening quotes must exist before either value is read.
        if (quoteAfter(text, c) < 0 || quoteAfter(text, f) < 0 || !quotedValue(text, c, client) ||
            !quotedValue(text, f, format)) {
            a.troubleParsingGoogle = 1;
            continue;
        }
        if (a.googleId.getSize() > 0) {
            if (!a.googleId.equals(client.c_str()))
                a.troubleParsingGoogle = 1;
        } else if (client.rfind("pub-", 0) == 0) {
            a.googleId.setString(client.c_str());
            if (a.quickMode)
                return true;
        } else {
            a.troubleParsingGoogle = 1;
        }
        if (!a.quickMode)
            recordFormat(a, format);
    }
    return false;
}

} // namespace

void extractAdCodes(SiteAnalyzer& a, ClsXml& xml) {
    if (a.quickMode && a.googleId.getSize() > 0)
        return;
    if (readScripts(a, xml))
        return;
    if (a.quickMode && a.googleId.getSize() > 0)
        return;

    std::string pattern = std::string("http://") + kAdSearchEngineHost + "/*";
    std::unique_ptr<ClsXml> form(xml.SearchForAttribute(nullptr, "form", "action", pattern.c_str()));
    if (!form)
        return;
    std::unique_ptr<ClsXml> input(form->SearchForAttribute(nullptr, "input", "name", "client"));
    if (!input)
        return;
    StringBuffer value;
    input->GetAttrValue("value", value);
    if (!value.beginsWith("pub-") || !input->HasAttrWithValue("type", "hidden"))
        return;
    if (a.googleId.getSize() > 0) {
        if (!a.googleId.equalsSb(value))
            a.troubleParsingGoogle = 1;
    } else {
        a.googleId.setSb(value);
        if (a.quickMode)
            return;
    }
    ++a.numSearchUnits;
}
