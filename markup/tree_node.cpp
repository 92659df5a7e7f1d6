#include "markup/tree_node.h"

#include "base/queue.h"
#include "markup/attribute_set.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace {

constexpr int kDefaultChildCapacity = 5;
constexpr int kChildGrowBy = 5;

// Analysis threads build documents at the same time, so the numbering counter is atomic.
std::atomic<uint32_t> g_nextDocumentNumber{1};

const char* orEmpty(const char* text) {
    return text != nullptr ? text : "";
}

} // namespace

// ---- TreeInfo ----

TreeInfo::TreeInfo(TreeNode* root)
    : m_root(root), m_declaration(nullptr), m_stylesheet(nullptr), m_prolog(nullptr),
      m_documentNumber(g_nextDocumentNumber.fetch_add(1, std::memory_order_relaxed)), m_refCount(0) {
    if (root != nullptr)
        root->m_info = this;
}

TreeInfo::~TreeInfo() {
    // Cleared first, so the root's destructor does not report back to a dying document.
    TreeNode* root = m_root;
    m_root = nullptr;
    delete root;
    delete m_declaration;
    delete m_stylesheet;
    delete m_prolog;
}

void TreeInfo::setDeclaration(TreeNode* node) {
    if (node != m_declaration)
        delete m_declaration;
    m_declaration = node;
}

TreeNode* TreeInfo::ensureDeclaration() {
    if (m_declaration == nullptr) {
        m_declaration = new TreeNode("xml");
        m_declaration->addAttribute("version", "1.0");
    }
    return m_declaration;
}

void TreeInfo::setStylesheet(TreeNode* node) {
    if (node != m_stylesheet)
        delete m_stylesheet;
    m_stylesheet = node;
}

const char* TreeInfo::getProlog() const {
    return m_prolog != nullptr ? m_prolog->getString() : "";
}

void TreeInfo::setProlog(const StringBuffer& text) {
    if (m_prolog == nullptr)
        m_prolog = new StringBuffer(text);
    else
        m_prolog->setSb(text);
}

// ---- TreeNode: life cycle ----

TreeNode::TreeNode(const char* tag)
    : m_info(nullptr), m_tag(new StringBuffer(orEmpty(tag))), m_attributes(nullptr), m_content(nullptr),
      m_refCount(0), m_isCdata(false), m_children(nullptr), m_parent(nullptr), m_nextSibling(nullptr),
      m_prevSibling(nullptr) {}

TreeNode::~TreeNode() {
    unlinkFromParent();
    if (m_info != nullptr && m_info->m_root == this)
        m_info->m_root = nullptr;
    delete m_tag;
    delete m_attributes;
    delete m_content;

    // Descendants are taken apart from an explicit list: each one is stripped of its children
    // before it is deleted, so no destructor ever reaches below itself, however deep the tree.
    ExtPtrArray pending;
    releaseChildrenTo(pending);
    while (pending.getSize() > 0) {
        auto* node = static_cast<TreeNode*>(pending.pop());
        node->releaseChildrenTo(pending);
        delete node;
    }
}

void TreeNode::releaseChildrenTo(ExtPtrArray& pending) {
    if (m_children == nullptr)
        return;
    for (int i = 0; i < m_children->getSize(); ++i) {
        auto* child = static_cast<TreeNode*>(m_children->elementAt(i));
        child->m_parent = nullptr;
        child->m_nextSibling = nullptr;
        child->m_prevSibling = nullptr;
        pending.appendPtr(child);
    }
    delete m_children;
    m_children = nullptr;
}

void TreeNode::unlinkFromParent() {
    TreeNode* parent = m_parent;
    if (parent == nullptr)
        return;
    ExtPtrArray* siblings = parent->m_children;
    for (int i = siblings->getSize() - 1; i >= 0; --i) {
        if (siblings->elementAt(i) == this) {
            siblings->removeAt(i);
            break;
        }
    }
    if (m_prevSibling != nullptr)
        m_prevSibling->m_nextSibling = m_nextSibling;
    if (m_nextSibling != nullptr)
        m_nextSibling->m_prevSibling = m_prevSibling;
    m_parent = nullptr;
    m_nextSibling = nullptr;
    m_prevSibling = nullptr;
}

// ---- TreeNode: creating and linking ----

TreeNode* TreeNode::createRoot(const char* tag) {
    auto* root = new TreeNode(tag);
    new TreeInfo(root);
    return root;
}

TreeNode* TreeNode::createRoot(const char* tag, const char* content) {
    TreeNode* root = createRoot(tag);
    root->setContent(content);
    return root;
}

TreeNode* TreeNode::createChild(TreeNode* parent, const char* tag) {
    if (parent == nullptr)
        return createRoot(tag);
    auto* child = new TreeNode(tag);
    child->m_info = parent->m_info;
    parent->linkLastChild(child);
    return child;
}

