#include "markup/xml_parser.h"

#include "markup_test_support.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>

namespace {

using file_test::RecordingLog;
using markup_test::attribute;
using markup_test::attributesText;
using markup_test::Document;
using markup_test::parse;
using markup_test::parseWith;
using markup_test::serialize;

std::string contentOf(const TreeNode* node) {
    return node->hasContent() ? node->getContent() : "";
}

// ---- Element structure, text joining and entity references ----

TEST(XmlParserTest, RootTagContentAndChildren) {
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_roots.tsv", 5)) {
        SCOPED_TRACE(c[0]);
        Document doc = parse(c[0], nullptr, c[1] == "1");
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->getTag(), c[2]);
        EXPECT_EQ(contentOf(doc.get()), c[3]);
        EXPECT_EQ(doc->numChildren(), std::stoi(c[4]));
        EXPECT_TRUE(doc->isDocumentRoot());
    }
}

TEST(XmlParserTest, AnUnclosedCommentStopsParsingWithWhatWasBuilt) {
    RecordingLog log;
    Document doc = parse("<a><!-- never closed <b/>", &log);
    ASSERT_NE(doc, nullptr);
    EXPECT_STREQ(doc->getTag(), "a");
    EXPECT_EQ(doc->numChildren(), 0);
    EXPECT_TRUE(log.hasError("Unclosed comment"));
}

TEST(XmlParserTest, AClosingTagWithoutItsEndIsLoggedAndClosesAnyway) {
    RecordingLog log;
    Document doc = parse("<a><b>x</b<c/></a>", &log);
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(log.hasError("Error in closing tag"));
    EXPECT_EQ(log.data("error_tag"), "b");
    ASSERT_EQ(doc->numChildren(), 2);
    EXPECT_STREQ(doc->getChild(0)->getContent(), "x");
    EXPECT_STREQ(doc->getChild(1)->getTag(), "c");
    // The position stays at the broken tag, whose text becomes the parent's content.
    EXPECT_STREQ(doc->getContent(), "/b");
}

// ---- Start tags and attributes ----

TEST(XmlParserTest, AttributeForms) {
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_attribute_forms.tsv", 3)) {
        SCOPED_TRACE(c[0]);
        Document doc = parse(c[0]);
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->getTag(), c[1]);
        EXPECT_EQ(attributesText(doc.get()), c[2]);
    }
    EXPECT_EQ(attribute(parse("<a v='&lt;&gt;&quot;&apos;&amp;&#38;&nbsp;'/>").get(), "v"),
              "<>\"'&&#38;&nbsp;");
}

TEST(XmlParserTest, ReplaceDuplicateAttributesKeepsTheLastOfEachNameInItsPlace) {
    XmlParseOptions options;
    options.replaceDuplicateAttributes = true;
    Document doc = parseWith("<a x='1' y='2' x='3' z='4' y='5' y='6'/>", options);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(attributesText(doc.get()), " x=\"3\" z=\"4\" y=\"6\"");
    // The option belongs to one parse only.
    EXPECT_EQ(parse("<a x='1' x='2'/>")->numAttributes(), 2);
}

TEST(XmlParserTest, ManyAttributesWithReplacementStayLinear) {
    std::string text = "<a";
    const int count = 100000;
    for (int i = 0; i < count; ++i)
        text += " n" + std::to_string(i) + "='" + std::to_string(i) + "'";
    for (int i = 0; i < count; i += 2)
        text += " n" + std::to_string(i) + "='again'";
    text += "/>";
    XmlParseOptions options;
    options.replaceDuplicateAttributes = true;
    auto start = std::chrono::steady_clock::now();
    Document doc = parseWith(text, options);
    auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->numAttributes(), count);
    EXPECT_EQ(attribute(doc.get(), "n1"), "1");
    EXPECT_EQ(attribute(doc.get(), "n2"), "again");
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count(), 20);
}

// ---- Declarations, stylesheet, document type and instructions ----

