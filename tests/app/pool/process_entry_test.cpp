#include "app/process_entry.h"
#include "tests/app/pool/recording_job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

namespace {

// Runs the crawler process in a child whose current directory is a fresh temporary
// directory; the files the test names are relative to it.
class CrawlerProcess : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir();
        ASSERT_FALSE(dir.empty());
        RecordingJob& d = recordingJob();
        d.configLoads = true;
        d.logFile = dir + "/log.txt";
        d.inFile = dir + "/in.txt";
        d.outFile = dir + "/out.txt";
        d.errFile = dir + "/err.txt";
        d.numThreads = 0;
        d.failEvery = 0;
    }
    void TearDown() override { removeTree(dir); }

    // Runs the process; the child leaves what the job saw in files of the directory.
    void runCrawler() {
        testDir = dir;
        ASSERT_EQ(0, runInChild([] {
                      if (chdir(testDir.c_str()) != 0)
                          _exit(3);
                      auto start = std::chrono::steady_clock::now();
                      int rc = crawlerProcessMain(CommandLine{}, recordingJob());
                      auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
                      RecordingJob& d = recordingJob();
                      std::ofstream seen(testDir + "/seen.txt", std::ios::binary);
                      for (auto& list : d.domainsByWorker)
                          for (auto& domain : list)
                              seen << domain << "\n";
                      std::ofstream facts(testDir + "/facts.txt");
                      facts << rc << " " << d.createAnalyzersCalls.load() << " " << d.analyzersCreated << " "
                            << ms << "\n";
                  }));
        std::ifstream facts(dir + "/facts.txt");
        facts >> exitCode >> createCalls >> analyzersCreated >> elapsedMs;
        seen = splitLines(readFile(dir + "/seen.txt"));
        log = readFile(dir + "/log.txt");
    }

    int countStartedThreads() const {
        int started = 0;
        for (const std::string& line : splitLines(log))
            if (line.rfind("starting thread ", 0) == 0)
                ++started;
        return started;
    }

    static inline std::string testDir;
    std::string dir;
    int exitCode = -1, createCalls = -1, analyzersCreated = -1;
    long elapsedMs = -1;
    std::vector<std::string> seen;
    std::string log;
};

TEST_F(CrawlerProcess, CreatesWorkingDirectoryAndStopsWhenConfigurationIsMissing) {
    recordingJob().configLoads = false;
    writeFile(dir + "/in.txt", "example.com\n");
    runCrawler();
    EXPECT_EQ(0, exitCode);
    EXPECT_TRUE(fileExists(dir + "/c:/Orrastead"));
    EXPECT_FALSE(fileExists(dir + "/log.txt"));
    EXPECT_FALSE(fileExists(dir + "/out.txt"));
    EXPECT_EQ(0, createCalls);
    EXPECT_TRUE(seen.empty());
}

TEST_F(CrawlerProcess, EmptyInputEndsEveryWorkerAndLeavesEmptyFiles) {
    writeFile(dir + "/in.txt", "");
    runCrawler();
    EXPECT_EQ(6, analyzersCreated);
    EXPECT_EQ(6, countStartedThreads());
    EXPECT_TRUE(fileExists(dir + "/out.txt"));
    EXPECT_TRUE(fileExists(dir + "/err.txt"));
    EXPECT_EQ("", readFile(dir + "/out.txt"));
    EXPECT_EQ("", readFile(dir + "/err.txt"));
    // The main thread polls once a second; a hang would show as many seconds.
    EXPECT_LT(elapsedMs, 5000);
}

TEST_F(CrawlerProcess, UnopenableResultFileStopsBeforeAnyWorker) {
    writeFile(dir + "/in.txt", "example.com\n");
    recordingJob().outFile = dir + "/no-such-dir/out.txt";
    runCrawler();
    EXPECT_NE(std::string::npos, log.find("Failed to open " + dir + "/no-such-dir/out.txt\n"));
    EXPECT_FALSE(fileExists(dir + "/err.txt"));
    EXPECT_EQ(0, createCalls);
    EXPECT_EQ(0, countStartedThreads());
    EXPECT_TRUE(seen.empty());
}

