#include "markup/xml_parser.h"

#include "markup_test_support.h"
#include "tests/base/file_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
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

struct RootCase {
    std::string text;
    bool trim;
    const char* tag;
    const char* content;
    int children;
};

TEST(XmlParserTest, RootTagContentAndChildren) {
    const RootCase cases[] = {
        // The closing tag's name plays no part.
        {"<a>x</b>", true, "a", "x", 0},
        // Of several top level elements only the last survives; an unfinished later one is dropped.
        {"<a>1</a><b>2</b>", true, "b", "2", 0},
        {"<a>1</a><b>2<c>", true, "a", "1", 0},
        // Text around a child is joined with a blank.
        {"<a>one<b/>two</a>", true, "a", "one two", 1},
        {"<a> x </a>", true, "a", "x", 0},
        {"<a> x </a>", false, "a", " x ", 0},
        {"<a>one<b/>\t two\n</a>", false, "a", "one\t  two\n", 1},
        {"<a>\r\n  <b/>  </a>", false, "a", "", 1},
        // CDATA joins without a blank, bytes after it are dropped, unterminated runs to the end.
        {"<a>x <![CDATA[ y&amp; ]]>dropped<![CDATA[]z]]></a>", true, "a", "x y&amp; ]z", 0},
        {"<a><![CDATA[abc]", true, "a", "abc]", 0},
        {"<![CDATA[<x>]]><a/>", true, "a", "", 0},
        {"junk <a>x<!-- note -->y</a> trailing", true, "a", "x y", 0},
        {"<  a>x</ a >", true, "a", "x", 0},
        {std::string("<a>x\0</a>", 9), true, "a", "x", 0},
        {"<r><a/><b /><c x='1'/><d x='1' / ><e/ y='2'>text</r>", true, "r", "text", 5},
    };
    for (const RootCase& c : cases) {
        SCOPED_TRACE(c.text);
        Document doc = parse(c.text, nullptr, c.trim);
        ASSERT_NE(doc, nullptr);
        EXPECT_STREQ(doc->getTag(), c.tag);
        EXPECT_EQ(contentOf(doc.get()), c.content);
        EXPECT_EQ(doc->numChildren(), c.children);
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
    const struct {
        const char* text;
        const char* tag;
        const char* attributes;
    } cases[] = {
        {"<a one=\"1\" two='2' three = \"x'y\" four='x\"y' bare checked five=six\"/>", "a",
         " one=\"1\" two=\"2\" three=\"x&apos;y\" four=\"x&quot;y\" bare=\"\" checked=\"\" five=\"six\""},
        // Quotes and '<' are removed from names.
        {"<a<b \"x\"='1' y'<z='2'></a>", "ab", " x=\"1\" yz=\"2\""},
        // Duplicates stand beside each other by default.
        {"<a x='1' y='2' x='3'/>", "a", " x=\"1\" y=\"2\" x=\"3\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Document doc = parse(c.text);
        ASSERT_NE(doc, nullptr);
        EXPECT_STREQ(doc->getTag(), c.tag);
        EXPECT_EQ(attributesText(doc.get()), c.attributes);
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

struct WrittenCase {
    const char* text;
    const char* expected; // the serialised document, or null for none
};

TEST(XmlParserTest, DocumentsAreWrittenBackAndNeverReadPastTheEnd) {
    const WrittenCase cases[] = {
        {"", nullptr},
        {"just text", nullptr},
        {"<!-- c --><?pi x?><!DOCTYPE d>", nullptr},
        {"<a><b>text", "\r\n<a>\r\n<b>text</b>\r\n</a>\r\n"},
        {"<a><![CDATA[1<2]]></a>", "\r\n<a><![CDATA[1<2]]></a>\r\n"},
        {"<r k='v'>text<x><y>deep</y></x><z/>tail</r>",
         "\r\n<r k=\"v\">text tail\r\n<x>\r\n<y>deep</y>\r\n</x>\r\n<z></z>\r\n</r>\r\n"},
        // The head holds declaration, stylesheet and prolog.
        {"<?xml version=\"1.0\" standalone=\"no\" encoding=\"utf-8\"?><?xml-stylesheet href=\"s.css\"?>"
         "<!DOCTYPE r><?pi data?><r/>",
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\" ?>\r\n<?xml-stylesheet href=\"s.css\" "
         "?>\r\n"
         "<!DOCTYPE r>\n<?pi data?>\n\r\n\r\n<r></r>\r\n"},
        {"<?xml version=\"1.0\" encoding='iso-8859-1' standalone=\"yes\"?>\r\n"
         "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>\r\n<!DOCTYPE r [<!ENTITY e \"v\">]>\r\n<?php "
         "echo 1; ?>\r\n<r/>",
         "<?xml version=\"1.0\" encoding=\"iso-8859-1\" standalone=\"yes\" ?>\r\n"
         "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\" ?>\r\n<!DOCTYPE r [<!ENTITY e \"v\">]>\n<?php "
         "echo 1; ?>\n\r\n\r\n<r></r>\r\n"},
        // Declaration names lose their quotes; values are kept as written.
        {"<?XML version = \"1.0\" ver\"si\"on2='&amp;lt;' flag ?><r/>",
         "<?xml version=\"1.0\" version2=\"&amp;lt;\" flag=\"\" ?>\r\n\r\n<r></r>\r\n"},
        // The declaration goes with the first completed root.
        {"<?xml version='1.0'?><a/><!DOCTYPE b><b/>", "<!DOCTYPE b>\n\r\n\r\n<b></b>\r\n"},
        {"<", nullptr},
        {"<a", nullptr},
        {"<a ", "\r\n<a></a>\r\n"},
        {"<a b", "\r\n<a b=\"\"></a>\r\n"},
        {"<a b='", "\r\n<a b=\"\"></a>\r\n"},
        {"<a b='x", "\r\n<a b=\"x\"></a>\r\n"},
        {"<a>", "\r\n<a></a>\r\n"},
        {"<a></a", "\r\n<a></a>\r\n"},
        {"<a>x<", "\r\n<a>x</a>\r\n"},
        {"<a>&", "\r\n<a>&amp;</a>\r\n"},
        {"<a>&amp", "\r\n<a>&amp;amp</a>\r\n"},
        {"<a><!", "\r\n<a></a>\r\n"},
        {"<a><!-->", "\r\n<a></a>\r\n"},
        {"<a><![CDATA[", "\r\n<a><![CDATA[]]></a>\r\n"},
        {"<a><![CDATA[x]]", "\r\n<a><![CDATA[x]]]]></a>\r\n"},
        {"<a><!DOCTYPE", "\r\n<a></a>\r\n"},
        {"<a><?", "\r\n<a></a>\r\n"},
        {"<a><?xml ", "<?xml ?>\r\n\r\n<a></a>\r\n"},
        {"<a><?xml v='", "<?xml v=\"\" ?>\r\n\r\n<a></a>\r\n"},
        {"<a><?pi", "\r\n<a></a>\r\n"},
        {"<?xml-stylesheet", nullptr},
        {"</", nullptr},
        {"<!", nullptr},
        {"< ", nullptr},
    };
    EXPECT_EQ(parseXml(nullptr, nullptr, true), nullptr);
    for (const WrittenCase& c : cases) {
        SCOPED_TRACE(c.text);
        // A copy of exactly the text's size, so the sanitizer sees any read past its end.
        std::string text(c.text);
        auto* exact = new char[text.size() + 1];
        std::memcpy(exact, text.c_str(), text.size() + 1);
        Document doc(parseXml(exact, nullptr, true));
        delete[] exact;
        if (c.expected == nullptr) {
            EXPECT_EQ(doc, nullptr);
        } else {
            ASSERT_NE(doc, nullptr);
            EXPECT_EQ(serialize(doc.get()), c.expected);
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
struct DecodeCase {
    const char* name;
    const char* text;
    bool trim;
    const char* content; // of the root
    const char* value;   // of its attribute t
};

class ContentDecodingTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(ContentDecodingTest, ReferencesAreDecodedOncePerJoin) {
    const DecodeCase& c = GetParam();
    Document doc = parse(c.text, nullptr, c.trim);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(contentOf(doc.get()), c.content);
    EXPECT_EQ(attribute(doc.get(), "t"), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    XmlParser, ContentDecodingTest,
    ::testing::Values(
        DecodeCase{"FiveReferencesOthersKept", "<a>&lt;&amp;&gt;&quot;&apos;&foo;&#38;&amp</a>", true,
                   "<&>\"'&foo;&#38;&amp", "<absent>"},
        DecodeCase{"OneJoinTakesOneAmpOffAChain", "<a>&amp;amp;lt;</a>", true, "&amp;lt;", "<absent>"},
        DecodeCase{"SecondJoinDecodesWhatTheFirstMade", "<a>&amp;lt;<b/>x</a>", true, "< x", "<absent>"},
        DecodeCase{"ThreeJoinsThreeAmps", "<a>&amp;amp;amp;amp;<b/>x<b/>&amp;amp;</a>", true, "&amp; x &amp;",
                   "<absent>"},
        DecodeCase{"AdjacentChains", "<a>&amp;&amp;lt;&amp;amp;&lt;<b/>.</a>", true, "&<&< .", "<absent>"},
        DecodeCase{"AmpersandBeforeAmpersand", "<a>&&amp;lt;<b/>x</a>", true, "&< x", "<absent>"},
        DecodeCase{"CdataAloneIsNotDecoded", "<a><![CDATA[&amp;lt;]]></a>", true, "&amp;lt;", "<absent>"},
        DecodeCase{"CdataIsDecodedWithLaterText", "<a><![CDATA[&amp;lt;]]><b/>x</a>", true, "&lt; x",
                   "<absent>"},
        DecodeCase{"CdataFinishesAReferenceTheTextBegan", "<a>&am<![CDATA[p;lt;]]><b/>x</a>", true, "&lt; x",
                   "<absent>"},
        DecodeCase{"CdataFinishesAChainTheTextBegan", "<a>&amp;am<![CDATA[p;gt;]]><b/>x<b/>y</a>", true,
                   "> x y", "<absent>"},
        DecodeCase{"UntrimmedWhitespaceJoinsToo", "<a> &amp;amp; <b/> y </a>", false, " &   y ", "<absent>"},
        DecodeCase{"AttributeValueDecodedOnce", "<a t='&amp;amp;amp;&lt;&apos;&quot;&gt;'/>", true, "",
                   "&amp;amp;<'\">"},
        DecodeCase{"InstructionValueDecodedOnce", "<?xml version='&amp;amp;' ?><a t='x'/>", true, "", "x"}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

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
