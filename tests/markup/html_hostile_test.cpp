// The converter on hostile pages: a million nested tags on a small stack, and shapes that would
// take quadratic time (or read past the text) in a careless reader. Each page must convert and
// load back within a time that only a linear pass keeps.
#include "markup/cls_html_to_xml.h"

#include "base/x_string.h"
#include "markup/cls_xml.h"
#include "markup/html_parse.h"
#include "markup/tree_node.h"
#include "markup_test_support.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Far above what a linear pass over a page of the sizes below needs, far below what a quadratic
// one takes.
constexpr double kSecondsPerPage = 30.0;

// The hostile pages are about a megabyte. AddressSanitizer's string interceptors measure the whole
// remaining text on every search call, which makes a linear pass over a text with many matches
// quadratic in that build alone; there the pages are a quarter of the size, which still leaves a
// quadratic reader of its own far beyond the time bound.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kShrink = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kShrink = 4;
#else
constexpr size_t kShrink = 1;
#endif
#else
constexpr size_t kShrink = 1;
#endif

// Converts the page, loads the XML text back and answers the seconds taken; the loaded document
// goes to `doc`.
double convertTimed(const std::string& html, ClsXml& doc) {
    auto start = std::chrono::steady_clock::now();
    XString page;
    page.setFromAnsi(html.c_str());
    ClsHtmlToXml converter;
    converter.put_Html(page);
    XString xml;
    EXPECT_TRUE(converter.ToXml(xml));
    EXPECT_TRUE(doc.LoadXml(xml.getAnsi()));
    EXPECT_STREQ(doc.get_Tag(), "root");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

using markup_test::firstChildDepth;
using markup_test::repeat;

TEST(HtmlHostileTest, MillionNestedTagsConvertOnASmallStack) {
    constexpr size_t kDepth = 1000000;
    std::string html = repeat("<div>", kDepth) + "deep" + repeat("</div>", kDepth);
    bool done = false;
    ASSERT_TRUE(markup_test::runOnSmallStack(256 * 1024, [&] {
        ClsXml doc;
        convertTimed(html, doc);
        // root, a million divs and the text at the bottom
        EXPECT_EQ(firstChildDepth(doc.getNode()), kDepth + 2);
        done = true;
    }));
    EXPECT_TRUE(done);
}

TEST(HtmlHostileTest, MillionNestedTagsBuildATreeOnASmallStack) {
    constexpr size_t kDepth = 1000000;
    std::string html = repeat("<table><td>", kDepth / 2);
    bool done = false;
    ASSERT_TRUE(markup_test::runOnSmallStack(256 * 1024, [&] {
        HtmlParse parse;
        TreeNode* root = parse.htmlToTree(html.c_str(), 1252);
        ASSERT_NE(root, nullptr);
        // root, then per pair an implicit row, the cell and the table
        EXPECT_EQ(firstChildDepth(root), 1 + 3 * (kDepth / 2));
        TreeNode::destroyDocument(root);
        done = true;
    }));
    EXPECT_TRUE(done);
}

class HostilePageTest : public testing::TestWithParam<case_rows::Row> {};

TEST_P(HostilePageTest, ConvertsInLinearTime) {
    const case_rows::Row& c = GetParam();
    ClsXml doc;
    EXPECT_LT(convertTimed(c[1] + repeat(c[2], std::stoul(c[3]) / kShrink) + c[4], doc), kSecondsPerPage);
}

INSTANTIATE_TEST_SUITE_P(HtmlHostile, HostilePageTest,
                         testing::ValuesIn(case_rows::read(MARKUP_TEST_DATA_DIR "/html_hostile_pages.tsv",
                                                           5)),
                         [](const testing::TestParamInfo<case_rows::Row>& info) { return info.param[0]; });

TEST(HtmlHostileTest, MegabyteAttributeValueArrivesWhole) {
    std::string value(1 << 20, 'v');
    ClsXml doc;
    convertTimed("<a title=\"" + value + "\">x</a>", doc);
    std::unique_ptr<ClsXml> anchor(doc.SearchForTag(nullptr, "a"));
    ASSERT_NE(anchor, nullptr);
    StringBuffer title;
    ASSERT_TRUE(anchor->GetAttrValue("title", title));
    EXPECT_EQ(static_cast<size_t>(title.getSize()), value.size());
}

// The page ends right after bytes that start a construct; reads stop at the end of the text.
TEST(HtmlHostileTest, TruncatedConstructsAtTheEndOfTheText) {
    for (const char* tail :
         {"<", "</", "<!", "<!-", "<!--", "<!DOCTYP", "<!DOCTYPE", "<a", "<a href=", "<a href=\"", "&",
          "&eac", "&eacute", "&#", "<script>", "<script><", "<script>x</scr", "<pre>&"}) {
        std::string html = std::string("<p>x</p>") + tail;
        // An exact-size copy, so that a read past the terminator is caught by the sanitizer.
        std::unique_ptr<char[]> text(new char[html.size() + 1]);
        std::memcpy(text.get(), html.c_str(), html.size() + 1);
        HtmlParse parse;
        TreeNode* root = parse.htmlToTree(text.get(), 1252);
        ASSERT_NE(root, nullptr) << tail;
        EXPECT_STREQ(root->getTag(), "root");
        TreeNode::destroyDocument(root);
    }
}

} // namespace
