#include "app/run_statistics.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Progress, ShowsTheShareOfTheInputAndTheTimeLeft) {
    RunStatistics s;
    s.inputBytesTotal = 4000;
    s.inputBytesRead = 1000;
    char line[256];
    s.formatProgress(600, line, sizeof(line));
    // A quarter read in ten minutes leaves thirty.
    EXPECT_NE(std::string(line).find("25% of the input read, about 0:30 left"), std::string::npos) << line;
    s.inputBytesTotal = 0;
    s.formatProgress(600, line, sizeof(line));
    EXPECT_EQ(std::string(line).find("left"), std::string::npos) << line;
}

} // namespace
