#include "markup/html_parse.h"

#include "base/ascii.h"
#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "base/utf8_text.h"
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

constexpr char32_t kNoBreakSpace = 0xA0;
const std::string kBlank(" ");
const std::string kNothing;

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
constexpr TagPrefix kPrefixesT[] = {{"title", kTitle},
                                    {"textarea", kTextarea},
                                    {"template", kTemplate},
                                    {"table", kTable},
                                    {"thead", kThead},
                                    {"tfoot", kTfoot},
                                    {"tr", kTr},
                                    {"td", kTd},
                                    {"th", kTh},
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

// Content of these is raw text: nothing in it is markup until the element's own end tag.
enum RawText : uint8_t { kNoRawText, kScriptText, kStyleText };

// ---- One conversion ----

class TreeBuilder {
public:
    TreeBuilder(HtmlParse& settings, const char* text, size_t length, unsigned codePage)
        : m_settings(settings), m_text(text), m_length(length), m_codePage(codePage), m_ends(text, length) {
        m_fragmentOptions.trimContent = true;
        m_fragmentOptions.replaceDuplicateAttributes = true;
        m_fragmentOptions.decodeAttributeValues = false;
    }

    TreeNode* run() {
        TreeNode* root = TreeNode::createRoot("root");
        open(root, kNoScope, 0);
        const void* first = std::memchr(m_text, '<', m_length);
        if (first == nullptr) {
            addWholeText(root);
            return root;
        }
        size_t pos = 0;
        while (pos < m_length) {
            if (m_text[pos] == '<' && m_rawText != kNoRawText && !startsRawTextEnd(pos)) {
                pos = gatherRawText(pos);
                continue;
            }
            if (!startsTag(pos)) {
                pos = readText(pos);
                continue;
            }
            size_t end = tagEnd(pos);
            if (end == HtmlTagEndFinder::kNone)
                break;
            handleTag(pos, end);
            // Blanks after a phrasing tag are part of the sentence.
            pos = m_joinTight ? end : skipBlanks(end);
        }
        return root;
    }

private:
    struct OpenElement {
        TreeNode* node;
        Scope scope;
        // The depths of the open elements of this one's tag number.
        std::vector<size_t>* sameNumber;
    };
    struct Cell {
        int number;
        TreeNode* node;
        size_t depth;
    };
    // An attribute of a plain tag, as offsets into the normalised tag.
    struct PlainAttribute {
        size_t name;
        size_t nameLength;
        size_t value;
        size_t valueLength;
    };
    // Repeated names are found by comparing each with the later ones; tags with more attributes
    // than this go through the XML parse, which finds them by hashing.
    static constexpr size_t kMaxPlainAttributes = 24;

    // ---- The open elements ----

    TreeNode* current() const { return m_path.back().node; }

    // `number` is the element's tag number; the root has none (0).
    void open(TreeNode* node, Scope scope, int number) {
        if (scope != kNoScope)
            m_scopeDepths[scope].push_back(m_path.size());
        std::vector<size_t>& sameNumber = m_openByNumber[slotOf(number)];
        sameNumber.push_back(m_path.size());
        m_path.push_back({node, scope, &sameNumber});
    }

    // Only containers are opened, and their numbers are all below the template's but html's.
    static size_t slotOf(int number) { return number == kHtml ? kTemplate + 1 : static_cast<size_t>(number); }

    // Closes open elements until `depth` of them are left; the root stays open.
    void closeTo(size_t depth) {
        if (depth < 1)
            depth = 1;
        while (m_path.size() > depth) {
            Scope scope = m_path.back().scope;
            if (scope != kNoScope)
                m_scopeDepths[scope].pop_back();
            m_path.back().sameNumber->pop_back();
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

    // A `<` starts markup only before a letter, `/`, `!` or `?`; any other is text.
    bool startsTag(size_t pos) const {
        if (m_text[pos] != '<' || pos + 1 >= m_length)
            return false;
        char next = m_text[pos + 1];
        return isAsciiLetter(next) || next == '/' || next == '!' || next == '?';
    }

    // Where the next `<` that starts markup is, from `pos` on, or the end of the text.
    size_t nextTagStart(size_t pos) const {
        return findLessThan(pos, [this](size_t i) { return startsTag(i); });
    }

    // The first `<` from `pos` on at which `found` holds, or the end of the text.
    template <typename Found>
    size_t findLessThan(size_t pos, Found found) const {
        for (size_t i = pos; i < m_length; ++i) {
            const void* lt = std::memchr(m_text + i, '<', m_length - i);
            if (lt == nullptr)
                break;
            i = static_cast<size_t>(static_cast<const char*>(lt) - m_text);
            if (found(i))
                return i;
        }
        return m_length;
    }

    // `word` at `pos`, ASCII case ignored, then a blank, `/`, `>` or the end of the text.
    bool startsWord(size_t pos, const char* word) const {
        size_t n = std::strlen(word);
        if (!startsNoCase(pos, word))
            return false;
        return pos + n == m_length || isBlank(m_text[pos + n]) || m_text[pos + n] == '/' ||
               m_text[pos + n] == '>';
    }

    // The end tag of the raw text element that is open.
    bool startsRawTextEnd(size_t pos) const {
        return startsWord(pos, m_rawText == kStyleText ? "</style" : "</script");
    }

    // Where the raw text's end tag next starts, or the end of the text. Each search starts where
    // the element's text starts and what it passes over is taken as text, so the searches of a
    // page together pass over it once.
    size_t findRawTextEnd(size_t pos) const {
        if (m_rawText == kScriptText)
            return findScriptEnd(pos);
        return findLessThan(pos, [this](size_t i) { return startsRawTextEnd(i); });
    }

    // Script text has escapes, as browsers read it: after "<!--", a "<script" starts a section in
    // which "</script" does not end the script but only the section; "-->" leaves either, so
    // "<!--<script>x</script>-->" is all script text.
    size_t findScriptEnd(size_t pos) const {
        enum { kPlain, kEscaped, kDoubleEscaped } state = kPlain;
        for (size_t i = pos; i < m_length; ++i) {
            if (state == kPlain) {
                const void* lt = std::memchr(m_text + i, '<', m_length - i);
                if (lt == nullptr)
                    break;
                i = static_cast<size_t>(static_cast<const char*>(lt) - m_text);
                if (startsRawTextEnd(i))
                    return i;
                // The dashes of "<!--" may also be those of its "-->" ("<!-->").
                if (startsNoCase(i, "<!--")) {
                    state = kEscaped;
                    i += 1;
                }
            } else if (m_text[i] == '-' && startsNoCase(i, "-->")) {
                state = kPlain;
                i += 2;
            } else if (m_text[i] == '<' && state == kEscaped) {
                if (startsRawTextEnd(i))
                    return i;
                if (startsWord(i, "<script"))
                    state = kDoubleEscaped;
            } else if (m_text[i] == '<' && startsRawTextEnd(i)) {
                state = kEscaped;
            }
        }
        return m_length;
    }

    // The end (one past the last byte) of the comment whose "<!--" is at `pos`: after its
    // "-->" or "--!>", or the end of the text when it has none. "<!-->" and "<!--->" are
    // empty comments.
    size_t commentEnd(size_t pos) const {
        size_t from = pos + 4;
        if (from < m_length && m_text[from] == '>')
            return from + 1;
        if (from + 1 < m_length && m_text[from] == '-' && m_text[from + 1] == '>')
            return from + 2;
        std::string_view text(m_text, m_length);
        for (size_t dash = text.find("--", from); dash != std::string_view::npos;
             dash = text.find("--", dash + 1)) {
            if (dash + 2 < m_length && m_text[dash + 2] == '>')
                return dash + 3;
            if (dash + 3 < m_length && m_text[dash + 2] == '!' && m_text[dash + 3] == '>')
                return dash + 4;
        }
        return m_length;
    }

    size_t nextGreaterThan(size_t pos) const {
        const void* gt = std::memchr(m_text + pos, '>', m_length - pos);
        return gt != nullptr ? static_cast<size_t>(static_cast<const char*>(gt) - m_text)
                             : HtmlTagEndFinder::kNone;
    }

    // The end (one past the last byte) of the tag at `pos`, or kNone when it has no `>`.
    size_t tagEnd(size_t pos) {
        size_t last;
        if (startsNoCase(pos, "<!--")) {
            return commentEnd(pos);
        } else if (m_text[pos + 1] == '!' || m_text[pos + 1] == '?') {
            // A declaration, or a bogus comment, ends at its first `>`, quotes or not.
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
        m_settings.decodeEntities(m_piece, m_codePage);
        TreeNode* text = TreeNode::createChild(root, "text");
        text->contentSb().appendSb(m_piece);
    }

    // Text up to the next markup; in raw text up to the element's end tag.
    size_t readText(size_t pos) {
        size_t end = m_rawText != kNoRawText ? findRawTextEnd(pos) : nextTagStart(pos + 1);
        addText(pos, end);
        return end;
    }

    // A piece of text joins the current element's last child when that is a text element: as it
    // stands after a phrasing tag, after one blank otherwise. Else it becomes a new text element.
    void addText(size_t pos, size_t end) {
        if (end <= pos)
            return;
        const char* piece = m_text + pos;
        int length = static_cast<int>(end - pos);
        bool raw = m_rawText != kNoRawText;
        // Only text with an ampersand has anything to decode; other text is copied once.
        if (!raw && std::memchr(piece, '&', end - pos) != nullptr) {
            m_piece.clear();
            m_piece.appendN(piece, length);
            m_settings.decodeEntities(m_piece, m_codePage);
            piece = m_piece.getString();
            length = m_piece.getSize();
        }
        if (length == 0)
            return;
        TreeNode* parent = current();
        TreeNode* text = parent->lastChild();
        if (text != nullptr && text->tagEquals("text") && text->hasContent()) {
            StringBuffer& content = text->contentSb();
            if (m_breakPending)
                content.appendChar(' ');
            content.appendN(piece, length);
        } else {
            if (std::all_of(piece, piece + length, isBlank)) {
                m_lastTextEndsBlank = true;
                return;
            }
            if (m_crossedElement && !m_breakPending && !m_lastTextEndsBlank && !isBlank(*piece))
                addGlueMark(parent);
            text = TreeNode::createChild(parent, "text");
            text->contentSb().appendN(piece, length);
        }
        m_breakPending = false;
        m_crossedElement = false;
        m_lastTextEndsBlank = isBlank(piece[length - 1]);
        if (m_preMode || raw)
            text->setCdata(true);
    }

    // Text elements lose the blanks at their edges when the XML is read back, and the page text
    // breaks words at every element. Where only a phrasing element or a comment, and no blank,
    // stands between two pieces of text (<a>F</a>irst), they are one word: an empty text element
    // before the second piece says so.
    static void addGlueMark(TreeNode* parent) { TreeNode::createChild(parent, "text"); }

    // Raw text that begins with `<`: everything up to the element's end tag becomes the current
    // element's own content, as CDATA.
    size_t gatherRawText(size_t pos) {
        size_t end = findRawTextEnd(pos);
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
            if (m_piece.beginsWith("<!--")) {
                m_piece.removeChunk(0, 4);
                // "<!-->" and "<!--->" are whole, empty comments.
                if (m_piece.equals(">") || m_piece.equals("->"))
                    m_piece.clear();
                if (m_piece.endsWith("--!>"))
                    m_piece.shorten(4);
                m_piece.replaceAll("-->", "");
            } else {
                // A bogus comment: everything between "<!" and its `>`.
                m_piece.removeChunk(0, 2);
                m_piece.shorten(1);
            }
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
            // Comments sit inside sentences: the words around one join as around a phrasing tag.
            m_joinTight = true;
            m_crossedElement = true;
            addDeclaration(tag, length);
            return;
        }
        m_joinTight = false;
        // An end tag gives only its name, which its normal form leaves as it is when a letter
        // follows the slash.
        m_tagText = tag;
        m_tagLength = length;
        m_plainNameLength = 0;
        bool endTagName = tag[1] == '/' && isAsciiLetter(tag[2]);
        if (!endTagName && !readsAsWritten(tag, length)) {
            HtmlTagText::cleanTag(tag, length, m_cleaned);
            m_tagText = m_cleaned.getString();
            m_tagLength = static_cast<size_t>(m_cleaned.getSize());
            m_plainNameLength = readPlainTag(m_tagText, m_tagLength);
        }
        HtmlTagKind kind;
        int number = HtmlParse::classifyTag(m_tagText, m_tagLength, kind, m_name);
        if (number == kNotATag)
            return;
        m_joinTight = HtmlParse::joinsNeighbours(m_name.getString(), static_cast<size_t>(m_name.getSize()));
        m_breakPending = m_breakPending || !m_joinTight;
        bool implicitRow = kind == HtmlTagKind::Start && number == kTd && m_tableAwaitingRow;
        m_cellAwaitingNode = false;
        applyTableRows(number, kind, implicitRow);
        applyClosingRules(number, kind);
        applyModes(number, kind);
        if (isDropped(number))
            return;
        if (m_joinTight)
            m_crossedElement = true;
        if (kind == HtmlTagKind::End)
            closeByEndTag(number);
        else
            appendElement(number, kind);
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
            open(row, kCellBound, kTr);
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
        else if (number == kScript || number == kStyle)
            m_rawText = kind != HtmlTagKind::Start ? kNoRawText
                        : number == kScript        ? kScriptText
                                                   : kStyleText;
    }

    bool isDropped(int number) const {
        return (number == kUnknown && m_settings.getDropUnknownTags()) || m_settings.isDropTag(number);
    }

    // ---- Elements ----

    // An end tag closes up to the innermost open element of its name, unless that lies outside
    // the innermost open table: a stray end tag in a cell leaves the enclosing page alone.
    void closeByEndTag(int number) {
        if (!HtmlParse::isContainer(number))
            return;
        const std::vector<size_t>& open = m_openByNumber[slotOf(number)];
        // Names that share a number by their prefix ("header" and "head") are told apart here.
        if (open.empty() || !sameNameNoCase(m_path[open.back()].node->getTag(), m_name))
            return;
        size_t depth = open.back();
        const std::vector<size_t>& tables = m_openByNumber[kTable];
        if (number != kTable && !tables.empty() && tables.back() > depth)
            return;
        closeTo(depth);
    }

    // The normalised tag, completed by its end tag for a start tag, parsed as XML: the element
    // gets its name and its attributes, whose values are then decoded as HTML. A tag whose quotes
    // swallowed later markup into its name parses to an element with text and elements of its
    // own; they are no part of the tag, and names such as "!x" that the parse can make of them
    // would not read back as elements, so only the name and the attributes are taken.
    TreeNode* parseElement(HtmlTagKind kind) {
        m_fragment.setSb(m_cleaned);
        if (kind == HtmlTagKind::Start) {
            m_fragment.append("</");
            m_fragment.appendSb(m_name);
            m_fragment.appendChar('>');
        }
        TreeNode* parsed = parseXml(m_fragment.getString(), nullptr, m_fragmentOptions);
        if (parsed == nullptr)
            return nullptr;
        TreeNode* element = TreeNode::createChild(current(), parsed->getTag());
        const char* name;
        const char* value;
        int nameLength;
        int valueLength;
        for (int i = 0; parsed->attributeAt(i, name, nameLength, value, valueLength); ++i)
            appendAttribute(element, name, static_cast<size_t>(nameLength), value,
                            static_cast<size_t>(valueLength));
        TreeNode::destroyDocument(parsed);
        return element;
    }

    // The bytes of a plain name at `s`: letters, digits and the marks names of today's pages
    // use ("data-id", "xml:lang"). Any other byte sends the tag through the XML parse.
    static size_t plainNameLength(const char* s) {
        size_t n = 0;
        while (isAsciiAlnum(s[n]) || s[n] == '-' || s[n] == '_' || s[n] == ':' || s[n] == '.')
            ++n;
        return n;
    }

    // Most tags are a plain name and plain attributes with quoted values ("<br/>",
    // "<a href=\"x\" class='y'>"), separated by single blanks. Reads the `n` bytes at `s` as such
    // a tag into m_attributes and answers the name's length, or 0 for any other shape.
    size_t readPlainTag(const char* s, size_t n) {
        if (n < 3 || s[n - 1] != '>')
            return 0;
        size_t nameLength = plainNameLength(s + 1);
        m_attributes.clear();
        for (size_t i = 1 + nameLength; nameLength > 0 && i != n - 1 && !(s[i] == '/' && i == n - 2);) {
            if (s[i] != ' ' || m_attributes.size() == kMaxPlainAttributes)
                return 0;
            // The normal form drops an attribute without a value before " />", and the slash.
            if (s[++i] == '/' && i == n - 2) {
                if (!m_attributes.empty() && m_attributes.back().value == 0)
                    return 0;
                break;
            }
            PlainAttribute attribute{i, plainNameLength(s + i), 0, 0};
            if (!isAsciiLetter(s[i]))
                return 0;
            i += attribute.nameLength;
            if (s[i] == '=') {
                char quote = s[i + 1];
                const void* close =
                    quote == '"' || quote == '\'' ? std::memchr(s + i + 2, quote, n - i - 2) : nullptr;
                if (close == nullptr)
                    return 0;
                attribute.value = i + 2;
                attribute.valueLength =
                    static_cast<size_t>(static_cast<const char*>(close) - s) - attribute.value;
                i = attribute.value + attribute.valueLength + 1;
            }
            m_attributes.push_back(attribute);
        }
        return nameLength;
    }

    // A page's tag read as it stands when its normal form could not differ in what it gives:
    // a plain tag without line breaks (which the normal form drops or blanks) and backslashes
    // (which it drops before and after a value).
    bool readsAsWritten(const char* tag, size_t length) {
        for (char c : {'\n', '\r', '\\'}) {
            if (std::memchr(tag, c, length) != nullptr)
                return false;
        }
        m_plainNameLength = readPlainTag(tag, length);
        return m_plainNameLength > 0;
    }

    // The element of a plain tag, with what the XML parse of its normal form gives: names as
    // written, the last of repeated names kept in its place, values decoded; but without a
    // document per tag.
    TreeNode* plainElement() {
        const char* s = m_tagText;
        m_fragment.clear();
        m_fragment.appendN(s + 1, static_cast<int>(m_plainNameLength));
        TreeNode* element = TreeNode::createChild(current(), m_fragment.getString());
        for (size_t k = 0; k < m_attributes.size(); ++k) {
            const PlainAttribute& a = m_attributes[k];
            if (!repeatedLater(s, k))
                appendAttribute(element, s + a.name, a.nameLength, s + a.value, a.valueLength);
        }
        return element;
    }

    bool repeatedLater(const char* s, size_t k) const {
        const PlainAttribute& a = m_attributes[k];
        for (size_t later = k + 1; later < m_attributes.size(); ++later) {
            const PlainAttribute& b = m_attributes[later];
            if (a.nameLength == b.nameLength && std::memcmp(s + a.name, s + b.name, a.nameLength) == 0)
                return true;
        }
        return false;
    }

    void appendAttribute(TreeNode* element, const char* name, size_t nameLength, const char* value,
                         size_t valueLength) {
        m_fragment.clear();
        m_fragment.appendN(name, static_cast<int>(nameLength));
        m_value.clear();
        m_value.appendN(value, static_cast<int>(valueLength));
        m_settings.decodeEntities(m_value, m_codePage, HtmlReferenceContext::AttributeValue);
        element->appendAttribute(m_fragment.getString(), m_value.getString());
    }

    void appendElement(int number, HtmlTagKind kind) {
        TreeNode* element = m_plainNameLength > 0 ? plainElement() : parseElement(kind);
        if (element == nullptr)
            return;
        if (kind != HtmlTagKind::Start || !HtmlParse::isContainer(number))
            return;
        if (m_cellAwaitingNode) {
            m_cells.back().node = element;
            m_cells.back().depth = m_path.size();
        }
        open(element, scopeOf(number), number);
    }

    HtmlParse& m_settings;
    const char* m_text;
    size_t m_length;
    unsigned m_codePage;
    HtmlTagEndFinder m_ends;
    XmlParseOptions m_fragmentOptions;

    std::vector<OpenElement> m_path;
    std::vector<size_t> m_scopeDepths[kScopeCount];
    std::vector<size_t> m_openByNumber[kTemplate + 2];
    std::vector<Cell> m_cells;
    bool m_cellAwaitingNode = false;
    bool m_tableAwaitingRow = false;
    bool m_preMode = false;
    RawText m_rawText = kNoRawText;
    // The last tag was a phrasing tag: the text after it continues the sentence.
    bool m_joinTight = false;
    // A tag that breaks words came after the last text (the start of the page is one).
    bool m_breakPending = true;
    // A phrasing element or a comment opened or closed in the tree after the last text.
    bool m_crossedElement = false;
    bool m_lastTextEndsBlank = false;

    // The tag being handled: the page's own text or its normal form; with the length of its name
    // when it is a plain tag, else 0.
    const char* m_tagText = nullptr;
    size_t m_tagLength = 0;
    size_t m_plainNameLength = 0;
    StringBuffer m_cleaned;
    StringBuffer m_name;
    StringBuffer m_fragment;
    StringBuffer m_piece;
    std::vector<PlainAttribute> m_attributes;
    StringBuffer m_value;
};

} // namespace

// ---- HtmlParse ----

HtmlParse::HtmlParse() : m_dropUnknownTags(false), m_dropTable(), m_nbspMode(0) {
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
    return classifyTag(tagText, tagText != nullptr ? std::strlen(tagText) : 0, kind, name);
}

int HtmlParse::classifyTag(const char* tagText, size_t length, HtmlTagKind& kind, StringBuffer& name) {
    kind = HtmlTagKind::Start;
    name.clear();
    if (tagText == nullptr || length < 2 || tagText[0] != '<')
        return kNotATag;
    if (tagText[1] == '/')
        kind = HtmlTagKind::End;
    else if (length >= 3 && tagText[length - 2] == '/' && tagText[length - 1] == '>')
        kind = HtmlTagKind::Empty;

    const char* limit = tagText + length;
    const char* start = tagText + (kind == HtmlTagKind::End ? 2 : 1);
    while (start < limit && isBlank(*start))
        ++start;
    const char* end = start;
    while (end < limit && !endsName(*end))
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
    case kTemplate:
        return true;
    default:
        return number >= kH1 && number <= kH6;
    }
}

bool HtmlParse::joinsNeighbours(const char* name, size_t length) {
    // a, abbr, b, bdi, bdo, cite, code, data, dfn, em, font, i, kbd, mark, q, s, samp, small, span,
    // strong, sub, sup, time, u, var: asked for every tag, so decided by the first letter.
    std::string_view n(name, length);
    if (length == 1)
        return std::string_view("abiqsu").find(name[0]) != std::string_view::npos;
    switch (length == 0 ? '\0' : name[0]) {
    case 'a':
        return n == "abbr";
    case 'b':
        return n == "bdi" || n == "bdo";
    case 'c':
        return n == "cite" || n == "code";
    case 'd':
        return n == "data" || n == "dfn";
    case 'e':
        return n == "em";
    case 'f':
        return n == "font";
    case 'k':
        return n == "kbd";
    case 'm':
        return n == "mark";
    case 's':
        return n == "samp" || n == "small" || n == "span" || n == "strong" || n == "sub" || n == "sup";
    case 't':
        return n == "time";
    case 'v':
        return n == "var";
    default:
        return false;
    }
}

void HtmlParse::decodeEntities(StringBuffer& text, unsigned codePage, HtmlReferenceContext context) {
    if (!text.containsChar('&'))
        return;
    if (m_nbspMode != 0 && text.containsSubstring("&nbsp;"))
        text.replaceAll("&nbsp;", noBreakSpaceText(true, codePage)->c_str());
    const char* s = text.getString();
    size_t length = static_cast<size_t>(text.getSize());
    const char* amp = static_cast<const char*>(std::memchr(s, '&', length));
    size_t run = 0;
    StringBuffer& decoded = m_decoded;
    decoded.clear();
    bool changed = false;
    for (; amp != nullptr; amp = std::strchr(amp + 1, '&')) {
        size_t at = static_cast<size_t>(amp - s);
        char32_t first;
        char32_t second;
        size_t taken = readHtmlReference(amp, length - at, context, first, second);
        if (taken == 0)
            continue;
        // "&amp;" and the like are the same byte in every code page a page is read in.
        bool ascii = first < 0x80 && second == 0;
        const std::string* bytes = ascii                    ? nullptr
                                   : first == kNoBreakSpace ? noBreakSpaceText(amp[1] != '#', codePage)
                                                            : characterText(first, codePage);
        const std::string* more = second != 0 ? characterText(second, codePage) : nullptr;
        // A character the page's code page cannot hold stays written as its reference.
        if ((!ascii && bytes == nullptr) || (second != 0 && more == nullptr))
            continue;
        decoded.appendN(s + run, static_cast<int>(at - run));
        if (ascii)
            decoded.appendChar(static_cast<char>(first));
        else
            decoded.appendN(bytes->data(), static_cast<int>(bytes->size()));
        if (more != nullptr)
            decoded.appendN(more->data(), static_cast<int>(more->size()));
        run = at + taken;
        amp += taken - 1;
        changed = true;
    }
    if (!changed)
        return;
    decoded.appendN(s + run, static_cast<int>(length - run));
    text.setSb(decoded);
}

// "&nbsp;" (and "&nbsp" as text reads it) follows the nbsp mode; the numbered no-break space
// reads as a plain blank.
const std::string* HtmlParse::noBreakSpaceText(bool named, unsigned codePage) {
    if (!named || m_nbspMode == 0)
        return &kBlank;
    const std::string* nbsp = m_nbspMode == 1 ? characterText(kNoBreakSpace, codePage) : nullptr;
    return nbsp != nullptr ? nbsp : &kNothing;
}

const std::string* HtmlParse::characterText(char32_t c, unsigned codePage) {
    if (codePage != m_characterCodePage) {
        m_characterText.clear();
        m_characterCodePage = codePage;
    }
    auto known = m_characterText.find(c);
    if (known == m_characterText.end()) {
        StringBuffer utf8;
        appendUtf8(utf8, c);
        std::string text;
        if (codePage == CodePages::kUtf8) {
            text.assign(utf8.getString(), static_cast<size_t>(utf8.getSize()));
        } else {
            EncodingConvert convert;
            DataBuffer out;
            if (convert.Convert(CodePages::kUtf8, codePage,
                                reinterpret_cast<const unsigned char*>(utf8.getString()),
                                static_cast<unsigned>(utf8.getSize()), out) &&
                out.getSize() > 0)
                text.assign(reinterpret_cast<const char*>(out.getData()), out.getSize());
        }
        known = m_characterText.emplace(c, std::move(text)).first;
    }
    return known->second.empty() ? nullptr : &known->second;
}
