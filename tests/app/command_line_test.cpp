// The command line: each option, its value and the ways it can be wrong, as a table.
#include "app/command_line.h"

#include "tests/analysis/string_table.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char* const kModeNames[] = {"crawl", "help", "version", "enqueue", "collect", "status"};

TEST(CommandLine, ParsesOrRefuses) {
    for (const case_rows::Row& c : case_rows::read(APP_TEST_DATA_DIR "/command_lines.tsv", 5)) {
        ClsStringArray args;
        appendEntries(c[0], args);
        std::vector<const char*> argv{"dunmere"};
        for (int i = 0; i < args.get_Count(); ++i)
            argv.push_back(args.GetString(i));
        CommandLine parsed;
        StringBuffer error;
        ASSERT_EQ(parseCommandLine(static_cast<int>(argv.size()), argv.data(), parsed, error), c[1] == "1")
            << c[0] << ": " << error.getString();
        if (c[1] != "1") {
            EXPECT_TRUE(error.beginsWith(c[2].c_str())) << c[0] << ": " << error.getString();
            continue;
        }
        EXPECT_EQ(kModeNames[static_cast<int>(parsed.mode)], c[2]) << c[0];
        EXPECT_EQ(parsed.configFile.getString(), c[3]) << c[0];
        EXPECT_EQ(parsed.threads, std::stoi(c[4])) << c[0];
    }
}

} // namespace
