// The XML serializer: writes a node and its subtree in the library's fixed layout — no
// indentation, no empty-element form, CR LF after every closing tag and before every first
// child — and the access to the declaration's encoding and standalone settings that saving and
// the HTML conversion need. The walk is a loop over the tree's links, so any depth is written.
#pragma once

class StringBuffer;
class TreeNode;

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
