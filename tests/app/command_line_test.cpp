// The command line: each option, its value and the ways it can be wrong, as a table.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CommandLineCase {
    std::vector<const char*> args; // after the program name
    bool accepted;
    CommandLine::Mode mode;
    const char* configFile;
    int threads;
    const char* errorStart; // the start of the reason given for a refusal
};

using M = CommandLine::Mode;
const CommandLineCase kCases[] = {
    {{}, true, M::Crawl, "", 0, ""},
    {{"--help"}, true, M::Help, "", 0, ""},
    {{"--version"}, true, M::Version, "", 0, ""},
    {{"--config", "my.xml", "--threads", "124"}, true, M::Crawl, "my.xml", 124, ""},
    {{"--threads", "0"}, false, M::Crawl, "", 0, "--threads takes"},
    {{"--threads", "125"}, false, M::Crawl, "", 0, "--threads takes"},
    {{"--threads", "8x"}, false, M::Crawl, "", 0, "--threads takes"},
    {{"--config"}, false, M::Crawl, "", 0, "missing value for --config"},
    {{"--config", ""}, false, M::Crawl, "", 0, "missing value"},
    {{"-x"}, false, M::Crawl, "", 0, "unknown option: -x"},
    {{"help"}, false, M::Crawl, "", 0, "unknown option: help"},
    {{"--collect", "--status"}, false, M::Crawl, "", 0, "conflicting options"},
    {{"--status", "--config", "q.xml"}, true, M::Status, "q.xml", 0, ""}};

TEST(CommandLine, ParsesOrRefuses) {
    for (const CommandLineCase& c : kCases) {
        std::vector<const char*> argv{"dunmere"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        CommandLine parsed;
        StringBuffer error;
        ASSERT_EQ(parseCommandLine(static_cast<int>(argv.size()), argv.data(), parsed, error), c.accepted)
            << error.getString();
        if (!c.accepted) {
            EXPECT_TRUE(error.beginsWith(c.errorStart)) << error.getString();
            continue;
        }
        EXPECT_EQ(parsed.mode, c.mode);
        EXPECT_STREQ(parsed.configFile.getString(), c.configFile);
        EXPECT_EQ(parsed.threads, c.threads);
    }
}

} // namespace
