#include "markup/xml_file_text.h"

#include "base/data_buffer.h"
#include "markup/cls_xml.h"
#include "markup/tree_node.h"
#include "markup_test_support.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <utility>

namespace {

using file_test::readBytes;
using file_test::RecordingLog;
using file_test::writeBytes;
using markup_test::Document;
using markup_test::logText;
using markup_test::parse;

class XmlFileTest : public file_test::TempDirTest {
protected:
    std::string loadText(const std::string& bytes) {
        writeBytes(path("in.xml"), bytes);
        DataBuffer out;
        RecordingLog log;
        EXPECT_TRUE(loadXmlFileText(path("in.xml").c_str(), &log, out));
        return std::string(reinterpret_cast<const char*>(out.getData()), out.getSize());
    }
};

// UTF-16 code units of an ASCII-and-Latin-1 text, in either byte order.
std::string utf16(const std::string& latin1, bool bigEndian) {
    std::string out;
    for (unsigned char c : latin1) {
        char units[2] = {static_cast<char>(c), '\0'};
        if (bigEndian)
            std::swap(units[0], units[1]);
        out.append(units, 2);
    }
    return out;
}

std::string declaredEncoding(ClsXml& xml) {
    StringBuffer encoding;
    return getDeclarationEncoding(xml.getNode(), encoding) ? std::string(encoding.getString()) : "<none>";
}

// ---- Bringing file bytes to UTF-8 ----

TEST_F(XmlFileTest, LoadedTextIsConvertedToUtf8) {
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_file_loaded.tsv", 2))
        EXPECT_EQ(loadText(c[0]), c[1]);
}

TEST_F(XmlFileTest, AMissingFileFails) {
    DataBuffer out;
    RecordingLog log;
    EXPECT_FALSE(loadXmlFileText(path("missing.xml").c_str(), &log, out));
    EXPECT_FALSE(log.entries.empty());
}

TEST_F(XmlFileTest, UnicodeEncodingNamesAreCorrectedAfterParsing) {
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_unicode_declarations.tsv", 2)) {
        Document doc = parse("<?xml version='1.0' encoding='" + c[0] + "'?><a/>");
        ASSERT_NE(doc, nullptr);
        correctUnicodeDeclaration(doc.get());
        StringBuffer encoding;
        ASSERT_TRUE(getDeclarationEncoding(doc.get(), encoding));
        EXPECT_EQ(encoding.getString(), c[1]) << c[0];
    }
}

// ---- ClsXml files ----

TEST_F(XmlFileTest, LoadXmlFileOfUtf16TextDeclaresUtf8) {
    writeBytes(path("u.xml"),
               "\xFF\xFE" + utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a> \xE9 </a>", false));
    ClsXml xml;
    ASSERT_TRUE(xml.LoadXmlFile(("  " + path("u.xml") + " ").c_str()));
    EXPECT_STREQ(xml.get_Content(), "\xC3\xA9");
    EXPECT_EQ(declaredEncoding(xml), "utf-8");
}

TEST_F(XmlFileTest, LoadXmlFileTrimsOnlyWhenAsked) {
    writeBytes(path("t.xml"), "<a> x </a>");
    ClsXml xml;
    ASSERT_TRUE(xml.LoadXmlFile(path("t.xml").c_str(), false));
    EXPECT_STREQ(xml.get_Content(), " x ");
    ASSERT_TRUE(xml.LoadXmlFile(path("t.xml").c_str(), true));
    EXPECT_STREQ(xml.get_Content(), "x");
}

TEST_F(XmlFileTest, LoadXmlFileOfAMissingOrElementlessFileFailsAndKeepsTheCursor) {
    writeBytes(path("e.xml"), "<!-- only a comment -->");
    for (const char* name : {"missing.xml", "e.xml"}) {
        ClsXml xml;
        xml.put_Tag("kept");
        EXPECT_FALSE(xml.LoadXmlFile(path(name).c_str()));
        EXPECT_STREQ(xml.get_Tag(), "kept");
    }
    ClsXml xml;
    EXPECT_FALSE(xml.LoadXmlFile(path("missing.xml").c_str()));
    EXPECT_NE(logText(xml).find("LoadXmlFile"), std::string::npos);
}

TEST_F(XmlFileTest, SaveXmlAddsAUtf8DeclarationToTheDocument) {
    ClsXml xml;
    xml.put_Tag("config");
    xml.NewChild2("logFile", "c:/Orrastead/DunmereLog.txt");
    xml.NewChild2("numThreads", "6");
    EXPECT_EQ(declaredEncoding(xml), "<none>");
    ASSERT_TRUE(xml.SaveXml((" " + path("config.xml") + "  ").c_str()));
    EXPECT_EQ(readBytes(path("config.xml")), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
                                             "\r\n"
                                             "<config>\r\n"
                                             "<logFile>c:/Orrastead/DunmereLog.txt</logFile>\r\n"
                                             "<numThreads>6</numThreads>\r\n"
                                             "</config>\r\n");
    EXPECT_EQ(declaredEncoding(xml), "utf-8");

    ClsXml again;
    ASSERT_TRUE(again.LoadXmlFile(path("config.xml").c_str()));
    StringBuffer value;
    EXPECT_TRUE(again.GetChildContent("numThreads", value));
    EXPECT_STREQ(value.getString(), "6");
}

// A file loaded is written back in its declared encoding, as is text loaded (what has no place
// in it becomes '?'); an inner node is written alone, without the document's head.
TEST_F(XmlFileTest, SaveXmlWritesTheDeclaredEncoding) {
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_file_saved.tsv", 4)) {
        SCOPED_TRACE(c[0]);
        ClsXml xml;
        writeBytes(path("in.xml"), c[0]);
        ASSERT_TRUE(c[1] == "1" ? xml.LoadXmlFile(path("in.xml").c_str()) : xml.LoadXml(c[0].c_str()));
        ASSERT_TRUE(c[2] == "0" || xml.FirstChild2());
        ASSERT_TRUE(xml.SaveXml(path("out.xml").c_str()));
        EXPECT_EQ(readBytes(path("out.xml")), c[3]);
    }
}

TEST_F(XmlFileTest, SaveXmlReportsAFileThatCannotBeWritten) {
    ASSERT_EQ(mkdir(path("dir").c_str(), 0700), 0);
    ClsXml xml;
    EXPECT_FALSE(xml.SaveXml(path("dir").c_str()));
    std::string log = logText(xml);
    EXPECT_NE(log.find("SaveXml"), std::string::npos);
    EXPECT_NE(log.find("Failed"), std::string::npos);
}

} // namespace
