#include "app/process_entry.h"
#include "tests/app/recording_job.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>

namespace {

using file_test::readBytes;
using file_test::writeBytes;
using Lines = std::multiset<std::string>;

// Runs the crawler process in a child whose current directory is the test's own; what the job
// saw comes back in files.
class CrawlerProcess : public file_test::TempDirTest {
protected:
    void runCrawler() {
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(0, runInChild([this] {
                      int rc = crawlerProcessMain(CommandLine{}, job);
                      std::ofstream seenFile("seen.txt", std::ios::binary);
                      seenFile << job.analyzersCreated << "\n";
                      for (const std::string& domain : job.seen())
                          seenFile << domain << "\n";
                      return rc;
                  }));
        elapsedMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        std::vector<std::string> lines = splitLines(readBytes("seen.txt"));
        analyzersCreated = std::stoi(lines.at(0));
        seen = Lines(lines.begin() + 1, lines.end());
        log = readBytes("log.txt");
    }

    // The rest of each log line that starts with `prefix`.
    Lines logged(const std::string& prefix) const {
        Lines found;
        for (const std::string& line : splitLines(log))
            if (line.rfind(prefix, 0) == 0)
                found.insert(line.substr(prefix.size()));
        return found;
    }

    RecordingJob job;
    int analyzersCreated = -1;
    long elapsedMs = -1;
    Lines seen;
    std::string log;
};

// Without a configuration nothing but the working directory is made; then the files open in the
// order input, result, error, and the first that fails stops the run before any worker.
TEST_F(CrawlerProcess, ASetupThatFailsStopsTheRunBeforeAnyWorker) {
    job.configLoads = false;
    writeBytes("in.txt", "example.com\n");
    runCrawler();
    EXPECT_TRUE(std::filesystem::exists("c:/Orrastead"));
    EXPECT_FALSE(std::filesystem::exists("log.txt"));

    job.configLoads = true;
    job.config.inFile.setString("missing.txt");
    runCrawler();
    EXPECT_EQ(Lines{"missing.txt"}, logged("Failed to open "));
    EXPECT_FALSE(std::filesystem::exists("out.txt"));

    job.config.inFile.setString("in.txt");
    job.config.outFile.setString("no-such-dir/out.txt");
    runCrawler();
    EXPECT_EQ(Lines{"no-such-dir/out.txt"}, logged("Failed to open "));
    EXPECT_FALSE(std::filesystem::exists("err.txt"));
    EXPECT_EQ(0, analyzersCreated);
    EXPECT_TRUE(logged("starting thread ").empty());
    EXPECT_TRUE(seen.empty());
}

TEST_F(CrawlerProcess, EmptyInputEndsEveryWorkerAndLeavesEmptyFiles) {
    writeBytes("in.txt", "");
    runCrawler();
    EXPECT_EQ(6, analyzersCreated);
    EXPECT_EQ(6u, logged("starting thread ").size());
    EXPECT_EQ(0u, std::filesystem::file_size("out.txt"));
    EXPECT_EQ(0u, std::filesystem::file_size("err.txt"));
    // The main thread polls once a second; a hang would show as many seconds.
    EXPECT_LT(elapsedMs, 5000);
}

TEST(WorkerCount, NoCountMeansSixAndTheTableSizeIsTheMost) {
    const std::pair<int, int> cases[] = {{0, 6}, {-3, 6}, {1, 1}, {124, 124}, {125, 124}, {100000, 124}};
    for (const auto& [configured, expected] : cases)
        EXPECT_EQ(expected, effectiveWorkerCount(configured)) << configured;
}

// Every shape of input line at once, across the largest pool: each valid domain is run exactly
// once, each invalid line logged once, and no result or error line is cut, lost or mixed.
TEST_F(CrawlerProcess, PoolOfMaximumSizeLosesAndDuplicatesNothing) {
    const std::vector<case_rows::Row> shapes = case_rows::read(APP_TEST_DATA_DIR "/input_line_shapes.tsv", 5);
    std::string input;
    Lines valid, invalid;
    for (int i = 0; i < 100000; ++i) {
        std::string n = std::to_string(i);
        const case_rows::Row& shape = shapes[static_cast<size_t>(i) % shapes.size()];
        input += shape[0] + n + shape[1];
        (shape[4] == "1" ? valid : invalid).insert(shape[2] + n + shape[3]);
        if (i % 10 == 0) {
            // A blank line, and a line of 797 bytes and more: read in pieces, each a line of its own.
            std::string head = "p" + n + std::string(796 - n.size(), 'q');
            input += "\n" + head + " long" + n + ".net\n";
            invalid.insert({"", head});
            valid.insert("long" + n + ".net");
        }
    }
    writeBytes("in.txt", input);
    job.config.numThreads = 124;
    job.failEvery = 7;
    runCrawler();

    EXPECT_EQ(124, analyzersCreated);
    EXPECT_EQ(124u, logged("starting thread ").size());
    EXPECT_TRUE(seen == valid) << "jobs " << seen.size() << " expected " << valid.size();
    EXPECT_TRUE(logged("Invalid Domain: ") == invalid);

    Lines written;
    for (const std::string& line : splitLines(readBytes("out.txt"))) {
        size_t first = line.find('|');
        size_t last = line.rfind('|');
        ASSERT_NE(std::string::npos, first) << line;
        std::string domain = line.substr(0, first);
        ASSERT_EQ(domain, line.substr(last + 1)) << "a result line was cut or interleaved";
        ASSERT_EQ(std::string(last - first - 1, 'x'), line.substr(first + 1, last - first - 1));
        written.insert(domain);
    }
    size_t failures = 0;
    for (const std::string& line : splitLines(readBytes("err.txt"))) {
        ASSERT_EQ(0u, line.rfind("Failed: ", 0)) << line;
        EXPECT_EQ(0u, std::hash<std::string>{}(line.substr(8)) % 7);
        written.insert(line.substr(8));
        ++failures;
    }
    EXPECT_GT(failures, 0u);
    EXPECT_TRUE(written == valid);
}

} // namespace
