#include "app/resume_journal.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class ResumeJournalRead : public file_test::TempDirTest {};

TEST_F(ResumeJournalRead, CutsTheFilesAndFindsTheCheckpoint) {
    for (const case_rows::Row& c : case_rows::read(APP_TEST_DATA_DIR "/resume_journals.tsv", 5)) {
        SCOPED_TRACE(c[0]);
        const bool resumed = c[2] == "1";
        file_test::writeBytes("out.txt", std::string(40, 'x'));
        file_test::writeBytes("err.txt", std::string(12, 'y'));
        file_test::writeBytes("in.txt", std::string(100, 'z'));
        file_test::writeBytes("out.txt.resume", c[1]);
        ResumeJournal journal;
        EXPECT_EQ(resumed, journal.load("out.txt"));
        FILE* in = std::fopen("in.txt", "rb");
        FILE* o = std::fopen("out.txt", resumed ? "a" : "w");
        FILE* e = std::fopen("err.txt", resumed ? "a" : "w");
        ASSERT_TRUE(journal.begin("out.txt", in, o, e));
        EXPECT_EQ(std::stol(c[4]), ftell(in));
        std::fclose(in);
        std::fclose(o);
        std::fclose(e);
        journal.end(false);
        EXPECT_EQ(std::stoul(c[3]), file_test::readBytes("out.txt").size());
    }
}

} // namespace
