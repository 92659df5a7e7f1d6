// TreeNode and TreeInfo: the in-memory XML document. A document is a tree of TreeNodes that all
// point to one TreeInfo, which owns the root (and through it every node), the XML declaration,
// the stylesheet instruction and the prolog text. Cursors (ClsXml) hold counted references to
// nodes; the TreeInfo keeps the sum, and the document is destroyed when that sum drops to 0.
// Destroying a tree, re-pointing a moved subtree and searching it never recurse, so a document
// may be nested as deeply as its text says. A document belongs to one thread.
#pragma once

#include "base/ext_ptr_array.h"
#include "base/string_buffer.h"
#include "base/zelcora_object.h"

#include <cstdint>

class AttributeSet;
class TreeNode;

class TreeInfo : public ZelcoraObject {
public:
    // Makes `root` (which may be null) the root of a new document.
    explicit TreeInfo(TreeNode* root);
    // Destroys the root with every node below it, the declaration, the stylesheet and the prolog.
    ~TreeInfo() override;
    TreeInfo(const TreeInfo&) = delete;
    TreeInfo& operator=(const TreeInfo&) = delete;

    TreeNode* getRoot() const { return m_root; }

    // The declaration node (tagged "xml"), or null. Setting one destroys the previous one; the
    // document owns the node it is given.
    TreeNode* getDeclaration() const { return m_declaration; }
    void setDeclaration(TreeNode* node);
    // The declaration, created with version="1.0" when there is none.
    TreeNode* ensureDeclaration();
    // The stylesheet instruction's node (tagged "xml-stylesheet"), or null; owned likewise.
    TreeNode* getStylesheet() const { return m_stylesheet; }
    void setStylesheet(TreeNode* node);
    // Document type declarations and other processing instructions, each followed by a line
    // feed; "" when there are none.
    const char* getProlog() const;
    void setProlog(const StringBuffer& text);

    int32_t getRefCount() const { return m_refCount; }
    uint32_t getDocumentNumber() const { return m_documentNumber; }

private:
    friend class TreeNode;

    TreeNode* m_root;
    TreeNode* m_declaration;
    TreeNode* m_stylesheet;
    StringBuffer* m_prolog;
    uint32_t m_documentNumber;
    int32_t m_refCount;
};

class TreeNode : public ZelcoraObject {
public:
    // A node of no document, as the declaration and stylesheet nodes are.
    explicit TreeNode(const char* tag);
    // Destroys tag, content, attributes and every descendant (never the TreeInfo; a document is
    // destroyed through destroyDocument or releaseAndMaybeDestroy). A node that still has a
    // parent is unlinked from it first. The descendants are taken apart one by one, not by
    // nested destructor calls. No cursor may refer to a node of the subtree.
    ~TreeNode() override;
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    // Creating and linking nodes.
    static TreeNode* createRoot(const char* tag);
    static TreeNode* createRoot(const char* tag, const char* content);
    // Appends a new last child; a null parent creates a root.
    static TreeNode* createChild(TreeNode* parent, const char* tag);
    // Moves the root of another document under `parent`, merging the documents (the moved
    // document's cursors now count for parent's); false when the node has another parent or
    // already belongs to parent's document.
    static bool appendChild(TreeNode* parent, TreeNode* node);

    // Reference counting: addRef adds 1 to the node and to its document; release subtracts 1
    // from each, never below 0; releaseAndMaybeDestroy destroys the whole document when its
    // count is then 0.
    static void addRef(TreeNode* node);
    static void release(TreeNode* node);
    static void releaseAndMaybeDestroy(TreeNode* node);
    // Destroys the document of a root node that no cursor refers to (a node of no document is
    // simply deleted). A node that has a parent, or whose document a cursor still holds, is left
    // alone: destroying it would leave dangling pointers.
    static void destroyDocument(TreeNode* root);

    TreeInfo* getInfo() const { return m_info; }
    bool isDocumentRoot() const { return m_info != nullptr && m_info->m_root == this; }
    int32_t getRefCount() const { return m_refCount; }