bool TreeNode::appendChild(TreeNode* parent, TreeNode* node) {
    // 1. Only the root of another document (or a node of none) moves, and only into a document.
    if (parent == nullptr || node == nullptr || node == parent || node->m_parent != nullptr)
        return false;
    if (parent->m_info == nullptr || node->m_info == parent->m_info)
        return false;
    TreeInfo* oldInfo = node->m_info;
    if (oldInfo != nullptr && oldInfo->m_root != node)
        return false;

    // 2. The moved document's cursors now count for the new one; its nodes are re-pointed
    // level by level.
    int32_t carriedRefs = 0;
    if (oldInfo != nullptr) {
        carriedRefs = oldInfo->m_refCount;
        oldInfo->m_root = nullptr;
        delete oldInfo;
    }
    Queue toVisit;
    toVisit.push(node);
    while (auto* n = static_cast<TreeNode*>(toVisit.pop())) {
        n->m_info = parent->m_info;
        for (TreeNode* c = n->firstChild(); c != nullptr; c = c->m_nextSibling)
            toVisit.push(c);
    }

    // 3, 4. Link it as the last child.
    parent->linkLastChild(node);

    // 5.
    parent->m_info->m_refCount += carriedRefs;
    return true;
}

void TreeNode::ensureChildren() {
    if (m_children != nullptr)
        return;
    int capacity = m_prevSibling != nullptr ? m_prevSibling->numChildren() : 0;
    if (capacity == 0)
        capacity = kDefaultChildCapacity;
    m_children = new ExtPtrArray(capacity, kChildGrowBy);
}

void TreeNode::linkLastChild(TreeNode* child) {
    ensureChildren();
    TreeNode* last = lastChild();
    if (last != nullptr)
        last->m_nextSibling = child;
    child->m_prevSibling = last;
    child->m_nextSibling = nullptr;
    child->m_parent = this;
    m_children->appendPtr(child);
}

// ---- TreeNode: reference counting ----

void TreeNode::addRef(TreeNode* node) {
    if (node == nullptr)
        return;
    ++node->m_refCount;
    if (node->m_info != nullptr)
        ++node->m_info->m_refCount;
}

void TreeNode::release(TreeNode* node) {
    if (node == nullptr)
        return;
    if (node->m_refCount > 0)
        --node->m_refCount;
    if (node->m_info != nullptr && node->m_info->m_refCount > 0)
        --node->m_info->m_refCount;
}

void TreeNode::releaseAndMaybeDestroy(TreeNode* node) {
    if (node == nullptr)
        return;
    release(node);
    TreeInfo* info = node->m_info;
    if (info != nullptr && info->m_refCount == 0)
        delete info;
}

void TreeNode::destroyDocument(TreeNode* root) {
    if (root == nullptr || root->m_parent != nullptr)
        return;
    TreeInfo* info = root->m_info;
    if (info == nullptr) {
        delete root;
        return;
    }
    if (info->m_root == root && info->m_refCount == 0)
        delete info;
}

// ---- TreeNode: tag and content ----

void TreeNode::setTag(const char* tag) {
    m_tag->setString(orEmpty(tag));
    m_tag->minimizeMemory();
}

const char* TreeNode::getTag() const {
    return m_tag->getString();
}

bool TreeNode::tagEquals(const char* tag) const {
    return std::strcmp(getTag(), orEmpty(tag)) == 0;
}

void TreeNode::setContent(const char* text) {
    if (text == nullptr) {
        delete m_content;
        m_content = nullptr;
        return;
    }
    if (m_content == nullptr)
        m_content = new StringBuffer(text);
    else
        m_content->setString(text);
}

void TreeNode::appendContent(const char* text) {
    if (text == nullptr || *text == '\0')
        return;
    if (m_content == nullptr)
        m_content = new StringBuffer(text);
    else
        m_content->append(text);
}

const char* TreeNode::getContent() const {
    return m_content != nullptr ? m_content->getString() : "";
}

bool TreeNode::hasContent() const {
    return m_content != nullptr && m_content->getSize() > 0;
}

StringBuffer& TreeNode::contentSb() {
    if (m_content == nullptr)
        m_content = new StringBuffer("");
    return *m_content;
}

// ---- TreeNode: attributes ----

void TreeNode::addAttribute(const char* name, const char* value) {
    if (name == nullptr || *name == '\0')
        return;
    removeAttribute(name);
    appendAttribute(name, value);
}

void TreeNode::appendAttribute(const char* name, const char* value) {
    if (name == nullptr || *name == '\0')
        return;
    if (m_attributes == nullptr)
        m_attributes = new AttributeSet();
    m_attributes->append(name, value);
}

void TreeNode::removeAttribute(const char* name) {
    if (m_attributes != nullptr)
        m_attributes->removeAll(name);
}

bool TreeNode::getAttribute(const char* name, StringBuffer& out) const {
    out.clear();
    int i = m_attributes != nullptr ? m_attributes->find(name) : -1;
    if (i < 0)
        return false;
    m_attributes->valueAt(i, out);
    return true;
}

bool TreeNode::hasAttribute(const char* name) const {
    return m_attributes != nullptr && m_attributes->find(name) >= 0;
}

bool TreeNode::attributeHasValue(const char* name, const char* value) const {
    int i = m_attributes != nullptr ? m_attributes->find(name) : -1;
    return i >= 0 && m_attributes->valueEquals(i, value);
}