TEST_F(CrawlerProcess, UnopenableInputFileIsReportedAndNothingElseOpened) {
    runCrawler();
    EXPECT_NE(std::string::npos, log.find("Failed to open " + dir + "/in.txt\n"));
    EXPECT_FALSE(fileExists(dir + "/out.txt"));
    EXPECT_FALSE(fileExists(dir + "/err.txt"));
}

struct ThreadCountCase {
    int configured;
    int expected;
};

void PrintTo(const ThreadCountCase& c, std::ostream* os) { *os << c.configured << " -> " << c.expected; }

class WorkerCount : public CrawlerProcess, public ::testing::WithParamInterface<ThreadCountCase> {};

TEST_P(WorkerCount, StartsTheClampedNumberOfWorkers) {
    writeFile(dir + "/in.txt", "one.com\ntwo.org\n");
    recordingJob().numThreads = GetParam().configured;
    runCrawler();
    EXPECT_EQ(GetParam().expected, analyzersCreated);
    EXPECT_EQ(GetParam().expected, countStartedThreads());
    EXPECT_NE(std::string::npos, log.find("starting thread " + std::to_string(GetParam().expected) + "\n"));
    EXPECT_EQ(2u, seen.size());
}

INSTANTIATE_TEST_SUITE_P(Configured, WorkerCount,
                         ::testing::Values(ThreadCountCase{0, 6}, ThreadCountCase{-3, 6}, ThreadCountCase{1, 1},
                                           ThreadCountCase{12, 12}, ThreadCountCase{124, 124},
                                           ThreadCountCase{125, 124}, ThreadCountCase{100000, 124}));

TEST_F(CrawlerProcess, LongLineIsReadAsTwoPiecesEachValidatedOnItsOwn) {
    std::string firstPiece(797, 'a');
    std::string secondPiece = "tail.example.com";
    writeFile(dir + "/in.txt", firstPiece + secondPiece + "\n");
    runCrawler();
    EXPECT_NE(std::string::npos, log.find("Invalid Domain: " + firstPiece + "\n"));
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(secondPiece, seen[0]);
}

TEST_F(CrawlerProcess, BlankLinesAreLoggedAsInvalidAndSkipped) {
    writeFile(dir + "/in.txt", "\nExample.COM\r\n\r\n  \nexample.com.\n");
    recordingJob().numThreads = 1;
    runCrawler();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("example.com", seen[0]);
    std::multiset<std::string> invalid;
    for (const std::string& line : splitLines(log))
        if (line.rfind("Invalid Domain: ", 0) == 0)
            invalid.insert(line.substr(16));
    EXPECT_EQ((std::multiset<std::string>{"", "", "", "example.com."}), invalid);
    EXPECT_EQ("example.com|", readFile(dir + "/out.txt").substr(0, 12));
}

// The model of the input reader: each line is read in pieces of at most 797 bytes.
std::vector<std::string> piecesOf(const std::string& input) {
    std::vector<std::string> pieces;
    size_t pos = 0;
    while (pos < input.size()) {
        size_t end = input.find('\n', pos);
        size_t lineEnd = end == std::string::npos ? input.size() : end + 1;
        while (pos < lineEnd) {
            size_t n = std::min<size_t>(797, lineEnd - pos);
            pieces.push_back(input.substr(pos, n));
            pos += n;
        }
    }
    return pieces;
}

