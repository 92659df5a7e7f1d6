// The XML serializer: writes a node and its subtree in the library's fixed layout — no
// indentation, no empty-element form, CR LF after every closing tag and before every first
// child — and the access to the declaration's encoding and standalone settings that saving and
// the HTML conversion need. The walk is a loop over the tree's links, so any depth is written.
#pragma once

class LogBase;
class StringBuffer;
class TreeNode;

// Appends `name` (its first `length` bytes) as an XML name, so that what is written reads back
// as the same element or attribute: every byte that cannot be in a name (markup, quotes,
// blanks, `!`, `?`, `&`...) becomes `_`, and a name that starts with a digit, `-` or `.` gets a
// leading `_`. Bytes from 0x80 up are kept: they are the UTF-8 letters of names. Element tags
// and attribute names are written through this alone.
void appendXmlName(StringBuffer& out, const char* name, int length);
// Whether appendXmlName writes `name` as it stands.
bool isXmlName(const char* name, int length);
// Whether `text` (its first `length` bytes) reads back as written in a declaration: ASCII letters,
// digits and - . _ : only.
bool isPlainXmlToken(const char* text, int length);

// Appends the text of `node` and its subtree to `out`. `index` is the node's position among
// its siblings (0 for the node a caller starts with). When `node` is its document's root the
// declaration, the stylesheet instruction and the prolog come first; the declaration's
// "standalone" attribute is moved to its end on the way.
void serializeXml(TreeNode* node, StringBuffer& out, int index);

// Turns the document of `root` into the one that loading its text (serializeXml, then parseXml
// trimming content, problems to `log`) gives, and answers that document's root: null when the
// text would hold no element. The document's content must hold no NUL. A document without a
// prolog or a stylesheet whose declaration holds only plain tokens, as the HTML conversion
// builds, is changed in place in one walk, without the text: tags and attribute names as they
// are written, text content as it is read back. Any other goes through the text, since reading
// those parts has rules of its own.
TreeNode* reloadAsWritten(TreeNode* root, LogBase* log);

// The declaration of the document `root` belongs to: setDeclarationEncoding creates it (with
// version 1.0) when it is missing and makes "encoding" its last attribute; the getters answer
// false, with `out` empty, when there is no declaration or no such attribute.
void setDeclarationEncoding(TreeNode* root, const char* name);
bool getDeclarationEncoding(const TreeNode* root, StringBuffer& out);
bool getDeclarationStandalone(const TreeNode* root, StringBuffer& out);
