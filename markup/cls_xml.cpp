#include "markup/cls_xml.h"

#include "base/data_buffer.h"
#include "base/ext_ptr_array.h"
#include "base/file_sys.h"
#include "base/x_string.h"
#include "charset/code_page_names.h"
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "markup/tree_node.h"
#include "markup/xml_file_text.h"
#include "markup/xml_parser.h"
#include "markup/xml_serializer.h"

namespace {

// A name or tag as the caller passed it, trimmed (null reads as "").
StringBuffer trimmed(const char* text) {
    StringBuffer sb(text != nullptr ? text : "");
    sb.trim();
    return sb;
}

} // namespace

// ---- Life cycle ----

ClsXml::ClsXml() : m_node(TreeNode::createRoot("unnamed")) {
    TreeNode::addRef(m_node);
}

ClsXml::ClsXml(TreeNode* node) : m_node(node != nullptr ? node : TreeNode::createRoot("unnamed")) {
    TreeNode::addRef(m_node);
}

ClsXml::~ClsXml() {
    TreeNode::releaseAndMaybeDestroy(m_node);
}

void ClsXml::moveTo(TreeNode* node) {
    TreeNode::addRef(node);
    TreeNode::releaseAndMaybeDestroy(m_node);
    m_node = node;
}

ClsXml* ClsXml::cursorOn(TreeNode* node) {
    return node != nullptr ? new ClsXml(node) : nullptr;
}

// ---- Loading and saving ----

bool ClsXml::LoadXml(const char* xml) {
    enterMethod("LoadXml");
    TreeNode* root = parseXml(xml, &log(), true);
    if (root != nullptr)
        moveTo(root);
    else
        log().LogError("No XML element found");
    leaveMethod();
    return root != nullptr;
}

bool ClsXml::LoadXmlFile(const char* path, bool autoTrim) {
    enterMethod("LoadXmlFile");
    StringBuffer filename = trimmed(path);
    DataBuffer text;
    TreeNode* root = nullptr;
    if (loadXmlFileText(filename.getString(), &log(), text)) {
        text.appendByte(0);
        root = parseXml(reinterpret_cast<const char*>(text.getData()), &log(), autoTrim);
        if (root != nullptr) {
            correctUnicodeDeclaration(root);
            moveTo(root);
        } else {
            log().LogError("No XML element found");
        }
    }
    leaveMethod();
    return root != nullptr;
}

bool ClsXml::SaveXml(const char* path) {
    enterMethod("SaveXml");
    StringBuffer filename = trimmed(path);
    StringBuffer encoding;
    if (!getDeclarationEncoding(m_node, encoding)) {
        setDeclarationEncoding(m_node, "utf-8");
        encoding.setString("utf-8");
    }
    StringBuffer xml;
    serializeXml(m_node, xml, 0);
    bool ok = writeEncoded(filename.getString(), xml, encoding);
    leaveMethod();
    return ok;
}

bool ClsXml::writeEncoded(const char* path, const StringBuffer& xml, const StringBuffer& encoding) {
    auto size = static_cast<uint32_t>(xml.getSize());
    unsigned codePage = CodePageFromName(encoding.getString());
    if (encoding.equalsIgnoreCase("utf-8") || codePage == CodePages::kUtf8)
        return FileSys::WriteWholeFile(path, xml.getString(), size, &log());
    // A name the library cannot write in is kept in the declaration, and the text stays
    // UTF-8, as loading leaves such a file's bytes as they are.
    if (codePage == 0 || !EncodingConvert::CanEncode(codePage)) {
        log().LogInfo("Unsupported encoding, the file is written as utf-8");
        log().LogData("encoding", encoding.getString());
        return FileSys::WriteWholeFile(path, xml.getString(), size, &log());
    }
    EncodingConvert convert;
    convert.setErrorAction(EncodingConvert::kWriteSubstitute);
    convert.setSubstitute("?", 1);
    DataBuffer converted;
    if (!convert.Convert(CodePages::kUtf8, codePage, reinterpret_cast<const unsigned char*>(xml.getString()),
                         size, converted, &log()))
        log().LogInfo("Characters without a place in the encoding are written as ?");
    return FileSys::WriteWholeFile(path, converted.getData(), converted.getSize(), &log());
}

// ---- This node ----

void ClsXml::put_Tag(const char* tag) {
    m_node->setTag(tag);
}

const char* ClsXml::get_Tag() const {
    return m_node->getTag();
}

