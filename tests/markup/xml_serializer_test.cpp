#include "markup/xml_serializer.h"

#include "markup_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using markup_test::attribute;
using markup_test::Document;
using markup_test::parse;
using markup_test::serialize;

std::string contentWritten(const char* content) {
    Document root(TreeNode::createRoot("a", content));
    return serialize(root.get());
}

// ---- Layout ----

TEST(XmlSerializerTest, ARootWithTwoChildrenAfterADeclaration) {
    Document root(TreeNode::createRoot("a"));
    TreeNode::createChild(root.get(), "b")->setContent("1");
    TreeNode::createChild(root.get(), "c")->setContent("2");
    setDeclarationEncoding(root.get(), "utf-8");
    EXPECT_EQ(serialize(root.get()), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
                                     "\r\n"
                                     "<a>\r\n"
                                     "<b>1</b>\r\n"
                                     "<c>2</c>\r\n"
                                     "</a>\r\n");
}

TEST(XmlSerializerTest, AnInnerNodeIsWrittenWithoutTheDocumentHead) {
    Document doc = parse("<?xml version='1.0'?><!DOCTYPE r><r><a><b/></a><c/></r>");
    ASSERT_NE(doc, nullptr);
    TreeNode* a = doc->firstChild();
    EXPECT_EQ(serialize(a, 0), "\r\n<a>\r\n<b></b>\r\n</a>\r\n");
    EXPECT_EQ(serialize(a, 1), "<a>\r\n<b></b>\r\n</a>\r\n");
    // The node's own siblings are not written.
    EXPECT_EQ(serialize(a->nextSibling(), 1), "<c></c>\r\n");
}

TEST(XmlSerializerTest, AMissingTagIsWrittenAsNothing) {
    Document root(TreeNode::createRoot(nullptr));
    EXPECT_EQ(serialize(root.get()), "\r\n<nothing></nothing>\r\n");
}

TEST(XmlSerializerTest, CdataContentIsWrittenUnchanged) {
    Document root(TreeNode::createRoot("a", "x<&>y"));
    root->setCdata(true);
    EXPECT_EQ(serialize(root.get()), "\r\n<a><![CDATA[x<&>y]]></a>\r\n");
}

// ---- Escaping ----

// Content keeps the references it may hold; an attribute value keeps only numeric ones.
TEST(XmlSerializerTest, ContentAndAttributeEscaping) {
    const struct {
        bool attribute;
        const char* text;
        const char* written;
    } cases[] = {
        // clang-format off
        {false, "a<b>c", "a&lt;b&gt;c"},
        {false, "\"'", "&quot;&apos;"},
        {false, "fish & chips", "fish &amp; chips"},
        {false, "&", "&amp;"},
        {false, "&#169; &#x20AC; &#", "&#169; &#x20AC; &#"},
        {false, "&copy;", "&copy;"},
        {false, "&copy", "&amp;copy"},
        {false, "&copy ;", "&amp;copy ;"},
        {false, "&amp;&lt;&gt;&quot;&apos;", "&amp;&lt;&gt;&quot;&apos;"},
        {false, "&AMP;", "&amp;AMP;"},
        {false, "&brvbar;", "&amp;brvbar;"},
        {false, "&laquo;", "&amp;laquo;"},
        {false, "&macr;", "&amp;macr;"},
        {false, "&times;", "&amp;times;"},
        {false, "&divide;", "&amp;divide;"},
        {false, "&Ntilde;", "&amp;Ntilde;"},
        {false, "&euro;", "&amp;euro;"},
        {false, "&nbsp;&nbspx;", "&nbsp;&amp;nbspx;"},
        {false, "\xC3\xA9 plain", "\xC3\xA9 plain"},
        {true, "plain", "plain"},
        {true, "\"", "&quot;"},
        {true, "'", "&apos;"},
        {true, "<>", "&lt;&gt;"},
        {true, "&copy;", "&amp;copy;"},
        {true, "&amp;", "&amp;amp;"},
        {true, "&#38;", "&#38;"},
        {true, "a&", "a&amp;"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.attribute) {
            Document root(TreeNode::createRoot("a"));
            root->appendAttribute("v", c.text);
            EXPECT_EQ(serialize(root.get()), std::string("\r\n<a v=\"") + c.written + "\"></a>\r\n");
        } else {
            EXPECT_EQ(contentWritten(c.text), std::string("\r\n<a>") + c.written + "</a>\r\n");
        }
    }
}

