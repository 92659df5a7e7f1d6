// ClsXml: the public handle on an XML document, and a cursor in it. A cursor holds one counted
// reference to one node; the document lives while any cursor holds any of its nodes and is
// destroyed with the last one. Cursors returned by the lookups and searches belong to the
// caller, who deletes them. Each cursor owns a log recording its last loading or saving call. A
// document and its cursors belong to one thread. Tag comparisons are exact and case-sensitive.
#pragma once

#include "base/cls_base.h"
#include "base/string_buffer.h"

class ExtPtrArray;
class TreeNode;
class XString;

class ClsXml : public ClsBase {
public:
    // A new document whose root is tagged "unnamed".
    ClsXml();
    // A cursor on `node`, a node of a document (such as a root that parseXml answered); a null
    // node gives a new "unnamed" document.
    explicit ClsXml(TreeNode* node);
    // Releases the node, destroying the document when this was its last cursor.
    ~ClsXml() override;

    // Loading and saving. A successful load moves the cursor from its old document (destroyed
    // when nothing else holds it) to the new root; a failed one leaves it where it was.
    // LoadXml trims text content; LoadXmlFile does when `autoTrim` is set. Both answer whether
    // the text held an element.
    [[nodiscard]] bool LoadXml(const char* xml);
    // LoadXml of the string's 8-bit (UTF-8) text, which it may have to produce first.
    [[nodiscard]] bool LoadXmlXs(XString& xml);
    [[nodiscard]] bool LoadXmlFile(const char* path, bool autoTrim = true);
    // Writes the document from this node, in the encoding its declaration names; a document
    // without one is declared utf-8 (version 1.0) first. False when the file cannot be written.
    [[nodiscard]] bool SaveXml(const char* path);

    // This node. The texts returned stay valid until the node changes or goes away.
    void put_Tag(const char* tag);
    const char* get_Tag() const;
    // A null text clears the content.
    void put_Content(const char* text);
    const char* get_Content() const;
    // Sets `out` to the content only when there is some; always true.
    bool GetContentSb(StringBuffer& out) const;

    // Attributes. The readers trim the name. AddAttribute replaces every attribute of the name;
    // AppendAttribute adds beside them.
    bool GetAttrValue(const char* name, StringBuffer& out) const;
    bool HasAttrWithValue(const char* name, const char* value) const;
    // The value's leading decimal integer; 0 when absent.
    int GetAttrValueInt(const char* name) const;
    void AddAttribute(const char* name, const char* value);
    void AddAttributeInt(const char* name, int value);
    void AppendAttribute(const char* name, const char* value);

    // Children. GetChildContent clears `out`, then takes the content of the first direct child
    // with that tag; false when there is none. The tag of a new child is trimmed and its blanks
    // become underscores.
    bool GetChildContent(const char* tag, StringBuffer& out) const;
    void NewChild2(const char* tag, const char* content);
    ClsXml* NewChild(const char* tag, const char* content);
    ClsXml* FirstChild() const;
    ClsXml* GetChildWithTag(const char* tag) const;
    ClsXml* GetChildWithAttr(const char* tag, const char* attrName, const char* pattern) const;

    // Breadth-first searches of this node's subtree, starting with this node; the tag (and the
    // attribute name) are trimmed, the pattern is a case-sensitive wildcard. With `after` set,
    // the search continues behind that cursor's node. Null when nothing (further) matches.
    ClsXml* SearchForTag(const ClsXml* after, const char* tag) const;
    ClsXml* SearchForAttribute(const ClsXml* after, const char* tag, const char* attrName,
                               const char* pattern) const;
    // Every node tagged with one of the `|`-separated `tags`, in the order SearchForTag finds
    // them, gathered in one walk of the subtree: a cursor on each is appended to `out`, and the
    // caller deletes them (removeAllObjects). Scanning a page this way costs one walk, where
    // searching again after each find walks the tree once per match.
    void CollectTags(const char* tags, ExtPtrArray& out) const;
    // Appends the content of every node tagged `tag`, blank separated, in the same order,
    // without descending below nodes tagged with one of the `|`-separated `skipTags`.
    void AccumulateTagContent(const char* tag, StringBuffer& out, const char* skipTags) const;

    // Moving this cursor; false, without moving, when there is no such node.
    bool FirstChild2();
    bool NextSibling2();
    bool GetParent2();

    // The node this cursor holds, for the library's own code.
    TreeNode* getNode() const { return m_node; }
    // Moves the cursor to `root`, the root of a document the library built, as a load does.
    void takeDocument(TreeNode* root) { moveTo(root); }

private:
    // Takes a reference on `node` before letting go of the current one, so moving inside a
    // document never destroys it.
    void moveTo(TreeNode* node);
    static ClsXml* cursorOn(TreeNode* node);
    TreeNode* newChildNode(const char* tag, const char* content);
    // Writes the serialised text to `path`, converted from UTF-8 to `encoding` when that names
    // another character set.
    bool writeEncoded(const char* path, const StringBuffer& xml, const StringBuffer& encoding);

    TreeNode* m_node;
};