void ClsXml::put_Content(const char* text) {
    m_node->setContent(text);
}

const char* ClsXml::get_Content() const {
    return m_node->getContent();
}

bool ClsXml::GetContentSb(StringBuffer& out) const {
    if (m_node->hasContent())
        out.setString(m_node->getContent());
    return true;
}

// ---- Attributes ----

bool ClsXml::GetAttrValue(const char* name, StringBuffer& out) const {
    return m_node->getAttribute(trimmed(name).getString(), out);
}

bool ClsXml::HasAttrWithValue(const char* name, const char* value) const {
    return m_node->attributeHasValue(trimmed(name).getString(), value);
}

int ClsXml::GetAttrValueInt(const char* name) const {
    StringBuffer value;
    return GetAttrValue(name, value) ? value.intValue() : 0;
}

void ClsXml::AddAttribute(const char* name, const char* value) {
    m_node->addAttribute(name, value);
}

void ClsXml::AddAttributeInt(const char* name, int value) {
    StringBuffer text;
    text.appendInt(value);
    m_node->addAttribute(name, text.getString());
}

void ClsXml::AppendAttribute(const char* name, const char* value) {
    m_node->appendAttribute(name, value);
}

// ---- Children ----

bool ClsXml::GetChildContent(const char* tag, StringBuffer& out) const {
    out.clear();
    TreeNode* child = m_node->firstChildWithTag(tag, 0);
    if (child == nullptr)
        return false;
    out.append(child->getContent());
    return true;
}

TreeNode* ClsXml::newChildNode(const char* tag, const char* content) {
    // A tag cannot hold blanks, so a name such as "my tag" is written as my_tag.
    StringBuffer name = trimmed(tag);
    name.replaceChar(' ', '_');
    TreeNode* child = TreeNode::createChild(m_node, name.getString());
    child->setContent(content);
    return child;
}

void ClsXml::NewChild2(const char* tag, const char* content) {
    newChildNode(tag, content);
}

ClsXml* ClsXml::NewChild(const char* tag, const char* content) {
    return cursorOn(newChildNode(tag, content));
}

ClsXml* ClsXml::FirstChild() const {
    return cursorOn(m_node->firstChild());
}

ClsXml* ClsXml::GetChildWithTag(const char* tag) const {
    return cursorOn(m_node->firstChildWithTag(trimmed(tag).getString(), 0));
}

ClsXml* ClsXml::GetChildWithAttr(const char* tag, const char* attrName, const char* pattern) const {
    return cursorOn(m_node->firstChildWithTagAndAttr(trimmed(tag).getString(), attrName, pattern));
}

// ---- Searches ----

ClsXml* ClsXml::SearchForTag(const ClsXml* after, const char* tag) const {
    const TreeNode* afterNode = after != nullptr ? after->m_node : nullptr;
    return cursorOn(m_node->searchForTag(afterNode, trimmed(tag).getString()));
}

ClsXml* ClsXml::SearchForAttribute(const ClsXml* after, const char* tag, const char* attrName,
                                   const char* pattern) const {
    const TreeNode* afterNode = after != nullptr ? after->m_node : nullptr;
    return cursorOn(m_node->searchForAttribute(afterNode, trimmed(tag).getString(),
                                               trimmed(attrName).getString(), pattern));
}

void ClsXml::CollectTags(const char* tags, ExtPtrArray& out) const {
    ExtPtrArray nodes;
    m_node->collectTags(tags, nodes);
    for (int i = 0; i < nodes.getSize(); ++i)
        out.appendPtr(new ClsXml(static_cast<TreeNode*>(nodes.elementAt(i))));
}

void ClsXml::AccumulateTagContent(const char* tag, StringBuffer& out, const char* skipTags) const {
    m_node->accumulateTagContent(tag, out, skipTags);
}

// ---- Moving the cursor ----

bool ClsXml::FirstChild2() {
    TreeNode* child = m_node->firstChild();
    if (child == nullptr)
        return false;
    moveTo(child);
    return true;
}

bool ClsXml::NextSibling2() {
    TreeNode* sibling = m_node->nextSibling();
    if (sibling == nullptr)
        return false;
    moveTo(sibling);
    return true;
}

bool ClsXml::GetParent2() {
    TreeNode* parent = m_node->getParent();
    if (parent == nullptr)
        return false;
    moveTo(parent);
    return true;
}

bool ClsXml::LoadXmlXs(XString& xml) {
    return LoadXml(xml.getUtf8());
}