TEST(XmlSerializerTest, EveryKeptEntityNameIsCopiedUnchanged) {
    // clang-format off
    const char* const names[] = {
        "amp", "lt", "gt", "quot", "apos",
        "nbsp", "iexcl", "cent", "pound", "curren", "yen", "sect", "uml", "copy", "ordf", "not", "shy", "reg",
        "deg", "plusmn", "sup1", "sup2", "sup3", "acute", "micro", "para", "middot", "cedil", "ordm", "raquo",
        "frac14", "frac12", "frac34", "iquest", "szlig",
        "Agrave", "Aacute", "Acirc", "Atilde", "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute",
        "Ecirc", "Euml", "Igrave", "Iacute", "Icirc", "Iuml", "ETH", "Ograve", "Oacute", "Ocirc", "Otilde",
        "Ouml", "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "Yuml", "OElig",
        "agrave", "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil", "egrave", "eacute",
        "ecirc", "euml", "igrave", "iacute", "icirc", "iuml", "eth", "ntilde", "ograve", "oacute", "ocirc",
        "otilde", "ouml", "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn", "yuml", "oelig",
        "bull", "hibar", "brkbar",
        "Cedil", "Cent", "Copy", "Curren", "Eth", "Iexcl", "Iquest", "Ordf", "Ordm", "Thorn", "Uml", "Yen",
        "Aelig", "aElig", "Oelig", "oElig", "eTH", "tHORN",
    };
    // clang-format on
    for (const char* name : names) {
        std::string reference = std::string("&") + name + ";";
        SCOPED_TRACE(reference);
        EXPECT_EQ(contentWritten(reference.c_str()), "\r\n<a>" + reference + "</a>\r\n");
        // Without its semicolon the name is not a reference.
        std::string bare = std::string("&") + name + " ";
        EXPECT_EQ(contentWritten(bare.c_str()), "\r\n<a>&amp;" + std::string(name) + " </a>\r\n");
    }
}

TEST(XmlSerializerTest, ParsedTextSurvivesARoundTrip) {
    const char* text =
        "<r a=\"x &amp; &quot;y&quot;\">1 &lt; 2 &amp;&amp; &#169; &copy;<c><![CDATA[<raw>]]></c></r>";
    Document first = parse(text);
    ASSERT_NE(first, nullptr);
    std::string once = serialize(first.get());
    Document second = parse(once);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(serialize(second.get()), once);
    EXPECT_EQ(once, "\r\n<r a=\"x &amp; &quot;y&quot;\">1 &lt; 2 &amp;&amp; &#169; &copy;\r\n"
                    "<c><![CDATA[<raw>]]></c>\r\n</r>\r\n");
}

// ---- Declaration access ----

TEST(XmlSerializerTest, SetDeclarationEncodingCreatesTheDeclarationAndReplacesTheEncoding) {
    Document root(TreeNode::createRoot("r"));
    StringBuffer out("x");
    EXPECT_FALSE(getDeclarationEncoding(root.get(), out));
    EXPECT_STREQ(out.getString(), "");
    setDeclarationEncoding(root.get(), "iso-8859-1");
    EXPECT_TRUE(getDeclarationEncoding(root.get(), out));
    EXPECT_STREQ(out.getString(), "iso-8859-1");
    setDeclarationEncoding(root.get(), "utf-8");
    TreeNode* declaration = root->getInfo()->getDeclaration();
    ASSERT_NE(declaration, nullptr);
    EXPECT_EQ(declaration->numAttributes(), 2);
    EXPECT_EQ(attribute(declaration, "version"), "1.0");
    EXPECT_EQ(attribute(declaration, "encoding"), "utf-8");
}

TEST(XmlSerializerTest, GetDeclarationStandalone) {
    Document doc = parse("<?xml version='1.0' standalone='yes'?><r/>");
    ASSERT_NE(doc, nullptr);
    StringBuffer out;
    EXPECT_TRUE(getDeclarationStandalone(doc.get(), out));
    EXPECT_STREQ(out.getString(), "yes");
    EXPECT_FALSE(getDeclarationEncoding(doc.get(), out));
    Document plain = parse("<r/>");
    EXPECT_FALSE(getDeclarationStandalone(plain.get(), out));
}

// ---- Names the parser could not read back ----

struct NameCase {
    const char* written;
    const char* expected;
};

class XmlNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(XmlNameTest, ElementAndAttributeNamesAreWrittenAsXmlNames) {
    const NameCase& c = GetParam();
    Document root(TreeNode::createRoot(c.written));
    root->appendAttribute(c.written, "v");
    std::string expected =
        std::string("\r\n<") + c.expected + " " + c.expected + "=\"v\"></" + c.expected + ">\r\n";
    std::string xml = serialize(root.get());
    EXPECT_EQ(xml, expected);
    // And it reads back as that one element with that one attribute.
    Document loaded = parse(xml);
    ASSERT_NE(loaded, nullptr);
    EXPECT_STREQ(loaded->getTag(), c.expected);
    EXPECT_EQ(attribute(loaded.get(), c.expected), "v");
}

INSTANTIATE_TEST_SUITE_P(Names, XmlNameTest,
                         ::testing::Values(NameCase{"p", "p"}, NameCase{"a-b.c_d:e9", "a-b.c_d:e9"},
                                           NameCase{"!doctype", "_doctype"}, NameCase{"?xml", "_xml"},
                                           NameCase{"9lives", "_9lives"}, NameCase{"-x", "_-x"},
                                           NameCase{".x", "_.x"}, NameCase{"a<b", "a_b"},
                                           NameCase{"a>b", "a_b"}, NameCase{"a\"b'c", "a_b_c"},
                                           NameCase{"a/b=c", "a_b_c"}, NameCase{"a b\tc", "a_b_c"},
                                           NameCase{"a&b", "a_b"}, NameCase{"/", "_"},
                                           NameCase{"caf\xC3\xA9", "caf\xC3\xA9"}));

} // namespace