TEST(XmlParserTest, AnUnfinishedDocumentTypeIsLoggedAndParsingGoesOn) {
    RecordingLog log;
    Document doc = parse("<!DOCTYPE r [ <r>x</r>", &log);
    EXPECT_TRUE(log.hasError("Failed to parse DTD"));
    ASSERT_NE(doc, nullptr);
    EXPECT_STREQ(doc->getTag(), "r");
    EXPECT_STREQ(doc->getContent(), "x");
    EXPECT_STREQ(doc->getInfo()->getProlog(), "");
}

// ---- Documents as written back, truncated input among them ----

TEST(XmlParserTest, DocumentsAreWrittenBackAndNeverReadPastTheEnd) {
    EXPECT_EQ(parseXml(nullptr, nullptr, true), nullptr);
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_written_back.tsv", 2)) {
        SCOPED_TRACE(c[0]);
        // A copy of exactly the text's size, so the sanitizer sees any read past its end.
        std::unique_ptr<char[]> exact(new char[c[0].size() + 1]);
        std::memcpy(exact.get(), c[0].c_str(), c[0].size() + 1);
        Document doc(parseXml(exact.get(), nullptr, true));
        if (c[1].empty()) {
            EXPECT_EQ(doc, nullptr);
        } else {
            ASSERT_NE(doc, nullptr);
            EXPECT_EQ(serialize(doc.get()), c[1]);
        }
    }
}

TEST(XmlParserTest, ManyUnclosedTopLevelElementsAfterARootAreDiscarded) {
    std::string text = "<root/>";
    for (int i = 0; i < 10000; ++i)
        text += "<x a='1'>text";
    Document doc = parse(text);
    ASSERT_NE(doc, nullptr);
    EXPECT_STREQ(doc->getTag(), "root");
    EXPECT_EQ(doc->numChildren(), 0);
}

// Each text that joins an element's content decodes the whole content once more, so a
// reference is decoded as often as text joined after it came; a CDATA section is not decoded
// when it comes, but with the content after it.
class ContentDecodingTest : public ::testing::TestWithParam<case_rows::Row> {};

TEST_P(ContentDecodingTest, ReferencesAreDecodedOncePerJoin) {
    const case_rows::Row& c = GetParam();
    Document doc = parse(c[1], nullptr, c[2] == "1");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(contentOf(doc.get()), c[3]);
    EXPECT_EQ(attribute(doc.get(), "t"), c[4]);
}

INSTANTIATE_TEST_SUITE_P(XmlParser, ContentDecodingTest,
                         ::testing::ValuesIn(case_rows::read(MARKUP_TEST_DATA_DIR "/xml_content_decoding.tsv",
                                                             5)),
                         [](const ::testing::TestParamInfo<case_rows::Row>& info) { return info.param[0]; });

// A chain of a million "amp;" costs its length to decode, however often text joins after it:
// decoding the whole content again at every join would take hours here. Each joined piece is
// decoded in turn.
TEST(XmlParserTest, AMillionLinkChainDecodesInOneScan) {
    const int links = 1000000;
    const int joins = 100000;
    std::string chain = "&";
    for (int i = 0; i < links; ++i)
        chain += "amp;";
    std::string text = "<a>" + chain;
    for (int i = 0; i < joins; ++i)
        text += "<b/>&lt;";
    text += "</a>";
    auto start = std::chrono::steady_clock::now();
    Document doc = parse(text);
    auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_NE(doc, nullptr);
    std::string content = contentOf(doc.get());
    // Every join took one link off: the first text's own and one per later join.
    std::string expected = "&";
    for (int i = 0; i < links - (joins + 1); ++i)
        expected += "amp;";
    for (int i = 0; i < joins; ++i)
        expected += " <";
    EXPECT_EQ(content.size(), expected.size());
    EXPECT_TRUE(content == expected);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count(), 30);

    // The same chain in an attribute value loses one link.
    Document attr = parse("<a t='" + chain + "'/>");
    ASSERT_NE(attr, nullptr);
    EXPECT_EQ(attribute(attr.get(), "t").size(), chain.size() - 4);
}

} // namespace
