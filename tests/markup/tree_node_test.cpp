#include "markup/tree_node.h"

#include "markup/cls_xml.h"
#include "markup_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using markup_test::attribute;
using markup_test::attributesText;
using markup_test::Document;

// ---- Tag and content ----

TEST(TreeNodeTest, ContentIsSetAppendedAndCleared) {
    Document root(TreeNode::createRoot("r"));
    EXPECT_FALSE(root->hasContent());
    EXPECT_STREQ(root->getContent(), "");
    root->appendContent("");
    EXPECT_FALSE(root->hasContent());
    root->appendContent("ab");
    root->appendContent("cd");
    EXPECT_STREQ(root->getContent(), "abcd");
    root->setContent("x");
    EXPECT_STREQ(root->getContent(), "x");
    root->setContent(nullptr);
    EXPECT_FALSE(root->hasContent());
    EXPECT_STREQ(root->getContent(), "");
}

// ---- Attributes ----

// Appending keeps duplicates (readers see the first); adding replaces them all with one at the end.
TEST(TreeNodeTest, DuplicateAttributes) {
    Document root(TreeNode::createRoot("r"));
    root->appendAttribute("a", "1");
    root->appendAttribute("b", "2");
    root->appendAttribute("a", "3");
    EXPECT_EQ(root->numAttributes(), 3);
    EXPECT_EQ(attribute(root.get(), "a"), "1");
    EXPECT_TRUE(root->attributeHasValue("a", "1"));
    EXPECT_FALSE(root->attributeHasValue("a", "3"));
    root->addAttribute("a", "4");
    EXPECT_EQ(attributesText(root.get()), " b=\"2\" a=\"4\"");
    root->removeAttribute("a");
    EXPECT_FALSE(root->hasAttribute("a"));
    EXPECT_EQ(root->numAttributes(), 1);
}

TEST(TreeNodeTest, NamesCompareExactlyAndByLength) {
    Document root(TreeNode::createRoot("r"));
    root->appendAttribute("ab", "1");
    root->appendAttribute("a", "2");
    root->appendAttribute("A", "3");
    EXPECT_EQ(attribute(root.get(), "a"), "2");
    EXPECT_EQ(attribute(root.get(), "A"), "3");
    EXPECT_EQ(attribute(root.get(), "ab"), "1");
    EXPECT_EQ(attribute(root.get(), "abc"), "<absent>");
    root->removeAttribute("a");
    EXPECT_EQ(attributesText(root.get()), " ab=\"1\" A=\"3\"");
}

TEST(TreeNodeTest, NullOrEmptyNamesAreIgnoredAndNullValuesStoredEmpty) {
    Document root(TreeNode::createRoot("r"));
    root->appendAttribute(nullptr, "x");
    root->appendAttribute("", "x");
    root->addAttribute("", "x");
    EXPECT_EQ(root->numAttributes(), 0);
    root->appendAttribute("n", nullptr);
    EXPECT_EQ(attribute(root.get(), "n"), "");
    EXPECT_FALSE(root->hasAttribute(""));
    EXPECT_FALSE(root->hasAttribute(nullptr));
    StringBuffer out("unchanged");
    EXPECT_FALSE(root->getAttribute(nullptr, out));
    EXPECT_STREQ(out.getString(), "");
}

TEST(TreeNodeTest, AttributeMatchesIsACaseSensitiveWildcard) {
    Document root(TreeNode::createRoot("r"));
    root->appendAttribute("href", "http://example.de/contact.html");
    root->appendAttribute("empty", "");
    EXPECT_TRUE(root->attributeMatches("href", "*contact*"));
    EXPECT_FALSE(root->attributeMatches("href", "*CONTACT*"));
    EXPECT_FALSE(root->attributeMatches("href", ""));
    EXPECT_TRUE(root->attributeMatches("empty", ""));
    EXPECT_TRUE(root->attributeMatches("empty", "*"));
    EXPECT_FALSE(root->attributeMatches("missing", "*"));
    EXPECT_FALSE(root->attributeMatches("href", nullptr));
}

// ---- Children and navigation ----

TEST(TreeNodeTest, ChildrenAreLinkedInOrder) {
    Document root(TreeNode::createRoot("r"));
    TreeNode* a = TreeNode::createChild(root.get(), "a");
    TreeNode* b = TreeNode::createChild(root.get(), "b");
    TreeNode* c = TreeNode::createChild(root.get(), "a");
    EXPECT_EQ(root->numChildren(), 3);
    EXPECT_EQ(root->firstChild(), a);
    EXPECT_EQ(root->lastChild(), c);
    EXPECT_EQ(root->getChild(1), b);
    EXPECT_EQ(root->getChild(3), nullptr);
    EXPECT_EQ(a->nextSibling(), b);
    EXPECT_EQ(b->nextSibling(), c);
    EXPECT_EQ(c->nextSibling(), nullptr);
    EXPECT_EQ(c->prevSibling(), b);
    EXPECT_EQ(a->prevSibling(), nullptr);
    EXPECT_EQ(b->getParent(), root.get());
    EXPECT_EQ(b->getInfo(), root->getInfo());
    EXPECT_FALSE(b->isDocumentRoot());
    EXPECT_EQ(root->firstChildWithTag("a", 0), a);
    EXPECT_EQ(root->firstChildWithTag("a", 1), c);
    EXPECT_EQ(root->firstChildWithTag("a", 2), nullptr);
}

