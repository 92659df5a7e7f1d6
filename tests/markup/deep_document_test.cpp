// Documents nested a million deep are parsed, written, searched, moved and destroyed on a thread
// whose stack is 256 KiB: no part of the markup code may recurse as deep as its input.
#include "markup/cls_xml.h"
#include "markup/tree_node.h"
#include "markup_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using markup_test::repeat;
using markup_test::runOnSmallStack;

constexpr int kDepth = 1000000;
constexpr size_t kSmallStack = 256 * 1024;

// "<a>" kDepth-1 times, then <b>x</b>, then the closing tags (or not).
std::string deepText(bool closed) {
    std::string text = repeat("<a>", kDepth - 1) + "<b>x</b>";
    if (closed)
        text += repeat("</a>", kDepth - 1);
    return text;
}

std::string deepXml() {
    return repeat("\r\n<a>", kDepth - 1) + "\r\n<b>x</b>\r\n" + repeat("</a>\r\n", kDepth - 1);
}

int depthOf(const TreeNode* root) {
    return static_cast<int>(markup_test::firstChildDepth(root));
}

TEST(DeepDocumentTest, AMillionNestedElementsOnA256KiBStack) {
    const std::string text = deepText(true);
    const std::string expected = deepXml();
    bool done = false;
    ASSERT_TRUE(runOnSmallStack(kSmallStack, [&] {
        auto* xml = new ClsXml();
        EXPECT_TRUE(xml->LoadXml(text.c_str()));
        EXPECT_EQ(depthOf(xml->getNode()), kDepth);
        StringBuffer out;
        serializeXml(xml->getNode(), out, 0);
        EXPECT_TRUE(expected == out.getString());
        ClsXml* innermost = xml->SearchForTag(nullptr, "b");
        EXPECT_TRUE(innermost != nullptr && std::string(innermost->get_Content()) == "x");
        StringBuffer content;
        xml->AccumulateTagContent("b", content, "c");
        EXPECT_STREQ(content.getString(), "x");
        delete xml;
        // The search result held the document alone; deleting it destroys a million nodes.
        delete innermost;
        done = true;
    }));
    EXPECT_TRUE(done);
}

TEST(DeepDocumentTest, AMillionUnclosedElementsAreClosedAtTheEnd) {
    const std::string text = deepText(false);
    int depth = 0;
    ASSERT_TRUE(runOnSmallStack(kSmallStack, [&] {
        ClsXml xml;
        if (xml.LoadXml(text.c_str()))
            depth = depthOf(xml.getNode());
    }));
    EXPECT_EQ(depth, kDepth);
}

TEST(DeepDocumentTest, AMillionDeepDocumentIsMovedIntoAnother) {
    const std::string text = deepText(true);
    int depth = 0;
    bool sameDocument = false;
    ASSERT_TRUE(runOnSmallStack(kSmallStack, [&] {
        ClsXml target;
        TreeNode* deep = parseXml(text.c_str(), nullptr, true);
        if (deep == nullptr || !TreeNode::appendChild(target.getNode(), deep)) {
            TreeNode::destroyDocument(deep);
            return;
        }
        depth = depthOf(target.getNode());
        TreeNode* last = deep;
        while (last->firstChild() != nullptr)
            last = last->firstChild();
        sameDocument = last->getInfo() == target.getNode()->getInfo();
    }));
    EXPECT_EQ(depth, kDepth + 1);
    EXPECT_TRUE(sameDocument);
}

} // namespace