bool TreeNode::attributeMatches(const char* name, const char* pattern) const {
    StringBuffer actual;
    return pattern != nullptr && getAttribute(name, actual) && actual.matchesWildcard(pattern, true);
}

int TreeNode::numAttributes() const {
    return m_attributes != nullptr ? m_attributes->count() : 0;
}

bool TreeNode::attributeAt(int i, const char*& name, int& nameLen, const char*& value, int& valueLen) const {
    return m_attributes != nullptr && m_attributes->entryAt(i, name, nameLen, value, valueLen);
}

void TreeNode::writeAttributes(StringBuffer& out) const {
    if (m_attributes != nullptr)
        m_attributes->writeXml(out);
}

void TreeNode::mendAttributeNames() {
    if (m_attributes != nullptr)
        m_attributes->mendNames();
}

// ---- TreeNode: navigation ----

int TreeNode::numChildren() const {
    return m_children != nullptr ? m_children->getSize() : 0;
}

TreeNode* TreeNode::getChild(int i) const {
    return m_children != nullptr ? static_cast<TreeNode*>(m_children->elementAt(i)) : nullptr;
}

TreeNode* TreeNode::firstChild() const {
    return getChild(0);
}

TreeNode* TreeNode::lastChild() const {
    return m_children != nullptr ? static_cast<TreeNode*>(m_children->lastElement()) : nullptr;
}

TreeNode* TreeNode::firstChildWithTag(const char* tag, int n) const {
    for (TreeNode* c = firstChild(); c != nullptr; c = c->m_nextSibling) {
        if (c->tagEquals(tag) && n-- == 0)
            return c;
    }
    return nullptr;
}

TreeNode* TreeNode::firstChildWithTagAndAttr(const char* tag, const char* attrName,
                                             const char* pattern) const {
    for (TreeNode* c = firstChild(); c != nullptr; c = c->m_nextSibling) {
        if (c->tagEquals(tag) && c->attributeMatches(attrName, pattern))
            return c;
    }
    return nullptr;
}

// ---- TreeNode: breadth-first searches ----

// Level order: the children of one parent are tested together, and the tested nodes whose
// children are still to be tested wait in first-in-first-out order. Only those parents are kept,
// in one growing array, so a search costs a few allocations rather than one per node.
template <typename Test> TreeNode* TreeNode::breadthFirstFind(const TreeNode* after, Test test) {
    bool matching = after == nullptr;
    auto visit = [&](TreeNode* node) {
        if (!matching) {
            matching = node == after;
            return Visit::Pass;
        }
        return test(node);
    };
    Visit first = visit(this);
    if (first == Visit::Found)
        return this;
    if (first == Visit::SkipChildren)
        return nullptr;
    std::vector<TreeNode*> toExpand{this};
    for (size_t next = 0; next < toExpand.size(); ++next) {
        for (TreeNode* c = toExpand[next]->firstChild(); c != nullptr; c = c->m_nextSibling) {
            Visit v = visit(c);
            if (v == Visit::Found)
                return c;
            if (v == Visit::Pass && c->numChildren() > 0)
                toExpand.push_back(c);
        }
    }
    return nullptr;
}

TreeNode* TreeNode::searchForTag(const TreeNode* after, const char* tag) {
    return breadthFirstFind(
        after, [tag](const TreeNode* n) { return n->tagEquals(tag) ? Visit::Found : Visit::Pass; });
}

TreeNode* TreeNode::searchForAttribute(const TreeNode* after, const char* tag, const char* attrName,
                                       const char* pattern) {
    return breadthFirstFind(after, [=](const TreeNode* n) {
        return n->tagEquals(tag) && n->attributeMatches(attrName, pattern) ? Visit::Found : Visit::Pass;
    });
}

namespace {

bool hasTagIn(const ExtPtrArray& names, const TreeNode* node) {
    for (int i = 0; i < names.getSize(); ++i) {
        if (node->tagEquals(static_cast<const StringBuffer*>(names.elementAt(i))->getString()))
            return true;
    }
    return false;
}

} // namespace

void TreeNode::accumulateTagContent(const char* tag, StringBuffer& out, const char* skipTags) {
    ExtPtrArray skipNames;
    if (skipTags != nullptr)
        StringBuffer(skipTags).split(skipNames, '|', false, false);

    // The walk never reports a find, so it visits the whole subtree, pruned below skip tags.
    bool first = true;
    breadthFirstFind(nullptr, [&](const TreeNode* n) {
        if (n->tagEquals(tag) && n->hasContent()) {
            if (!first)
                out.appendChar(' ');
            out.appendSb(*n->m_content);
            first = false;
        }
        return hasTagIn(skipNames, n) ? Visit::SkipChildren : Visit::Pass;
    });
    skipNames.removeAllObjects();
}

void TreeNode::collectTags(const char* tags, ExtPtrArray& out) {
    ExtPtrArray names;
    StringBuffer(tags).split(names, '|', false, false);
    breadthFirstFind(nullptr, [&](TreeNode* n) {
        if (hasTagIn(names, n))
            out.appendPtr(n);
        return Visit::Pass;
    });
    names.removeAllObjects();
}
