#include "markup/cls_xml.h"

#include "base/x_string.h"
#include "markup/tree_node.h"
#include "markup_test_support.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using markup_test::logText;
using markup_test::serialize;

std::unique_ptr<ClsXml> loaded(const char* xml) {
    auto doc = std::make_unique<ClsXml>();
    EXPECT_TRUE(doc->LoadXml(xml));
    return doc;
}

// ---- Document lifetime ----

TEST(ClsXmlTest, ASearchResultKeepsTheDocumentAliveAfterTheFirstCursorGoes) {
    auto* doc = new ClsXml();
    ASSERT_TRUE(doc->LoadXml("<a><b>x</b><c>y</c></a>"));
    ClsXml* b = doc->SearchForTag(nullptr, "b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->getNode()->getInfo()->getRefCount(), 2);
    delete doc;
    EXPECT_STREQ(b->get_Content(), "x");
    ASSERT_TRUE(b->NextSibling2());
    EXPECT_STREQ(b->get_Content(), "y");
    ASSERT_TRUE(b->GetParent2());
    EXPECT_STREQ(b->get_Tag(), "a");
    EXPECT_EQ(b->getNode()->getInfo()->getRefCount(), 1);
    // Deleting the last cursor destroys the document; the sanitizer reports a leak otherwise.
    delete b;
}

TEST(ClsXmlTest, LoadXmlXsParsesTheUtf8Text) {
    XString text;
    text.setFromAnsi("<a t=\"caf\xE9\">x</a>");
    ClsXml xml;
    ASSERT_TRUE(xml.LoadXmlXs(text));
    StringBuffer value;
    ASSERT_TRUE(xml.GetAttrValue("t", value));
    EXPECT_STREQ(value.getString(), "caf\xC3\xA9");
}

TEST(ClsXmlTest, LoadingReplacesTheOldDocument) {
    ClsXml xml;
    ASSERT_TRUE(xml.LoadXml("<first/>"));
    EXPECT_STREQ(xml.get_Tag(), "first");
    ASSERT_TRUE(xml.LoadXml("<second>2</second>"));
    EXPECT_STREQ(xml.get_Tag(), "second");
    EXPECT_STREQ(xml.get_Content(), "2");
    EXPECT_EQ(xml.getNode()->getInfo()->getRefCount(), 1);
}

TEST(ClsXmlTest, LoadingTextWithoutAnElementFailsAndKeepsTheCursor) {
    ClsXml xml;
    ASSERT_TRUE(xml.LoadXml("<keep/>"));
    EXPECT_FALSE(xml.LoadXml("no element here"));
    EXPECT_FALSE(xml.LoadXml(""));
    EXPECT_FALSE(xml.LoadXml(nullptr));
    EXPECT_STREQ(xml.get_Tag(), "keep");
    EXPECT_NE(logText(xml).find("LoadXml"), std::string::npos);
}

TEST(ClsXmlTest, LoadXmlTrimsContentAndLogsOnlyTheLastCall) {
    ClsXml xml;
    ASSERT_TRUE(xml.LoadXml("<a><!-- never closed"));
    EXPECT_NE(logText(xml).find("Unclosed comment"), std::string::npos);
    ASSERT_TRUE(xml.LoadXml("<a>  x  </a>"));
    EXPECT_STREQ(xml.get_Content(), "x");
    EXPECT_EQ(logText(xml).find("Unclosed comment"), std::string::npos);
}

// ---- Searches ----

// Breadth-first order of this document: a, x(1), b, x(3), x(2).
const char kSearchDoc[] = "<a><x>1</x><b><x>2</x></b><x>3</x></a>";

TEST(ClsXmlTest, SearchForTagAnswersTheCurrentNodeFirstAndStaysInItsSubtree) {
    auto doc = loaded(kSearchDoc);
    std::unique_ptr<ClsXml> self(doc->SearchForTag(nullptr, "a"));
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->getNode(), doc->getNode());
    std::unique_ptr<ClsXml> none(doc->SearchForTag(self.get(), "a"));
    EXPECT_EQ(none, nullptr);
    // From an inner node the search stays in its subtree.
    std::unique_ptr<ClsXml> b(doc->SearchForTag(nullptr, "b"));
    ASSERT_NE(b, nullptr);
    std::unique_ptr<ClsXml> x(b->SearchForTag(nullptr, "x"));
    ASSERT_NE(x, nullptr);
    EXPECT_STREQ(x->get_Content(), "2");
    EXPECT_EQ(b->SearchForTag(nullptr, "missing"), nullptr);
}

TEST(ClsXmlTest, SearchForTagContinuesBehindThePreviousAnswerInLevelOrder) {
    auto doc = loaded(kSearchDoc);
    std::string order;
    std::unique_ptr<ClsXml> found(doc->SearchForTag(nullptr, "  x "));
    while (found != nullptr) {
        order += found->get_Content();
        found.reset(doc->SearchForTag(found.get(), "x"));
    }
    EXPECT_EQ(order, "132");
}

