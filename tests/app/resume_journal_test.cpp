#include "app/resume_journal.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// What a journal left by a killed run makes of the next start.
struct JournalCase {
    const char* name;
    const char* journal;
    bool resumed;
    long outSize; // the result file after the start; it held 40 bytes
    long inputAt; // where the input is read from
};

void PrintTo(const JournalCase& c, std::ostream* os) {
    *os << c.name;
}

class ResumeJournalRead : public file_test::TempDirTest, public ::testing::WithParamInterface<JournalCase> {};

TEST_P(ResumeJournalRead, CutsTheFilesAndFindsTheCheckpoint) {
    const JournalCase& c = GetParam();
    file_test::writeBytes("out.txt", std::string(40, 'x'));
    file_test::writeBytes("err.txt", std::string(12, 'y'));
    file_test::writeBytes("in.txt", std::string(100, 'z'));
    file_test::writeBytes("out.txt.resume", c.journal);
    ResumeJournal journal;
    EXPECT_EQ(c.resumed, journal.load("out.txt"));
    FILE* in = std::fopen("in.txt", "rb");
    FILE* o = std::fopen("out.txt", c.resumed ? "a" : "w");
    FILE* e = std::fopen("err.txt", c.resumed ? "a" : "w");
    ASSERT_TRUE(journal.begin("out.txt", in, o, e));
    EXPECT_EQ(c.inputAt, ftell(in));
    std::fclose(in);
    std::fclose(o);
    std::fclose(e);
    journal.end(false);
    EXPECT_EQ(static_cast<size_t>(c.outSize), file_test::readBytes("out.txt").size());
}

INSTANTIATE_TEST_SUITE_P(
    Journals, ResumeJournalRead,
    ::testing::Values(
        JournalCase{"none", "", false, 0, 0}, JournalCase{"checkpoint", "c 30 20 5\n", true, 20, 30},
        JournalCase{"lastWholeRecordWins", "c 0 0 0\nd 0 10 10 0\nd 20 10 30 12\n", true, 30, 10},
        JournalCase{"tornRecordIgnored", "c 0 0 0\nd 0 10 10 0\nd 20 10 3", true, 10, 10},
        JournalCase{"foreignLineEndsReading", "c 0 0 0\nd 0 10 10 0\nhello\nd 20 10 30 0\n", true, 10, 10},
        JournalCase{"completedRunStartsAfresh", "c 0 0 0\nd 0 10 10 0\ncomplete\n", false, 0, 0}),
    [](const ::testing::TestParamInfo<JournalCase>& info) { return std::string(info.param.name); });

} // namespace
