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

// "1", "true" and "yes" (any case, blanks around) switch a setting on; anything else leaves it off.
bool switchedOn(const StringBuffer& text) {
    StringBuffer value;
    value.setSb(text);
    value.trim();
    return value.equals("1") || value.equalsIgnoreCase("true") || value.equalsIgnoreCase("yes");
}

} // namespace

bool readConfigurationFile(const char* path, CrawlerConfig& config) {
    ClsXml xml;
    if (!xml.LoadXmlFile(path))
        return false;
    StringBuffer text;
    xml.GetChildContent("numThreads", text);
    config.numThreads = leadingInteger(text);
    xml.GetChildContent("logFile", config.logFile);
    xml.GetChildContent("inFile", config.inFile);
    xml.GetChildContent("outFile", config.outFile);
    xml.GetChildContent("errFile", config.errFile);
    xml.GetChildContent("resume", text);
    config.resume = switchedOn(text);
    xml.GetChildContent("queue", config.queue);
    config.queue.trim();
    xml.GetChildContent("queueName", config.queueName);
    config.queueName.trim();
    if (config.queueName.getSize() == 0)
        config.queueName.setString(kDefaultQueueName);
    xml.GetChildContent("outFormat", config.outFormat);
    config.outFormat.trim();
    config.outFormat.toLowerCase();
    if (config.outFormat.getSize() == 0)
        config.outFormat.setString("pipe");
    return true;
}

bool loadConfiguration(CrawlerConfig& config) {
    if (readConfigurationFile(kConfigurationPath, config))
        return true;
    // Missing, unreadable or malformed: the operator gets a file to edit before the next run.
    ClsXml defaults;
    defaults.put_Tag("config");
    for (const DefaultSetting& setting : kDefaults)
        defaults.NewChild2(setting.element, setting.text);
    if (!defaults.SaveXml(kConfigurationPath))
        std::printf("Failed to write %s\n", kConfigurationPath);
    return false;
}