    // Tag: null stores "". getTag answers "" when there is none.
    void setTag(const char* tag);
    const char* getTag() const;
    bool tagEquals(const char* tag) const;

    // Content: a null text clears it; appending an empty text changes nothing.
    void setContent(const char* text);
    void appendContent(const char* text);
    const char* getContent() const;
    bool hasContent() const;
    // The content buffer itself, created on demand.
    StringBuffer& contentSb();
    bool isCdata() const { return m_isCdata; }
    void setCdata(bool cdata) { m_isCdata = cdata; }

    // Attributes. addAttribute replaces every attribute of that name (the new one goes last);
    // appendAttribute adds without looking. Null or empty names are ignored by the writers and
    // answer false in the readers; a null value is stored as "". getAttribute clears `out`
    // first and answers the first match.
    void addAttribute(const char* name, const char* value);
    void appendAttribute(const char* name, const char* value);
    void removeAttribute(const char* name);
    bool getAttribute(const char* name, StringBuffer& out) const;
    bool hasAttribute(const char* name) const;
    bool attributeHasValue(const char* name, const char* value) const;
    // Case-sensitive wildcard match of the first value of that name; an empty pattern matches
    // only an empty value.
    bool attributeMatches(const char* name, const char* pattern) const;
    int numAttributes() const;
    // Attribute i as pointers into the node's text (not NUL-terminated) with their lengths; false
    // when i is out of range.
    bool attributeAt(int i, const char*& name, int& nameLen, const char*& value, int& valueLen) const;
    // Appends ` name="value"` for each attribute, values escaped.
    void writeAttributes(StringBuffer& out) const;
    // Renames each attribute to the XML name writeAttributes writes for it.
    void mendAttributeNames();

    // Navigation.
    int numChildren() const;
    TreeNode* getChild(int i) const;
    TreeNode* firstChild() const;
    TreeNode* lastChild() const;
    TreeNode* getParent() const { return m_parent; }
    TreeNode* nextSibling() const { return m_nextSibling; }
    TreeNode* prevSibling() const { return m_prevSibling; }
    // The n-th direct child (from 0) with that tag.
    TreeNode* firstChildWithTag(const char* tag, int n) const;
    TreeNode* firstChildWithTagAndAttr(const char* tag, const char* attrName, const char* pattern) const;

    // Breadth-first searches of the subtree, this node first, then level by level. With `after`
    // set, matching starts behind that node (which itself is not tested), so passing the
    // previous answer continues the search. Null when nothing (further) matches.
    TreeNode* searchForTag(const TreeNode* after, const char* tag);
    TreeNode* searchForAttribute(const TreeNode* after, const char* tag, const char* attrName,
                                 const char* pattern);
    // Appends, in the same order, the non-empty content of every node tagged `tag`, blank
    // separated. `skipTags` ("a|b", may be null) names nodes whose children are not visited.
    void accumulateTagContent(const char* tag, StringBuffer& out, const char* skipTags);
    // Appends to `out`, in the same order and in one walk, every node tagged with one of the
    // `|`-separated `tags`. The nodes stay the tree's.
    void collectTags(const char* tags, ExtPtrArray& out);

private:
    friend class TreeInfo;

    // What a breadth-first walk does with a node it has tested.
    enum class Visit { Pass, Found, SkipChildren };
    template <typename Test> TreeNode* breadthFirstFind(const TreeNode* after, Test test);
    void unlinkFromParent();
    // Hands every child to `pending` with its links cleared and drops the children array.
    void releaseChildrenTo(ExtPtrArray& pending);
    // Creates the children array, sized after the previous sibling's child count.
    void ensureChildren();
    void linkLastChild(TreeNode* child);

    TreeInfo* m_info;
    StringBuffer* m_tag;
    AttributeSet* m_attributes;
    StringBuffer* m_content;
    int32_t m_refCount;
    bool m_isCdata;
    ExtPtrArray* m_children;
    TreeNode* m_parent;
    TreeNode* m_nextSibling;
    TreeNode* m_prevSibling;
};
