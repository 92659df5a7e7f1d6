// The configuration file: the default file written on a first run, and the reading of each
// setting, in a temporary working directory.
#include "app/configuration.h"

#include "../base/file_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using file_test::readBytes;
using file_test::writeBytes;

const char* const kDefaultFile = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
                                 "\r\n"
                                 "<config>\r\n"
                                 "<logFile>c:/Orrastead/DunmereLog.txt</logFile>\r\n"
                                 "<inFile>c:/Orrastead/DunmereIn.txt</inFile>\r\n"
                                 "<outFile>c:/Orrastead/DunmereOut.txt</outFile>\r\n"
                                 "<errFile>c:/Orrastead/DunmereErr.txt</errFile>\r\n"
                                 "<numThreads>6</numThreads>\r\n"
                                 "</config>\r\n";

class ConfigurationTest : public file_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        std::filesystem::create_directories("c:/Orrastead");
    }
    void writeConfig(const std::string& text) { writeBytes(kConfigurationPath, text); }
};

TEST_F(ConfigurationTest, FirstRunWritesTheDefaultsAndAnswersFalse) {
    CrawlerConfig config;
    EXPECT_FALSE(loadConfiguration(config));
    EXPECT_EQ(readBytes(kConfigurationPath), kDefaultFile);
    // Only the configuration file: no log, result or error file.
    EXPECT_EQ(listing().size(), 3u);
}

TEST_F(ConfigurationTest, TheDefaultFileReadsBack) {
    writeConfig(kDefaultFile);
    CrawlerConfig config;
    ASSERT_TRUE(loadConfiguration(config));
    EXPECT_STREQ(config.logFile.getString(), "c:/Orrastead/DunmereLog.txt");
    EXPECT_STREQ(config.inFile.getString(), "c:/Orrastead/DunmereIn.txt");
    EXPECT_STREQ(config.outFile.getString(), "c:/Orrastead/DunmereOut.txt");
    EXPECT_STREQ(config.errFile.getString(), "c:/Orrastead/DunmereErr.txt");
    EXPECT_EQ(config.numThreads, 6);
    // Without the settings added later, today's behaviour holds.
    EXPECT_FALSE(config.resume);
    EXPECT_STREQ(config.queue.getString(), "");
    EXPECT_STREQ(config.outFormat.getString(), "pipe");
}

struct ThreadsCase {
    const char* text;
    int expected;
};

class ThreadsTest : public ConfigurationTest, public ::testing::WithParamInterface<ThreadsCase> {};

TEST_P(ThreadsTest, LeadingIntegerOfTheText) {
    writeConfig(std::string("<config><numThreads>") + GetParam().text + "</numThreads></config>");
    CrawlerConfig config;
    ASSERT_TRUE(loadConfiguration(config));
    EXPECT_EQ(config.numThreads, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, ThreadsTest,
                         ::testing::Values(ThreadsCase{"12 workers", 12}, ThreadsCase{"  7", 7},
                                           ThreadsCase{"", 0}, ThreadsCase{"many", 0}, ThreadsCase{"-3", -3},
                                           ThreadsCase{"200", 200}));

TEST_F(ConfigurationTest, ExtraElementsAreIgnoredAndMissingOnesAreEmpty) {
    writeConfig("<settings mode=\"x\"><inFile>in.txt</inFile><colour>blue</colour>"
                "<outFile><b>nested</b></outFile></settings>");
    CrawlerConfig config;
    config.logFile.setString("stale");
    ASSERT_TRUE(loadConfiguration(config));
    EXPECT_STREQ(config.inFile.getString(), "in.txt");
    EXPECT_STREQ(config.logFile.getString(), "");
    EXPECT_STREQ(config.outFile.getString(), "");
    EXPECT_STREQ(config.errFile.getString(), "");
    EXPECT_EQ(config.numThreads, 0);
}

struct SwitchCase {
    const char* resume;
    bool on;
};

class ResumeSwitchTest : public ConfigurationTest, public ::testing::WithParamInterface<SwitchCase> {};

// The settings added for resuming, the shared queue and the output format: absent, they keep
// today's behaviour.
TEST_P(ResumeSwitchTest, OnlyOneTrueOrYesSwitchItOn) {
    writeConfig(std::string("<config><resume>") + GetParam().resume +
                "</resume><queue> redis://q:7000 </queue>"
                "<outFormat>JSONL</outFormat></config>");
    CrawlerConfig config;
    ASSERT_TRUE(loadConfiguration(config));
    EXPECT_EQ(config.resume, GetParam().on);
    EXPECT_STREQ(config.queue.getString(), "redis://q:7000");
    EXPECT_STREQ(config.queueName.getString(), "dunmere");
    EXPECT_STREQ(config.outFormat.getString(), "jsonl");
}

INSTANTIATE_TEST_SUITE_P(Texts, ResumeSwitchTest,
                         ::testing::Values(SwitchCase{"1", true}, SwitchCase{" TRUE ", true},
                                           SwitchCase{"yes", true}, SwitchCase{"0", false},
                                           SwitchCase{"", false}, SwitchCase{"on", false},
                                           SwitchCase{"yes please", false}));

TEST_F(ConfigurationTest, AFileThatIsNoXmlIsReplacedByTheDefaults) {
    writeConfig("numThreads = 9\n");
    CrawlerConfig config;
    EXPECT_FALSE(loadConfiguration(config));
    EXPECT_EQ(readBytes(kConfigurationPath), kDefaultFile);
}

TEST_F(ConfigurationTest, WithoutTheWorkingDirectoryNothingIsWritten) {
    std::filesystem::remove_all("c:");
    CrawlerConfig config;
    EXPECT_FALSE(loadConfiguration(config));
    EXPECT_FALSE(std::filesystem::exists(kConfigurationPath));
}

} // namespace