TEST(TreeNodeTest, DeletingASubtreeUnlinksIt) {
    Document root(TreeNode::createRoot("r"));
    TreeNode* a = TreeNode::createChild(root.get(), "a");
    TreeNode* b = TreeNode::createChild(root.get(), "b");
    TreeNode* c = TreeNode::createChild(root.get(), "c");
    TreeNode::createChild(b, "below");
    delete b;
    EXPECT_EQ(root->numChildren(), 2);
    EXPECT_EQ(a->nextSibling(), c);
    EXPECT_EQ(c->prevSibling(), a);
}

// ---- Appending another document ----

TEST(TreeNodeTest, AppendChildMovesAnotherDocumentsRoot) {
    Document root(TreeNode::createRoot("r"));
    TreeNode::createChild(root.get(), "first");
    TreeNode* other = TreeNode::createRoot("other");
    TreeNode* below = TreeNode::createChild(other, "below");
    ASSERT_TRUE(TreeNode::appendChild(root.get(), other));
    EXPECT_EQ(other->getParent(), root.get());
    EXPECT_EQ(other->getInfo(), root->getInfo());
    EXPECT_EQ(below->getInfo(), root->getInfo());
    EXPECT_EQ(root->lastChild(), other);
    EXPECT_EQ(root->firstChild()->nextSibling(), other);
    EXPECT_EQ(other->prevSibling(), root->firstChild());
    EXPECT_EQ(markup_test::serialize(root.get()),
              "\r\n<r>\r\n<first></first>\r\n<other>\r\n<below></below>\r\n"
              "</other>\r\n</r>\r\n");
}

TEST(TreeNodeTest, AppendChildRefusesANodeWithAParentOrOfTheSameDocument) {
    Document root(TreeNode::createRoot("r"));
    TreeNode* child = TreeNode::createChild(root.get(), "c");
    Document other(TreeNode::createRoot("o"));
    EXPECT_FALSE(TreeNode::appendChild(other.get(), child));
    EXPECT_FALSE(TreeNode::appendChild(child, root.get()));
    EXPECT_FALSE(TreeNode::appendChild(root.get(), root.get()));
    EXPECT_EQ(child->getParent(), root.get());
    EXPECT_EQ(other->numChildren(), 0);
}

TEST(TreeNodeTest, AppendChildCarriesTheMovedDocumentsCursors) {
    auto* target = new ClsXml();
    auto* moved = new ClsXml();
    moved->put_Tag("moved");
    TreeNode* movedNode = moved->getNode();
    ASSERT_TRUE(TreeNode::appendChild(target->getNode(), movedNode));
    EXPECT_EQ(target->getNode()->getInfo()->getRefCount(), 2);
    delete target;
    // The cursor on the moved node keeps the merged document alive.
    EXPECT_TRUE(moved->GetParent2());
    EXPECT_STREQ(moved->get_Tag(), "unnamed");
    ASSERT_TRUE(moved->FirstChild2());
    EXPECT_STREQ(moved->get_Tag(), "moved");
    delete moved;
}

// ---- Reference counting ----

TEST(TreeNodeTest, ReferencesCountOnNodeAndDocument) {
    TreeNode* root = TreeNode::createRoot("r");
    TreeNode* child = TreeNode::createChild(root, "c");
    TreeNode::addRef(root);
    TreeNode::addRef(child);
    TreeNode::addRef(child);
    EXPECT_EQ(root->getRefCount(), 1);
    EXPECT_EQ(child->getRefCount(), 2);
    EXPECT_EQ(root->getInfo()->getRefCount(), 3);
    TreeNode::release(child);
    TreeNode::release(child);
    EXPECT_EQ(child->getRefCount(), 0);
    EXPECT_EQ(root->getInfo()->getRefCount(), 1);
    // The last reference goes and takes the document with it (the sanitizer sees a leak
    // otherwise).
    TreeNode::releaseAndMaybeDestroy(root);
}

TEST(TreeNodeTest, ReleaseNeverCountsBelowZero) {
    Document root(TreeNode::createRoot("r"));
    TreeNode::release(root.get());
    EXPECT_EQ(root->getRefCount(), 0);
    EXPECT_EQ(root->getInfo()->getRefCount(), 0);
    TreeNode::addRef(root.get());
    EXPECT_EQ(root->getInfo()->getRefCount(), 1);
    TreeNode::release(root.get());
}

TEST(TreeNodeTest, DestroyDocumentLeavesAHeldDocumentAlone) {
    TreeNode* root = TreeNode::createRoot("r");
    TreeNode::addRef(root);
    TreeNode::destroyDocument(root);
    EXPECT_STREQ(root->getTag(), "r");
    TreeNode::releaseAndMaybeDestroy(root);
}

// ---- Declaration and stylesheet ----

TEST(TreeNodeTest, EnsureDeclarationCreatesVersionOneZero) {
    Document root(TreeNode::createRoot("r"));
    TreeInfo* info = root->getInfo();
    EXPECT_EQ(info->getDeclaration(), nullptr);
    TreeNode* declaration = info->ensureDeclaration();
    EXPECT_STREQ(declaration->getTag(), "xml");
    EXPECT_EQ(attribute(declaration, "version"), "1.0");
    EXPECT_EQ(info->ensureDeclaration(), declaration);
    info->setStylesheet(new TreeNode("xml-stylesheet"));
    info->setStylesheet(new TreeNode("xml-stylesheet"));
    EXPECT_STREQ(info->getProlog(), "");
    info->setProlog(StringBuffer("<!DOCTYPE r>\n"));
    EXPECT_STREQ(info->getProlog(), "<!DOCTYPE r>\n");
}

} // namespace
