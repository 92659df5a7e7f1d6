// The XML serializer: writes a node and its subtree in the library's fixed layout — no
// indentation, no empty-element form, CR LF after every closing tag and before every first
// child — and the access to the declaration's encoding and standalone settings that saving and
// the HTML conversion need. The walk is a loop over the tree's links, so any depth is written.
#pragma once

class StringBuffer;
class TreeNode;

// Appends `name` (its first `length` bytes) as an XML name, so that what is written reads back
// as the same element or attribute: every byte that cannot be in a name (markup, quotes,
// blanks, `!`, `?`, `&`...) becomes `_`, and a name that starts with a digit, `-` or `.` gets a
// leading `_`. Bytes from 0x80 up are kept: they are the UTF-8 letters of names. Element tags
// and attribute names are written through this alone.
void appendXmlName(StringBuffer& out, const char* name, int length);

// Appends the text of `node` and its subtree to `out`. `index` is the node's position among
// its siblings (0 for the node a caller starts with). When `node` is its document's root the
// declaration, the stylesheet instruction and the prolog come first; the declaration's
// "standalone" attribute is moved to its end on the way.
void serializeXml(TreeNode* node, StringBuffer& out, int index);

// The declaration of the document `root` belongs to: setDeclarationEncoding creates it (with
// version 1.0) when it is missing and makes "encoding" its last attribute; the getters answer
// false, with `out` empty, when there is no declaration or no such attribute.
void setDeclarationEncoding(TreeNode* root, const char* name);
bool getDeclarationEncoding(const TreeNode* root, StringBuffer& out);
bool getDeclarationStandalone(const TreeNode* root, StringBuffer& out);