// The model of the queue's lower-casing: ASCII letters, and the one non-ASCII capital the input
// holds (U+00DC, whose small letter U+00FC differs in its second byte).
std::string normalised(std::string s) {
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b >= 'A' && b <= 'Z')
            s[i] = static_cast<char>(b + 32);
        else if (b == 0xC3 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x9C)
            s[++i] = '\xBC';
    }
    auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || static_cast<unsigned char>(c) == 0xA0;
    };
    size_t a = 0, b = s.size();
    while (a < b && isBlank(s[a]))
        ++a;
    while (b > a && isBlank(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

TEST_F(CrawlerProcess, PoolOfMaximumSizeLosesAndDuplicatesNothing) {
    std::string input;
    for (int i = 0; i < 100000; ++i) {
        switch (i % 10) {
        case 0: input += "Site" + std::to_string(i) + ".COM\r\n"; break;
        case 1: input += "  site" + std::to_string(i) + ".de\t\n"; break;
        case 2: input += "shop" + std::to_string(i) + ".co.uk\n"; break;
        case 3: input += "a.b.c" + std::to_string(i) + ".museum\n"; break;
        case 4: input += "host" + std::to_string(i) + ".org\n"; break;
        case 5: input += "host" + std::to_string(i) + ".localdomain\n"; break;
        case 6: input += "\n"; break;
        case 7: input += "trailing" + std::to_string(i) + ".com.\n"; break;
        case 8: {
            std::string head = "p" + std::to_string(i);
            input += head + std::string(797 - head.size(), 'q') + " long" + std::to_string(i) + ".net\n";
            break;
        }
        default: input += "M\xC3\x9C" "NCHEN" + std::to_string(i) + ".SHOP\n"; break;
        }
    }
    writeFile(dir + "/in.txt", input);
    recordingJob().numThreads = 124;
    recordingJob().failEvery = 7;
    runCrawler();

    std::multiset<std::string> expectedValid, expectedInvalid;
    for (const std::string& piece : piecesOf(input)) {
        std::string n = normalised(piece);
        size_t dot = n.rfind('.');
        static const std::set<std::string> tlds = {"com", "de", "uk", "museum", "org", "net", "shop"};
        if (dot != std::string::npos && tlds.count(n.substr(dot + 1)))
            expectedValid.insert(n);
        else
            expectedInvalid.insert(n);
    }
    ASSERT_EQ(70000u, expectedValid.size());

    EXPECT_EQ(124, analyzersCreated);
    EXPECT_EQ(124, countStartedThreads());
    std::multiset<std::string> jobs(seen.begin(), seen.end());
    EXPECT_TRUE(jobs == expectedValid) << "jobs " << jobs.size() << " expected " << expectedValid.size();

    std::multiset<std::string> loggedInvalid;
    for (const std::string& line : splitLines(log))
        if (line.rfind("Invalid Domain: ", 0) == 0)
            loggedInvalid.insert(line.substr(16));
    EXPECT_TRUE(loggedInvalid == expectedInvalid)
        << "logged " << loggedInvalid.size() << " expected " << expectedInvalid.size();

    std::multiset<std::string> results, failures;
    for (const std::string& line : splitLines(readFile(dir + "/out.txt"))) {
        size_t first = line.find('|');
        size_t last = line.rfind('|');
        ASSERT_NE(std::string::npos, first) << line;
        std::string domain = line.substr(0, first);
        ASSERT_EQ(domain, line.substr(last + 1)) << "a result line was cut or interleaved";
        ASSERT_EQ(std::string(last - first - 1, 'x'), line.substr(first + 1, last - first - 1));
        results.insert(domain);
    }
    for (const std::string& line : splitLines(readFile(dir + "/err.txt"))) {
        ASSERT_EQ(0u, line.rfind("Failed: ", 0)) << line;
        failures.insert(line.substr(8));
    }
    EXPECT_GT(failures.size(), 0u);
    EXPECT_EQ(expectedValid.size(), results.size() + failures.size());
    std::multiset<std::string> all = results;
    all.insert(failures.begin(), failures.end());
    EXPECT_TRUE(all == expectedValid);
    for (const std::string& f : failures)
        EXPECT_EQ(0u, std::hash<std::string>{}(f) % 7);
}

} // namespace
