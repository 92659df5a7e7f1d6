#include "base/logger.h"

#include "base/log_entry.h"
#include "base/string_buffer.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using file_test::readBytes;
class LoggerFiles : public file_test::TempDirTest {};

// Each rendering replaces what its buffer held.
std::string xmlOf(Logger& log) {
    StringBuffer out("left over");
    log.GetXml(out);
    return out.getString();
}

std::string htmlOf(Logger& log) {
    StringBuffer out("left over");
    log.GetHtml(out);
    return out.getString();
}

std::string textOf(Logger& log) {
    StringBuffer out("left over");
    log.GetText(out);
    return out.getString();
}

// The tree a public operation leaves behind: an operation context holding a nested step, with
// every kind of entry at both levels.
void recordSampleOperation(Logger& log) {
    log.Clear();
    log.EnterContext("LoadXml", 1);
    log.LogInfo("reading");
    log.LogData("file name", "a.xml");
    log.EnterContext("Parse", 1);
    log.LogError("bad <tag>");
    log.LogDataLong("line", 7);
    log.LogRaw("<raw/>");
    log.LeaveContext();
    log.LogInfo("done & dusted");
    log.LeaveContext();
}

// A rendering kept in the data folder with plain line ends; the log ends its lines with CRLF.
std::string expectedRendering(const char* name) {
    std::string crlf;
    for (char c : readBytes(std::string(BASE_TEST_DATA_DIR "/") + name)) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

// Rendering leaves the tree as it was: each rendering after the first still shows all of it.
TEST(Logger, NestedContextsRenderAsXmlTextAndHtmlByteForByte) {
    Logger log;
    recordSampleOperation(log);
    EXPECT_EQ(expectedRendering("logger_sample.xml"), xmlOf(log));
    EXPECT_EQ(expectedRendering("logger_sample.txt"), textOf(log));
    EXPECT_EQ(expectedRendering("logger_sample.xml"), xmlOf(log));
    log.LogInfo("say \"hi\"");
    EXPECT_EQ(expectedRendering("logger_sample.html"), htmlOf(log));
}

TEST(Logger, CdataWrapsValuesHoldingMarkupOrLayout) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/logger_cdata.txt", 2)) {
        Logger log;
        log.LogInfo(c[0].c_str());
        log.LogData("pair", c[0].c_str());
        std::string shown = c[1] == "wrapped" ? "<![CDATA[" + c[0] + "]]>" : c[0];
        EXPECT_EQ("<ZelcoraLog>\r\n<info>" + shown + "</info>\r\n<pair>" + shown +
                      "</pair>\r\n</ZelcoraLog>\r\n",
                  xmlOf(log));
    }
}

TEST(Logger, LeavingTheRootKeepsItAndLaterEntriesGoThere) {
    Logger log;
    EXPECT_TRUE(log.LeaveContext());
    log.LogInfo("still here");
    log.EnterContext("Op", 1);
    log.LeaveContext();
    log.LeaveContext();
    log.LogError("after");
    EXPECT_EQ("<ZelcoraLog>\r\n<info>still "
              "here</info>\r\n<Op>\r\n</Op>\r\n<error>after</error>\r\n</ZelcoraLog>\r\n",
              xmlOf(log));
}

TEST(Logger, ClearDiscardsTheTreeEvenWithContextsOpen) {
    Logger log;
    log.EnterContext("A", 1);
    log.EnterContext("B", 1);
    log.LogInfo("x");
    EXPECT_TRUE(log.Clear());
    log.LogInfo("y");
    EXPECT_EQ("<ZelcoraLog>\r\n<info>y</info>\r\n</ZelcoraLog>\r\n", xmlOf(log));
}

TEST(Logger, PairNamesAreTrimmedAndBlanksBecomeUnderscores) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/logger_pair_names.txt", 2)) {
        SCOPED_TRACE(c[0]);
        const char* name = c[0] == "(null)" ? nullptr : c[0].c_str();
        const std::string& n = c[1];
        Logger log;
        EXPECT_EQ(log.LogData(name, "v"), !n.empty());
        EXPECT_EQ(log.LogDataLong(name, -12), !n.empty());
        std::string expected = "<ZelcoraLog>\r\n";
        if (!n.empty())
            expected += "<" + n + ">v</" + n + ">\r\n<" + n + ">-12</" + n + ">\r\n";
        EXPECT_EQ(expected + "</ZelcoraLog>\r\n", xmlOf(log));
    }
}

TEST(Logger, NullTextsAndValuesAddNothing) {
    Logger log;
    EXPECT_TRUE(log.LogInfo(nullptr));
    EXPECT_TRUE(log.LogError(nullptr));
    EXPECT_TRUE(log.LogRaw(nullptr));
    EXPECT_FALSE(log.LogData("name", nullptr));
    EXPECT_EQ("<ZelcoraLog>\r\n</ZelcoraLog>\r\n", xmlOf(log));
}

TEST(Logger, TickCountIsLowerCaseHex) {
    Logger log;
    log.LogTickCount("now");
    std::string s = xmlOf(log);
    const std::string head = "<ZelcoraLog>\r\n<now>", tail = "</now>\r\n</ZelcoraLog>\r\n";
    ASSERT_EQ(0u, s.find(head)) << s;
    ASSERT_GT(s.size(), head.size() + tail.size());
    std::string digits = s.substr(head.size(), s.size() - head.size() - tail.size());
    EXPECT_EQ(std::string::npos, digits.find_first_not_of("0123456789abcdef")) << s;
}

TEST_F(LoggerFiles, SaveLogFileWritesTheXmlRendering) {
    std::string path = this->path("log.xml");
    Logger log;
    recordSampleOperation(log);
    ASSERT_TRUE(log.SaveLogFile(0, path.c_str()));
    EXPECT_EQ(xmlOf(log), readBytes(path));
    EXPECT_FALSE(log.SaveLogFile(0, this->path("missing/log.xml").c_str()));
}

// Contexts nested far deeper than any call stack could follow must render and be destroyed.
void buildAndRenderDeepLog() {
    const int depth = 1000000;
    Logger log;
    for (int i = 0; i < depth; ++i)
        log.EnterContext("c", 1);
    log.LogInfo("bottom");
    StringBuffer text;
    log.GetXml(text);
    EXPECT_EQ(static_cast<int>(std::string("<ZelcoraLog>\r\n</ZelcoraLog>\r\n").size()) + depth * 11 +
                  static_cast<int>(std::string("<info>bottom</info>\r\n").size()),
              text.getSize());
    log.Clear();
}

TEST(Logger, MillionDeepContextsRenderAndDestroyWithoutRecursion) {
    // Run on a thread of its own with the default stack, deep recursion there would crash.
    std::thread worker(buildAndRenderDeepLog);
    worker.join();
}

} // namespace
