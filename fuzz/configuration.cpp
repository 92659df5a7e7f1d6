// libFuzzer target for the configuration file. The input is the file: what loads from it, written
// back as a configuration file, loads to the same settings; a file that does not load is replaced
// by the default one, which then loads. (File names holding an ampersand aside: the XML tree keeps
// entity references in content as written.)
#include "app/configuration.h"
#include "fuzz_support.h"
#include "markup/cls_xml.h"

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The settings read back equal those written, each name compared when it can be written as it was
// read, and without blanks at its ends: content that ends in an unfinished CDATA section keeps
// them, and written back as a whole section it is trimmed like any other.
bool sameSettings(const CrawlerConfig& a, const CrawlerConfig& b) {
    const StringBuffer* names[][2] = {
        {&a.logFile, &b.logFile}, {&a.inFile, &b.inFile}, {&a.outFile, &b.outFile}, {&a.errFile, &b.errFile}};
    for (const auto& pair : names) {
        std::string written = fuzz::trimmedAsXmlContent(pair[0]->getString());
        if (fuzz::readsBackFromXmlContent(written) &&
            written != fuzz::trimmedAsXmlContent(pair[1]->getString()))
            return false;
    }
    return a.numThreads == b.numThreads;
}

void checkConfiguration(const uint8_t* data, size_t size) {
    fuzz::check(fuzz::writeFile(kConfigurationPath, std::string(reinterpret_cast<const char*>(data), size)));
    CrawlerConfig config;
    if (!loadConfiguration(config)) {
        CrawlerConfig defaults;
        fuzz::check(loadConfiguration(defaults));
        return;
    }

    ClsXml written;
    written.put_Tag("config");
    StringBuffer threads;
    threads.appendInt(config.numThreads);
    written.NewChild2("numThreads", threads.getString());
    written.NewChild2("logFile", config.logFile.getString());
    written.NewChild2("inFile", config.inFile.getString());
    written.NewChild2("outFile", config.outFile.getString());
    written.NewChild2("errFile", config.errFile.getString());
    fuzz::check(written.SaveXml(kConfigurationPath));
    CrawlerConfig again;
    fuzz::check(loadConfiguration(again));
    fuzz::check(sameSettings(config, again));
}

} // namespace

// The file lives at a fixed path below the working directory: a directory of our own, entered
// for each run only, since libFuzzer names its corpus and findings relative to where it started.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string crawlerDir = std::string(fuzz::scratchDir()) + "/c:";
    fuzz::check(mkdir(crawlerDir.c_str(), 0700) == 0 &&
                mkdir((crawlerDir + "/Orrastead").c_str(), 0700) == 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int startDir = open(".", O_RDONLY | O_DIRECTORY);
    fuzz::check(startDir >= 0 && chdir(fuzz::scratchDir()) == 0);
    checkConfiguration(data, size);
    fuzz::check(fchdir(startDir) == 0);
    close(startDir);
    return 0;
}
