// The configuration file: the default file written on a first run, and the reading of each
// setting, in a temporary working directory.
#include "app/configuration.h"

#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using file_test::readBytes;
using file_test::writeBytes;

class ConfigurationTest : public file_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        std::filesystem::create_directories("c:/Orrastead");
    }
    void writeConfig(const std::string& text) { writeBytes(kConfigurationPath, text); }
};

// A first run, or a file that is no XML: the defaults are written, the run ends, and the next
// run reads them back.
TEST_F(ConfigurationTest, MissingOrUnreadableFileIsReplacedByTheDefaults) {
    for (const char* before : {"", "numThreads = 9\n"}) {
        if (*before != 0)
            writeConfig(before);
        CrawlerConfig config;
        EXPECT_FALSE(loadConfiguration(config));
        EXPECT_EQ(readBytes(kConfigurationPath), readBytes(APP_TEST_DATA_DIR "/default_configuration.xml"));
        // Only the configuration file: no log, result or error file.
        EXPECT_EQ(listing().size(), 3u);
    }
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

TEST_F(ConfigurationTest, EachSettingIsReadFromItsText) {
    for (const case_rows::Row& c : case_rows::read(APP_TEST_DATA_DIR "/config_values.tsv", 4)) {
        writeConfig("<config><" + c[1] + ">" + c[2] + "</" + c[1] + "></config>");
        CrawlerConfig config;
        ASSERT_TRUE(loadConfiguration(config));
        EXPECT_EQ(std::to_string(c[1] == "resume" ? int{config.resume} : config.numThreads), c[3]) << c[0];
    }
}

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

// The shared queue and the output format are read as written, blanks and case aside.
TEST_F(ConfigurationTest, QueueAndOutputFormat) {
    writeConfig("<config><queue> redis://q:7000 </queue><outFormat>JSONL</outFormat></config>");
    CrawlerConfig config;
    ASSERT_TRUE(loadConfiguration(config));
    EXPECT_STREQ(config.queue.getString(), "redis://q:7000");
    EXPECT_STREQ(config.queueName.getString(), "dunmere");
    EXPECT_STREQ(config.outFormat.getString(), "jsonl");
}

TEST_F(ConfigurationTest, WithoutTheWorkingDirectoryNothingIsWritten) {
    std::filesystem::remove_all("c:");
    CrawlerConfig config;
    EXPECT_FALSE(loadConfiguration(config));
    EXPECT_FALSE(std::filesystem::exists(kConfigurationPath));
}

} // namespace
