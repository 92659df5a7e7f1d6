#include "app/configuration.h"

#include "markup/cls_xml.h"

#include <cstdio>

namespace {

// The settings in the order the default file lists them, with the text each is written with.
struct DefaultSetting {
    const char* element;
    const char* text;
};

const DefaultSetting kDefaults[] = {
    {"logFile", "c:/Orrastead/DunmereLog.txt"},
    {"inFile", "c:/Orrastead/DunmereIn.txt"},
    {"outFile", "c:/Orrastead/DunmereOut.txt"},
    {"errFile", "c:/Orrastead/DunmereErr.txt"},
    {"numThreads", "6"},
};

// The leading decimal integer of the text, 0 when it does not start with one.
int leadingInteger(const StringBuffer& text) {
    int value = 0;
    if (std::sscanf(text.getString(), "%d", &value) != 1)
        return 0;
    return value;
}

} // namespace

bool loadConfiguration(CrawlerConfig& config) {
    ClsXml xml;
    if (xml.LoadXmlFile(kConfigurationPath)) {
        StringBuffer threads;
        xml.GetChildContent("numThreads", threads);
        config.numThreads = leadingInteger(threads);
        xml.GetChildContent("logFile", config.logFile);
        xml.GetChildContent("inFile", config.inFile);
        xml.GetChildContent("outFile", config.outFile);
        xml.GetChildContent("errFile", config.errFile);
        return true;
    }
    // Missing, unreadable or malformed: the operator gets a file to edit before the next run.
    ClsXml defaults;
    defaults.put_Tag("config");
    for (const DefaultSetting& setting : kDefaults)
        defaults.NewChild2(setting.element, setting.text);
    defaults.SaveXml(kConfigurationPath);
    return false;
}