TEST(ClsXmlTest, SearchForAttributeMatchesAWildcardPattern) {
    auto doc = loaded("<r><a href='/home'>h</a><div><a href='/contact.html'>c</a></div>"
                      "<a href='/Contact-us'>C</a></r>");
    std::unique_ptr<ClsXml> first(doc->SearchForAttribute(nullptr, " a ", " href ", "*contact*"));
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->get_Content(), "c");
    EXPECT_EQ(doc->SearchForAttribute(first.get(), "a", "href", "*contact*"), nullptr);
    std::unique_ptr<ClsXml> any(doc->SearchForAttribute(nullptr, "a", "href", "/*"));
    ASSERT_NE(any, nullptr);
    EXPECT_STREQ(any->get_Content(), "h");
    // The pattern is not trimmed.
    EXPECT_EQ(doc->SearchForAttribute(nullptr, "a", "href", " /home"), nullptr);
}

TEST(ClsXmlTest, AccumulateTagContentSkipsBelowTheGivenTags) {
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/xml_accumulated_content.tsv", 3)) {
        StringBuffer out("x");
        loaded(c[0].c_str())->AccumulateTagContent("text", out, c[1].c_str());
        EXPECT_EQ(out.getString(), c[2]) << c[0] << " skipping " << c[1];
    }
}

// ---- This node, attributes and children ----

TEST(ClsXmlTest, NewChild2TrimsTheTagAndTurnsBlanksIntoUnderscores) {
    ClsXml xml;
    xml.NewChild2("  my tag ", "content");
    std::unique_ptr<ClsXml> child(xml.FirstChild());
    ASSERT_NE(child, nullptr);
    EXPECT_STREQ(child->get_Tag(), "my_tag");
    EXPECT_STREQ(child->get_Content(), "content");
}

TEST(ClsXmlTest, GetContentSbLeavesTheBufferWhenThereIsNoContent) {
    ClsXml xml;
    StringBuffer out("before");
    EXPECT_TRUE(xml.GetContentSb(out));
    EXPECT_STREQ(out.getString(), "before");
    xml.put_Content("now");
    EXPECT_TRUE(xml.GetContentSb(out));
    EXPECT_STREQ(out.getString(), "now");
    xml.put_Content(nullptr);
    EXPECT_STREQ(xml.get_Content(), "");
}

TEST(ClsXmlTest, GetChildContentClearsTheBufferAndAnswersFalseWithoutChild) {
    auto doc = loaded("<config><numThreads>12 workers</numThreads><empty/></config>");
    StringBuffer out("old");
    EXPECT_FALSE(doc->GetChildContent("logFile", out));
    EXPECT_STREQ(out.getString(), "");
    EXPECT_TRUE(doc->GetChildContent("numThreads", out));
    EXPECT_STREQ(out.getString(), "12 workers");
    out.setString("old");
    EXPECT_TRUE(doc->GetChildContent("empty", out));
    EXPECT_STREQ(out.getString(), "");
}

TEST(ClsXmlTest, AttributeOperations) {
    ClsXml xml;
    xml.AppendAttribute("a", "1");
    xml.AppendAttribute("a", "2");
    xml.AddAttributeInt("n", -42);
    StringBuffer out;
    EXPECT_TRUE(xml.GetAttrValue("  a\t", out));
    EXPECT_STREQ(out.getString(), "1");
    EXPECT_FALSE(xml.GetAttrValue("b", out));
    EXPECT_TRUE(xml.HasAttrWithValue(" a ", "1"));
    EXPECT_FALSE(xml.HasAttrWithValue("a", "2"));
    EXPECT_EQ(xml.GetAttrValueInt("n"), -42);
    EXPECT_EQ(xml.GetAttrValueInt("missing"), 0);
    xml.AddAttribute("a", "3");
    EXPECT_EQ(serialize(xml.getNode()), "\r\n<unnamed n=\"-42\" a=\"3\"></unnamed>\r\n");
}

TEST(ClsXmlTest, ChildLookupsByTagAndAttribute) {
    auto doc = loaded("<r><meta name='a'/><meta name='description' content='d'/><link/></r>");
    std::unique_ptr<ClsXml> meta(doc->GetChildWithTag(" meta "));
    ASSERT_NE(meta, nullptr);
    EXPECT_TRUE(meta->HasAttrWithValue("name", "a"));
    std::unique_ptr<ClsXml> description(doc->GetChildWithAttr("meta", "name", "desc*"));
    ASSERT_NE(description, nullptr);
    StringBuffer content;
    EXPECT_TRUE(description->GetAttrValue("content", content));
    EXPECT_STREQ(content.getString(), "d");
    EXPECT_EQ(doc->GetChildWithTag("missing"), nullptr);
    EXPECT_EQ(doc->GetChildWithAttr("meta", "name", "x"), nullptr);
}

TEST(ClsXmlTest, MovingTheCursor) {
    auto doc = loaded("<r><a/><b/></r>");
    EXPECT_FALSE(doc->GetParent2());
    EXPECT_FALSE(doc->NextSibling2());
    ASSERT_TRUE(doc->FirstChild2());
    EXPECT_STREQ(doc->get_Tag(), "a");
    EXPECT_FALSE(doc->FirstChild2());
    ASSERT_TRUE(doc->NextSibling2());
    EXPECT_STREQ(doc->get_Tag(), "b");
    EXPECT_FALSE(doc->NextSibling2());
    EXPECT_STREQ(doc->get_Tag(), "b");
    EXPECT_EQ(doc->getNode()->getRefCount(), 1);
    EXPECT_EQ(doc->getNode()->getInfo()->getRefCount(), 1);
    ASSERT_TRUE(doc->GetParent2());
    EXPECT_STREQ(doc->get_Tag(), "r");
    EXPECT_EQ(doc->getNode()->getParent(), nullptr);
}

} // namespace
