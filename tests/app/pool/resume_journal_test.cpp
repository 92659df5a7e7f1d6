#include "app/redis_queue.h"
#include "app/resume_journal.h"
#include "tests/app/pool/recording_job.h"

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

class ResumeJournalRead : public ::testing::TestWithParam<JournalCase> {};

TEST_P(ResumeJournalRead, CutsTheFilesAndFindsTheCheckpoint) {
    const JournalCase& c = GetParam();
    std::string dir = makeTempDir();
    std::string out = dir + "/out.txt";
    writeFile(out, std::string(40, 'x'));
    writeFile(dir + "/err.txt", std::string(12, 'y'));
    writeFile(dir + "/in.txt", std::string(100, 'z'));
    writeFile(out + ".resume", c.journal);
    EXPECT_EQ(c.resumed, loadResumeJournal(out.c_str()));
    FILE* in = std::fopen((dir + "/in.txt").c_str(), "rb");
    FILE* o = std::fopen(out.c_str(), c.resumed ? "a" : "w");
    FILE* e = std::fopen((dir + "/err.txt").c_str(), c.resumed ? "a" : "w");
    ASSERT_TRUE(beginResumableRun(out.c_str(), in, o, e));
    EXPECT_EQ(c.inputAt, ftell(in));
    std::fclose(in);
    std::fclose(o);
    std::fclose(e);
    endResumableRun(false);
    EXPECT_EQ(static_cast<size_t>(c.outSize), readFile(out).size());
    removeTree(dir);
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

struct UrlCase {
    const char* url;
    bool valid;
    const char* host;
    int port;
    const char* password;
    int db;
};

class RedisUrl : public ::testing::TestWithParam<UrlCase> {};

TEST_P(RedisUrl, Parses) {
    const UrlCase& c = GetParam();
    RedisAddress address;
    ASSERT_EQ(c.valid, parseRedisUrl(c.url, address)) << c.url;
    if (!c.valid)
        return;
    EXPECT_STREQ(c.host, address.host.getString());
    EXPECT_EQ(c.port, address.port);
    EXPECT_STREQ(c.password, address.password.getString());
    EXPECT_EQ(c.db, address.db);
}

INSTANTIATE_TEST_SUITE_P(Urls, RedisUrl,
                         ::testing::Values(UrlCase{"redis://q:7000", true, "q", 7000, "", 0},
                                           UrlCase{"redis://q", true, "q", 6379, "", 0},
                                           UrlCase{"redis://:s3cr@t@10.0.0.5:6380/2", true, "10.0.0.5", 6380,
                                                   "s3cr@t", 2},
                                           UrlCase{"redis://[::1]:7000/", true, "::1", 7000, "", 0},
                                           UrlCase{"redis://q:70000", false, "", 0, "", 0},
                                           UrlCase{"redis://q:/1", false, "", 0, "", 0},
                                           UrlCase{"redis://q:7000/x", false, "", 0, "", 0},
                                           UrlCase{"http://q:7000", false, "", 0, "", 0},
                                           UrlCase{"redis://:7000", false, "", 0, "", 0}));

} // namespace
