#include "markup/xml_serializer.h"

#include "markup_test_support.h"
#include "tests/support/case_rows.h"

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
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_escaping.tsv", 3)) {
        SCOPED_TRACE(c[1]);
        if (c[0] == "attribute") {
            Document root(TreeNode::createRoot("a"));
            root->appendAttribute("v", c[1].c_str());
            EXPECT_EQ(serialize(root.get()), "\r\n<a v=\"" + c[2] + "\"></a>\r\n");
        } else {
            EXPECT_EQ(contentWritten(c[1].c_str()), "\r\n<a>" + c[2] + "</a>\r\n");
        }
    }
}

TEST(XmlSerializerTest, EveryKeptEntityNameIsCopiedUnchanged) {
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_kept_entity_names.tsv", 1)) {
        const std::string& name = c[0];
        SCOPED_TRACE(name);
        EXPECT_EQ(contentWritten(("&" + name + ";").c_str()), "\r\n<a>&" + name + ";</a>\r\n");
        // Without its semicolon the name is not a reference.
        EXPECT_EQ(contentWritten(("&" + name + " ").c_str()), "\r\n<a>&amp;" + name + " </a>\r\n");
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

TEST(XmlSerializerTest, ElementAndAttributeNamesAreWrittenAsXmlNames) {
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_names.tsv", 2)) {
        SCOPED_TRACE(c[0]);
        Document root(TreeNode::createRoot(c[0].c_str()));
        root->appendAttribute(c[0].c_str(), "v");
        std::string xml = serialize(root.get());
        EXPECT_EQ(xml, "\r\n<" + c[1] + " " + c[1] + "=\"v\"></" + c[1] + ">\r\n");
        // And it reads back as that one element with that one attribute.
        Document loaded = parse(xml);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->getTag(), c[1]);
        EXPECT_EQ(attribute(loaded.get(), c[1].c_str()), "v");
    }
}

} // namespace
