#include "base/logger.h"

#include "base/log_entry.h"
#include "base/string_buffer.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using file_test::readBytes;
class LoggerFiles : public file_test::TempDirTest {};

std::string xmlOf(Logger& log) {
    StringBuffer out;
    log.GetXml(out);
    return out.getString();
}

std::string htmlOf(Logger& log) {
    StringBuffer out;
    log.GetHtml(out);
    return out.getString();
}

std::string textOf(Logger& log) {
    StringBuffer out;
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

TEST(Logger, NestedContextsRenderAsXmlTextAndHtmlByteForByte) {
    Logger log;
    recordSampleOperation(log);
    EXPECT_EQ("<ZelcoraLog>\r\n"
              "<LoadXml>\r\n"
              "<info>reading</info>\r\n"
              "<file_name>a.xml</file_name>\r\n"
              "<Parse>\r\n"
              "<error><![CDATA[bad <tag>]]></error>\r\n"
              "<line>7</line>\r\n"
              "<raw/>\r\n"
              "</Parse>\r\n"
              "<info><![CDATA[done & dusted]]></info>\r\n"
              "</LoadXml>\r\n"
              "</ZelcoraLog>\r\n",
              xmlOf(log));
    EXPECT_EQ("ZelcoraLog:\r\n"
              "  LoadXml:\r\n"
              "    reading\r\n"
              "    file_name: a.xml\r\n"
              "    Parse:\r\n"
              "      bad <tag>\r\n"
              "      line: 7\r\n"
              "      <raw/>\r\n"
              "    done & dusted\r\n",
              textOf(log));
    log.LogInfo("say \"hi\"");
    EXPECT_EQ("ZelcoraLog:<blockquote>\r\n"
              "LoadXml:<blockquote>\r\n"
              "reading<br>\r\n"
              "file_name: a.xml<br>\r\n"
              "Parse:<blockquote>\r\n"
              "bad &lt;tag&gt;<br>\r\n"
              "line: 7<br>\r\n"
              "&lt;raw/&gt;<br>\r\n"
              "</blockquote>\r\n"
              "done &amp; dusted<br>\r\n"
              "</blockquote>\r\n"
              "say &quot;hi&quot;<br>\r\n"
              "</blockquote>\r\n",
              htmlOf(log));
}

TEST(Logger, CdataWrapsValuesHoldingMarkupOrLayout) {
    struct Case {
        const char* value;
        bool wrapped;
    };
    const Case cases[] = {
        {"a>b", true},
        {"tab\there", true},
        {"two\nlines", true},
        {"cr\ronly", false},
        {"quote \"x\"", false},
        {"<![CDATA[x<y]]>", false},
        {"<![CDATA[ only the opening <", true},
        {"closing ]]> only <", true},
    };
    for (const Case& c : cases) {
        Logger log;
        log.LogInfo(c.value);
        log.LogData("pair", c.value);
        std::string shown = c.wrapped ? std::string("<![CDATA[") + c.value + "]]>" : c.value;
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
    struct Case {
        const char* name;
        const char* stored; // null: nothing stored
    };
    const Case cases[] = {
        {"  \t padded \r\n", "padded"}, {"\xA0nb\xA0", "nb"}, {"a b  c", "a_b__c"},
        {" \t\r\n", nullptr},           {nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        Logger log;
        EXPECT_EQ(log.LogData(c.name, "v"), c.stored != nullptr);
        EXPECT_EQ(log.LogDataLong(c.name, -12), c.stored != nullptr);
        std::string expected = "<ZelcoraLog>\r\n";
        if (c.stored != nullptr) {
            std::string n = c.stored;
            expected += "<" + n + ">v</" + n + ">\r\n<" + n + ">-12</" + n + ">\r\n";
        }
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

TEST(Logger, GettersReplaceTheBufferAndNeverChangeTheTree) {
    Logger log;
    recordSampleOperation(log);
    StringBuffer out("left over");
    log.GetXml(out);
    std::string first = out.getString();
    log.GetText(out);
    log.GetXml(out);
    EXPECT_EQ(first, out.getString());
    EXPECT_EQ(0u, first.find("<ZelcoraLog>"));
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
