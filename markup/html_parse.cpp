#include "markup/html_parse.h"

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "markup/html_entities.h"
#include "markup/html_tag_end.h"
#include "markup/html_tag_text.h"
#include "markup/tree_node.h"
#include "markup/xml_parser.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

using namespace HtmlTag;

namespace {

constexpr unsigned kLatin1CodePage = 28591;
// The longest entity name of the table is six letters; a longer run is no known reference.
constexpr size_t kMaxEntityName = 8;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiAlnum(char c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9');
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

bool sameNameNoCase(const char* a, const StringBuffer& b) {
    size_t n = static_cast<size_t>(b.getSize());
    return std::strlen(a) == n && equalsNoCase(a, b.getString(), n);
}

// ---- The classifier's table ----

struct TagPrefix {
    std::string_view prefix;
    int number;
};

// Names are recognised by these prefixes, grouped by first letter. Where one prefix begins
// another (base, basefont), the longer comes first.
constexpr TagPrefix kPrefixesA[] = {{"address", kAddress}, {"applet", kApplet}, {"area", kArea}};
constexpr TagPrefix kPrefixesB[] = {
    {"body", kBody}, {"basefont", kBasefont}, {"base", kBase},  {"block", kBlockquote}, {"bi", kBig},
    {"br", kBr},     {"bgso", kBgsound},      {"blin", kBlink}, {"butt", kButton}};
constexpr TagPrefix kPrefixesC[] = {
    {"cent", kCenter}, {"capt", kCaption}, {"colg", kColgroup}, {"col", kCol}};
constexpr TagPrefix kPrefixesD[] = {{"div", kDiv}, {"dl", kDl},   {"dt", kDt},
                                    {"dd", kDd},   {"dir", kDir}, {"de", kDel}};
constexpr TagPrefix kPrefixesE[] = {{"emb", kEmbed}, {"em", kEm}};
constexpr TagPrefix kPrefixesF[] = {
    {"for", kForm}, {"fon", kFont}, {"frams", kFrams}, {"fram", kFrame}, {"fiel", kFieldset}};
constexpr TagPrefix kPrefixesH[] = {{"he", kHead},   {"hr", kHr},     {"h1", kH1},
                                    {"h2", kH1 + 1}, {"h3", kH1 + 2}, {"h4", kH1 + 3},
                                    {"h5", kH1 + 4}, {"h6", kH6},     {"ht", kHtml}};
constexpr TagPrefix kPrefixesI[] = {{"isindex", kIsindex}, {"input", kInput}, {"im", kImg},
                                    {"ins", kIns},         {"if", kIframe},   {"ilay", kIlayer}};
constexpr TagPrefix kPrefixesK[] = {{"k", kKbd}};
constexpr TagPrefix kPrefixesL[] = {
    {"link", kLink}, {"li", kLi}, {"lab", kLabel}, {"lay", kLayer}, {"leg", kLegend}};
constexpr TagPrefix kPrefixesM[] = {
    {"meta", kMeta}, {"menu", kMenu}, {"map", kMap}, {"mar", kMarquee}, {"mul", kMulticol}};
constexpr TagPrefix kPrefixesN[] = {
    {"nos", kNoscript}, {"nof", kNoframes}, {"nob", kNobr}, {"noe", kNoembed}, {"nol", kNolayer}};
constexpr TagPrefix kPrefixesO[] = {{"ol", kOl}, {"opti", kOption}, {"optg", kOptgroup}, {"obj", kObject}};
constexpr TagPrefix kPrefixesP[] = {{"pre", kPre}, {"param", kParam}};
constexpr TagPrefix kPrefixesS[] = {
    {"script", kScript}, {"style", kStyle}, {"sele", kSelect}, {"smal", kSmall},  {"sp", kSpan},
    {"strik", kStrike},  {"sub", kSub},     {"sup", kSup},     {"serv", kServer}, {"stron", kStrong}};
constexpr TagPrefix kPrefixesT[] = {{"title", kTitle}, {"textarea", kTextarea},
                                    {"table", kTable}, {"thead", kThead},
                                    {"tfoot", kTfoot}, {"tr", kTr},
                                    {"td", kTd},       {"th", kTh},
                                    {"tt", kTt}};
constexpr TagPrefix kPrefixesU[] = {{"ul", kUl}};
constexpr TagPrefix kPrefixesW[] = {{"w", kWbr}};

struct PrefixGroup {
    const TagPrefix* entries;
    size_t count;
};

template <size_t N> constexpr PrefixGroup group(const TagPrefix (&entries)[N]) {
    return {entries, N};
}

PrefixGroup prefixesFor(char first) {
    switch (first) {
    case 'a':
        return group(kPrefixesA);
    case 'b':
        return group(kPrefixesB);
    case 'c':
        return group(kPrefixesC);
    case 'd':
        return group(kPrefixesD);
    case 'e':
        return group(kPrefixesE);
    case 'f':
        return group(kPrefixesF);
    case 'h':
        return group(kPrefixesH);
    case 'i':
        return group(kPrefixesI);
    case 'k':
        return group(kPrefixesK);
    case 'l':
        return group(kPrefixesL);
    case 'm':
        return group(kPrefixesM);
    case 'n':
        return group(kPrefixesN);
    case 'o':
        return group(kPrefixesO);
    case 'p':
        return group(kPrefixesP);
    case 's':
        return group(kPrefixesS);
    case 't':
        return group(kPrefixesT);
    case 'u':
        return group(kPrefixesU);
    case 'w':
        return group(kPrefixesW);
    default:
        return {nullptr, 0};
    }
}

// The names of one letter; they count only as whole names.
int oneLetterNumber(char c) {
    switch (c) {
    case 'a':
        return kA;
    case 'b':
        return kB;
    case 'i':
        return kI;
    case 'p':
        return kP;
    case 's':
        return kS;
    case 'u':
        return kU;
    default:
        return 0;
    }
}

// `name` is lower-case and begins with a letter.
int numberOfName(const char* name, size_t length) {
    if (length == 1) {
        if (int number = oneLetterNumber(name[0]))
            return number;
    }
    PrefixGroup candidates = prefixesFor(name[0]);
    std::string_view whole(name, length);
    for (size_t i = 0; i < candidates.count; ++i) {
        if (whole.starts_with(candidates.entries[i].prefix))
            return candidates.entries[i].number;
    }
    return kUnknown;
}

// A tag's name ends at a blank, `>` or `/`.
bool endsName(char c) {
    return c == '\0' || isBlank(c) || c == '>' || c == '/';
}

// ---- Element kinds the closing rules look for ----

// What an open element is to the closing rules: an element some start tags close (a paragraph,
// a list item, a definition term or description, an option) or one that bounds the search for
// such an element (a table part, a list, a definition list, a select).
enum Scope : uint8_t {
    kNoScope,
    kParagraph,
    kListItem,
    kDefinition,
    kOptionItem,
    kCellBound,
    kListBound,
    kDefinitionBound,
    kSelectBound,
    kScopeCount
};

Scope scopeOf(int number) {
    switch (number) {
    case kP:
        return kParagraph;
    case kLi:
        return kListItem;
    case kDt:
    case kDd:
        return kDefinition;
    case kOption:
        return kOptionItem;
    case kTable:
    case kTr:
    case kTd:
    case kTh:
    case kCaption:
        return kCellBound;
    case kUl:
    case kOl:
    case kDir:
    case kMenu:
        return kListBound;
    case kDl:
        return kDefinitionBound;
    case kSelect:
        return kSelectBound;
    default:
        return kNoScope;
    }
}

bool closesParagraph(int number) {
    switch (number) {
    case kP:
    case kAddress:
    case kBlockquote:
    case kCenter:
    case kDiv:
    case kPre:
    case kForm:
        return true;
    default:
        return number >= kH1 && number <= kH6;
    }
}

// Start and end tags of these leave the open-tag stack alone.
bool bypassesOpenTags(int number) {
    switch (number) {
    case kFont:
    case kCenter:
    case kBase:
    case kImg:
    case kBr:
    case kInput:
        return true;
    default:
        return false;
    }
}

// End tags of these close the current element only when it carries their name.
bool closesOnlyItsOwn(int number) {
    return number == kBody || number == kHtml || number == kTable || number == kTr || number == kTd;
}

// ---- One conversion ----

class TreeBuilder {
public:
    TreeBuilder(HtmlParse& settings, const char* text, size_t length, unsigned codePage)
        : m_settings(settings), m_text(text), m_length(length), m_codePage(codePage), m_ends(text, length) {
        m_fragmentOptions.trimContent = true;
        m_fragmentOptions.replaceDuplicateAttributes = true;
    }

    TreeNode* run() {
        TreeNode* root = TreeNode::createRoot("root");
        open(root, kNoScope);
        const void* first = std::memchr(m_text, '<', m_length);
        if (first == nullptr) {
            addWholeText(root);
            return root;
        }
        size_t pos = static_cast<size_t>(static_cast<const char*>(first) - m_text);
        while (pos < m_length) {
            if (m_text[pos] != '<') {
                pos = readText(pos);
                continue;
            }
            if (m_scriptMode && !startsScriptEnd(pos)) {
                pos = gatherScript(pos);
                continue;
            }
            size_t end = tagEnd(pos);
            if (end == HtmlTagEndFinder::kNone)
                break;
            handleTag(pos, end);
            pos = skipBlanks(end);
        }
        return root;
    }

private:
    struct OpenElement {
        TreeNode* node;
        Scope scope;
    };
    struct Cell {
        int number;
        TreeNode* node;
        size_t depth;
    };

    // ---- The open elements ----

    TreeNode* current() const { return m_path.back().node; }

    void open(TreeNode* node, Scope scope) {
        if (scope != kNoScope)
            m_scopeDepths[scope].push_back(m_path.size());
        m_path.push_back({node, scope});
    }

    // Closes open elements until `depth` of them are left; the root stays open.
    void closeTo(size_t depth) {
        if (depth < 1)
            depth = 1;
        while (m_path.size() > depth) {
            Scope scope = m_path.back().scope;
            if (scope != kNoScope)
                m_scopeDepths[scope].pop_back();
            m_path.pop_back();
        }
    }

    // The current element becomes its parent.
    void closeCurrent() { closeTo(m_path.size() - 1); }

    bool isOpenAt(const TreeNode* node, size_t depth) const {
        return node != nullptr && depth < m_path.size() && m_path[depth].node == node;
    }

    // Depth of the innermost open element of that scope, or -1.
    long innermost(Scope scope) const {
        const std::vector<size_t>& depths = m_scopeDepths[scope];
        return depths.empty() ? -1 : static_cast<long>(depths.back());
    }

    // Closes the innermost open element of `kind`, unless a table part or an element of `bound`
    // opened after it: a paragraph in an enclosing cell, or an item of an enclosing list, is not
    // the one a tag inside closes.
    void closeOpen(Scope kind, Scope bound) {
        long depth = innermost(kind);
        long limit = innermost(kCellBound);
        if (bound != kNoScope)
            limit = std::max(limit, innermost(bound));
        if (depth > limit)
            closeTo(static_cast<size_t>(depth));
    }

    // ---- Reading the page ----

    size_t skipBlanks(size_t pos) const {
        while (pos < m_length && isBlank(m_text[pos]))
            ++pos;
        return pos;
    }

    bool startsNoCase(size_t pos, const char* prefix) const {
        size_t n = std::strlen(prefix);
        return m_length - pos >= n && equalsNoCase(m_text + pos, prefix, n);
    }

    bool startsScriptEnd(size_t pos) const { return startsNoCase(pos, "</script>"); }

    // Where "</script>" next starts, ignoring case, or the end of the text.
    size_t findScriptEnd(size_t pos) {
        if (pos >= m_noScriptEndFrom)
            return m_length;
        for (size_t i = pos; i < m_length;) {
            const void* lt = std::memchr(m_text + i, '<', m_length - i);
            if (lt == nullptr)
                break;
            i = static_cast<size_t>(static_cast<const char*>(lt) - m_text);
            if (startsScriptEnd(i))
                return i;
            ++i;
        }
        m_noScriptEndFrom = pos;
        return m_length;
    }

    // Where "-->" next starts from `pos`, or kNone.
    size_t findCommentClose(size_t pos) {
        if (pos >= m_noCommentCloseFrom)
            return HtmlTagEndFinder::kNone;
        size_t found = std::string_view(m_text, m_length).find("-->", pos);
        if (found == std::string_view::npos) {
            m_noCommentCloseFrom = pos;
            return HtmlTagEndFinder::kNone;
        }
        return found;
    }

    size_t nextGreaterThan(size_t pos) const {
        const void* gt = std::memchr(m_text + pos, '>', m_length - pos);
        return gt != nullptr ? static_cast<size_t>(static_cast<const char*>(gt) - m_text)
                             : HtmlTagEndFinder::kNone;
    }

    // The end (one past the last byte) of the tag at `pos`, or kNone when it has no `>`.
    size_t tagEnd(size_t pos) {
        size_t last;
        if (startsNoCase(pos, "<!DOCTYPE")) {
            last = nextGreaterThan(pos);
        } else if (pos + 1 < m_length && m_text[pos + 1] == '!') {
            size_t close = findCommentClose(pos + 2);
            if (close != HtmlTagEndFinder::kNone)
                return close + 3;
            last = nextGreaterThan(pos);
        } else {
            last = m_ends.find(pos);
        }
        return last != HtmlTagEndFinder::kNone ? last + 1 : HtmlTagEndFinder::kNone;
    }

    // ---- Text ----

    // A page without any `<`: all of it is one text element.
    void addWholeText(TreeNode* root) {
        m_piece.clear();
        m_piece.appendN(m_text, static_cast<int>(m_length));
        bool verbatim = false;
        m_settings.decodeEntities(m_piece, m_codePage, verbatim);
        TreeNode* text = TreeNode::createChild(root, "text");
        text->contentSb().appendSb(m_piece);
        text->setCdata(verbatim);
    }

    // Text up to the next `<`; in script mode up to "</script>".
    size_t readText(size_t pos) {
        size_t end;
        if (m_scriptMode) {
            end = findScriptEnd(pos);
        } else {
            const void* lt = std::memchr(m_text + pos, '<', m_length - pos);
            end = lt != nullptr ? static_cast<size_t>(static_cast<const char*>(lt) - m_text) : m_length;
        }
        addText(pos, end);
        return end;
    }

    // A piece of text joins the current element's last child when that is a text element, after
    // one blank; otherwise it becomes a new text element.
    void addText(size_t pos, size_t end) {
        if (end <= pos)
            return;
        const char* piece = m_text + pos;
        int length = static_cast<int>(end - pos);
        bool cdata = m_preMode || m_scriptMode;
        // Only text with an ampersand has anything to decode; other text is copied once.
        if (!cdata && std::memchr(piece, '&', end - pos) != nullptr) {
            m_piece.clear();
            m_piece.appendN(piece, length);
            m_settings.decodeEntities(m_piece, m_codePage, cdata);
            piece = m_piece.getString();
            length = m_piece.getSize();
        }
        if (length == 0)
            return;
        TreeNode* parent = current();
        TreeNode* text = parent->lastChild();
        if (text != nullptr && text->tagEquals("text")) {
            StringBuffer& content = text->contentSb();
            content.appendChar(' ');
            content.appendN(piece, length);
        } else {
            text = TreeNode::createChild(parent, "text");
            text->contentSb().appendN(piece, length);
        }
        if (cdata)
            text->setCdata(true);
    }

    // Script code that begins with `<`: everything up to "</script>" becomes the current
    // element's own content, as CDATA.
    size_t gatherScript(size_t pos) {
        size_t end = findScriptEnd(pos);
        TreeNode* element = current();
        StringBuffer& content = element->contentSb();
        if (content.getSize() > 0)
            content.appendChar(' ');
        content.appendN(m_text + pos, static_cast<int>(end - pos));
        element->setCdata(true);
        return end;
    }

    // ---- Document type and comments ----

    void addDeclaration(const char* tag, size_t length) {
        m_piece.clear();
        m_piece.appendN(tag, static_cast<int>(length));
        const char* tagName;
        if (length >= 9 && equalsNoCase(tag, "<!DOCTYPE", 9)) {
            tagName = "doctype";
            m_piece.replaceFirst("<!DOCTYPE", "");
            m_piece.removeChar('>');
        } else {
            tagName = "comment";
            m_piece.removeChunk(0, m_piece.beginsWith("<!--") ? 4 : 2);
            m_piece.replaceAll("-->", "");
        }
        m_piece.trim();
        TreeNode* node = TreeNode::createChild(current(), tagName);
        node->contentSb().appendSb(m_piece);
        if (m_piece.containsChar('\n') || m_piece.containsChar('&'))
            node->setCdata(true);
    }

    // ---- Tags ----

    void handleTag(size_t pos, size_t end) {
        const char* tag = m_text + pos;
        size_t length = end - pos;
        if (tag[1] == '!') {
            addDeclaration(tag, length);
            return;
        }
        HtmlTagText::cleanTag(tag, length, m_cleaned);
        HtmlTagKind kind;
        int number = HtmlParse::classifyTag(m_cleaned.getString(), kind, m_name);
        if (number == kNotATag)
            return;
        bool implicitRow = kind == HtmlTagKind::Start && number == kTd && m_tableAwaitingRow;
        if (!applyOpenTagStack(number, kind, implicitRow))
            return;
        m_cellAwaitingNode = false;
        applyTableRows(number, kind, implicitRow);
        applyClosingRules(number, kind);
        applyModes(number, kind);
        if (isDropped(number))
            return;
        if (kind == HtmlTagKind::End)
            closeByEndTag(number);
        else
            appendElement(number, kind);
    }

    // ---- The open-tag stack ----

    int innermostTag() const { return m_openTags.empty() ? 0 : m_openTags.back(); }

    void popTag() {
        if (!m_openTags.empty())
            m_openTags.pop_back();
    }

    // False when the tag is consumed here.
    bool applyOpenTagStack(int number, HtmlTagKind kind, bool implicitRow) {
        if (kind == HtmlTagKind::Empty || bypassesOpenTags(number))
            return true;
        if (kind == HtmlTagKind::Start) {
            if (number == kTd && innermostTag() == kTd)
                popTag();
            if (implicitRow)
                m_openTags.push_back(kTr);
            m_openTags.push_back(number);
            return true;
        }
        return testEndTag(number);
    }

    // An end tag against the open-tag stack; false when it is consumed.
    bool testEndTag(int number) {
        if (number == kForm)
            m_pendingFormEnd = false;
        if (innermostTag() == number) {
            popTag();
            return true;
        }
        while (innermostTag() == kForm && m_pendingFormEnd) {
            // The form end that was held back closes the form now.
            closeCurrent();
            popTag();
            m_pendingFormEnd = false;
            if (innermostTag() == number) {
                popTag();
                return true;
            }
        }
        if (innermostTag() == kNobr) {
            closeCurrent();
            popTag();
            return false;
        }
        if (number == kForm) {
            // A form end inside a table part waits for the part to end.
            m_pendingFormEnd = true;
            return false;
        }
        popTag();
        return true;
    }

    // ---- Tables ----

    // A td or tr start tag closes the cell or row it finds open as the innermost cell entry.
    void closeInnermostCell(int number) {
        if (m_cells.empty() || m_cells.back().number != number)
            return;
        Cell cell = m_cells.back();
        m_cells.pop_back();
        if (isOpenAt(cell.node, cell.depth))
            closeTo(cell.depth);
    }

    void applyTableRows(int number, HtmlTagKind kind, bool implicitRow) {
        bool tablePart = number == kTable || number == kTr || number == kTd;
        if (!tablePart)
            return;
        if (kind == HtmlTagKind::End) {
            if (!m_cells.empty())
                m_cells.pop_back();
            return;
        }
        if (kind != HtmlTagKind::Start)
            return;
        if (number == kTable) {
            m_tableAwaitingRow = true;
        } else {
            closeInnermostCell(number);
            m_tableAwaitingRow = false;
        }
        if (implicitRow) {
            TreeNode* row = TreeNode::createChild(current(), "tr");
            m_cells.push_back({kTr, row, m_path.size()});
            open(row, kCellBound);
        }
        m_cells.push_back({number, nullptr, 0});
        m_cellAwaitingNode = true;
    }

    // ---- Paragraphs, options, definition lists, list items ----

    void applyClosingRules(int number, HtmlTagKind kind) {
        if (kind == HtmlTagKind::Start) {
            if (closesParagraph(number))
                closeOpen(kParagraph, kNoScope);
            if (number == kOption)
                closeOpen(kOptionItem, kSelectBound);
            if (number == kDt || number == kDd)
                closeOpen(kDefinition, kDefinitionBound);
            if (number == kLi)
                closeOpen(kListItem, kListBound);
        } else if (kind == HtmlTagKind::End) {
            if (number == kSelect)
                closeOpen(kOptionItem, kSelectBound);
            if (number == kDl)
                closeOpen(kDefinition, kDefinitionBound);
            if (number == kUl || number == kTd)
                closeOpen(kListItem, kListBound);
        }
    }

    void applyModes(int number, HtmlTagKind kind) {
        if (kind == HtmlTagKind::Empty)
            return;
        if (number == kPre)
            m_preMode = kind == HtmlTagKind::Start;
        else if (number == kScript)
            m_scriptMode = kind == HtmlTagKind::Start;
    }

    bool isDropped(int number) const {
        return (number == kUnknown && m_settings.getDropUnknownTags()) || m_settings.isDropTag(number);
    }

    // ---- Elements ----

    void closeByEndTag(int number) {
        if (!HtmlParse::isContainer(number))
            return;
        if (closesOnlyItsOwn(number) && !sameNameNoCase(current()->getTag(), m_name))
            return;
        closeCurrent();
    }

    // The normalised tag, completed by its end tag for a start tag, parsed as XML: the element
    // gets its name and its attributes with their values decoded.
    TreeNode* parseElement(HtmlTagKind kind) {
        m_fragment.setSb(m_cleaned);
        if (kind == HtmlTagKind::Start) {
            m_fragment.append("</");
            m_fragment.appendSb(m_name);
            m_fragment.appendChar('>');
        }
        TreeNode* element = parseXml(m_fragment.getString(), nullptr, m_fragmentOptions);
        if (element == nullptr)
            return nullptr;
        dropStrayMarkup(element);
        if (!TreeNode::appendChild(current(), element)) {
            TreeNode::destroyDocument(element);
            return nullptr;
        }
        return element;
    }

    // A tag whose quotes swallowed later markup into its name parses to an element with text and
    // elements of its own. They are no part of the tag, and names such as "!x" that the parse can
    // make of them would not read back as elements, so only the element itself is kept. The
    // children go last first, each found at the end of its parent's list.
    static void dropStrayMarkup(TreeNode* element) {
        while (TreeNode* child = element->lastChild())
            delete child;
        element->setContent(nullptr);
        element->setCdata(false);
    }

    // A tag that is only a name of letters and digits ("<p>", "<br/>") parses to an element of
    // that name without attributes; it is made directly, without a parse of its own.
    bool isBareName() const {
        const char* text = m_cleaned.getString();
        int length = m_cleaned.getSize();
        int end = length >= 3 && text[length - 2] == '/' ? length - 2 : length - 1;
        if (end < 2 || text[end] != '>')
            return false;
        for (int i = 1; i < end; ++i) {
            if (!isAsciiAlnum(text[i]))
                return false;
        }
        return true;
    }

    TreeNode* bareElement() {
        const char* text = m_cleaned.getString();
        int length = m_cleaned.getSize();
        int nameLength = (text[length - 2] == '/' ? length - 2 : length - 1) - 1;
        m_fragment.clear();
        m_fragment.appendN(text + 1, nameLength);
        return TreeNode::createChild(current(), m_fragment.getString());
    }

    void appendElement(int number, HtmlTagKind kind) {
        TreeNode* element = isBareName() ? bareElement() : parseElement(kind);
        if (element == nullptr)
            return;
        if (kind != HtmlTagKind::Start || !HtmlParse::isContainer(number))
            return;
        if (m_cellAwaitingNode) {
            m_cells.back().node = element;
            m_cells.back().depth = m_path.size();
        }
        open(element, scopeOf(number));
    }

    HtmlParse& m_settings;
    const char* m_text;
    size_t m_length;
    unsigned m_codePage;
    HtmlTagEndFinder m_ends;
    XmlParseOptions m_fragmentOptions;

    std::vector<OpenElement> m_path;
    std::vector<size_t> m_scopeDepths[kScopeCount];
    std::vector<int> m_openTags;
    std::vector<Cell> m_cells;
    bool m_cellAwaitingNode = false;
    bool m_pendingFormEnd = false;
    bool m_tableAwaitingRow = false;
    bool m_preMode = false;
    bool m_scriptMode = false;
    // Searches that found nothing from a position find nothing from any later one.
    size_t m_noScriptEndFrom = SIZE_MAX;
    size_t m_noCommentCloseFrom = SIZE_MAX;

    StringBuffer m_cleaned;
    StringBuffer m_name;
    StringBuffer m_fragment;
    StringBuffer m_piece;
};

} // namespace

// ---- HtmlParse ----

HtmlParse::HtmlParse() : m_dropUnknownTags(false), m_dropTable(), m_nbspMode(0), m_entityState() {
    for (int number :
         {kB, kBig, kFont, kI, kS, kSmall, kStrike, kSub, kSup, kTt, kU, kCenter, kBr, kEm, kStrong})
        m_dropTable[number] = true;
}

void HtmlParse::setDropTag(int number, bool drop) {
    if (number >= 0 && number < kDropTableSize)
        m_dropTable[number] = drop;
}

bool HtmlParse::isDropTag(int number) const {
    return number >= 0 && number < kDropTableSize && m_dropTable[number];
}

TreeNode* HtmlParse::htmlToTree(const char* html, unsigned codePage) {
    if (html == nullptr)
        return nullptr;
    TreeBuilder builder(*this, html, std::strlen(html), codePage);
    return builder.run();
}

int HtmlParse::classifyTag(const char* tagText, HtmlTagKind& kind, StringBuffer& name) {
    kind = HtmlTagKind::Start;
    name.clear();
    if (tagText == nullptr || tagText[0] != '<')
        return kNotATag;
    size_t length = std::strlen(tagText);
    if (tagText[1] == '/')
        kind = HtmlTagKind::End;
    else if (length >= 3 && tagText[length - 2] == '/' && tagText[length - 1] == '>')
        kind = HtmlTagKind::Empty;

    const char* start = tagText + (kind == HtmlTagKind::End ? 2 : 1);
    while (isBlank(*start))
        ++start;
    const char* end = start;
    while (!endsName(*end))
        ++end;
    // Lower-cased a chunk at a time through a small buffer.
    char chunk[64];
    for (const char* p = start; p < end;) {
        size_t n = std::min(sizeof(chunk), static_cast<size_t>(end - p));
        for (size_t i = 0; i < n; ++i)
            chunk[i] = lowerAscii(p[i]);
        name.appendN(chunk, static_cast<int>(n));
        p += n;
    }
    if (end == start || !isAsciiLetter(*start))
        return kNotATag;
    return numberOfName(name.getString(), static_cast<size_t>(name.getSize()));
}

bool HtmlParse::isContainer(int number) {
    switch (number) {
    case kTable:
    case kTr:
    case kTitle:
    case kCenter:
    case kForm:
    case kBody:
    case kHtml:
    case kAddress:
    case kPre:
    case kDir:
    case kA:
    case kP:
    case kDl:
    case kDt:
    case kDd:
    case kLi:
    case kOl:
    case kUl:
    case kSelect:
    case kOption:
    case kTextarea:
    case kFrams:
    case kNoframes:
    case kBlockquote:
    case kStyle:
    case kScript:
    case kMap:
    case kHead:
    case kTfoot:
    case kThead:
    case kColgroup:
    case kCaption:
    case kTd:
    case kTh:
    case kMenu:
    case kApplet:
    case kDel:
    case kIns:
    case kNoscript:
    case kDiv:
    case kB:
    case kBig:
    case kFont:
    case kI:
    case kS:
    case kSmall:
    case kStrike:
    case kSub:
    case kSup:
    case kTt:
    case kU:
    case kEm:
    case kStrong:
        return true;
    default:
        return number >= kH1 && number <= kH6;
    }
}

void HtmlParse::decodeEntities(StringBuffer& text, unsigned codePage, bool& verbatim) {
    verbatim = false;
    if (!text.containsChar('&'))
        return;
    if (text.containsSubstring("&nbsp;")) {
        const char* replacement = m_nbspMode == 0 ? " " : (m_nbspMode == 1 ? "&#160;" : "");
        text.replaceAll("&nbsp;", replacement);
    }
    const char* s = text.getString();
    const char* run = s;
    StringBuffer decoded;
    bool changed = false;
    for (const char* amp = std::strchr(s, '&'); amp != nullptr; amp = std::strchr(amp + 1, '&')) {
        if (amp[1] == '#') {
            verbatim = true;
            continue;
        }
        size_t n = 0;
        while (n <= kMaxEntityName && isAsciiAlnum(amp[1 + n]))
            ++n;
        if (n == 0 || amp[1 + n] != ';')
            continue;
        HtmlEntity entity;
        if (!findHtmlEntity(amp + 1, n, entity) || entity.xml)
            continue;
        const std::string* bytes = entityText(entity, codePage);
        if (bytes == nullptr)
            continue;
        decoded.appendN(run, static_cast<int>(amp - run));
        decoded.appendN(bytes->data(), static_cast<int>(bytes->size()));
        run = amp + n + 2;
        amp += n + 1;
        changed = true;
    }
    if (!changed)
        return;
    decoded.append(run);
    text.setSb(decoded);
}

// The Latin-1 names are converted from ISO-8859-1, the Windows-1252 names from Windows-1252, the
// character set whose positions they give; Windows-1252 holds ISO-8859-1's characters from 0xA0
// on at the same bytes.
const std::string* HtmlParse::entityText(const HtmlEntity& entity, unsigned codePage) {
    static const std::string kBlank(" ");
    if (entity.blank)
        return &kBlank;
    if (codePage != m_entityCodePage) {
        std::fill(std::begin(m_entityState), std::end(m_entityState), EntityState::Unknown);
        m_entityCodePage = codePage;
    }
    unsigned char byte = entity.byte;
    if (m_entityState[byte] == EntityState::Unknown) {
        unsigned from = entity.windows1252 ? CodePages::kWindowsLatin1 : kLatin1CodePage;
        bool sameBytes = codePage == from || (!entity.windows1252 && codePage == CodePages::kWindowsLatin1);
        std::string& text = m_entityText[byte];
        text.clear();
        if (sameBytes) {
            text.push_back(static_cast<char>(byte));
        } else {
            EncodingConvert convert;
            DataBuffer out;
            if (convert.Convert(from, codePage, &byte, 1, out) && out.getSize() > 0)
                text.assign(reinterpret_cast<const char*>(out.getData()), out.getSize());
        }
        m_entityState[byte] = text.empty() ? EntityState::Unconvertible : EntityState::Known;
    }
    return m_entityState[byte] == EntityState::Known ? &m_entityText[byte] : nullptr;
}
