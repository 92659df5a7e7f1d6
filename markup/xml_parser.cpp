#include "markup/xml_parser.h"

#include "base/ascii.h"
#include "base/log_base.h"
#include "base/string_buffer.h"
#include "markup/tree_node.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Scratch sizes for large pages: values and the prolog are copied once into these.
constexpr int kPrologCapacity = 2000;
constexpr int kValueCapacity = 10000;

constexpr char kCdataStart[] = "<![CDATA[";
constexpr int kCdataStartLength = 9;

const char* skipSpace(const char* p) {
    while (isBlank(*p))
        ++p;
    return p;
}

// The next `c`, or the end of the text.
const char* skipTo(const char* p, char c) {
    const char* found = std::strchr(p, c);
    return found != nullptr ? found : p + std::strlen(p);
}

bool startsWith(const char* p, const char* prefix) {
    return std::strncmp(p, prefix, std::strlen(prefix)) == 0;
}

// ASCII case folding; the text's terminator never equals a prefix byte, so this stops there.
bool startsWithNoCase(const char* p, const char* prefix) {
    for (; *prefix != '\0'; ++p, ++prefix) {
        if (lowerAscii(*p) != lowerAscii(*prefix))
            return false;
    }
    return true;
}

// ---- The five references ----

// A stretch of an element's content that came in one piece: the text of one join, or one CDATA
// section. Each join decodes the whole content once more, so the references of a piece are
// decoded as often as text joined the content after the piece came.
struct ContentPiece {
    int start;
    int joinsBefore;
};

// `p` is just behind an ampersand. The character of the reference of the four that stand for
// one ("&amp;" is taken apart as a chain), with its length, or a length of 0.
int characterReference(const char* p, const char* end, char& character) {
    static constexpr struct {
        const char* name;
        int length;
        char character;
    } kReferences[] = {{"lt;", 3, '<'}, {"gt;", 3, '>'}, {"quot;", 5, '"'}, {"apos;", 5, '\''}};
    for (const auto& ref : kReferences) {
        if (end - p >= ref.length && std::memcmp(p, ref.name, static_cast<size_t>(ref.length)) == 0) {
            character = ref.character;
            return ref.length;
        }
    }
    return 0;
}

// `p` is at an ampersand over which `passes` decodings go. One decoding turns "&amp;" into "&"
// and every other of the five references into its character, each reference once (the text a
// decoding makes is not looked at again in the same decoding). So each decoding takes one
// "amp;" off the chain behind this ampersand, and the one after the chain is used up decodes
// the reference behind it, if any. Appends what the ampersand and its references become and
// answers where the text goes on as written.
const char* decodeAmpersand(const char* p, const char* end, int passes, StringBuffer& out) {
    const char* q = p + 1;
    int chain = 0;
    while (chain < passes && end - q >= 4 && std::memcmp(q, "amp;", 4) == 0) {
        q += 4;
        ++chain;
    }
    char character;
    int length = chain < passes ? characterReference(q, end, character) : 0;
    if (length == 0) {
        out.appendChar('&');
        return q;
    }
    out.appendChar(character);
    return q + length;
}

// Decodes `text` from pieces[0].start on, each ampersand as often as its piece asks, in one scan:
// a chain such as &amp;amp;amp;... costs its length, however long and however often decoded.
void decodePieces(StringBuffer& text, const ContentPiece* pieces, size_t count, int joins,
                  StringBuffer& scratch) {
    if (count == 0)
        return;
    const char* start = text.getString();
    const char* end = start + text.getSize();
    const char* run = start + pieces[0].start;
    scratch.clear();
    size_t piece = 0;
    for (auto* amp = static_cast<const char*>(std::memchr(run, '&', static_cast<size_t>(end - run)));
         amp != nullptr;
         amp = static_cast<const char*>(std::memchr(run, '&', static_cast<size_t>(end - run)))) {
        while (piece + 1 < count && start + pieces[piece + 1].start <= amp)
            ++piece;
        scratch.appendN(run, static_cast<int>(amp - run));
        run = decodeAmpersand(amp, end, joins - pieces[piece].joinsBefore, scratch);
    }
    if (run == start + pieces[0].start)
        return;
    scratch.appendN(run, static_cast<int>(end - run));
    text.shorten(text.getSize() - pieces[0].start);
    text.appendSb(scratch);
}

// ---- Attributes of the start tag being read ----

// The attributes are kept until their tag ends, so that repeated names are resolved at once:
// with replacement only the last attribute of each name stays, in its own place, which is what
// removing the earlier one before every append gives, without searching the element's
// attributes once per attribute.
class PendingAttributes {
public:
    void clear() {
        m_text.clear();
        m_entries.clear();
    }

    // An empty name is dropped, as the element would drop it.
    void add(const StringBuffer& name, const StringBuffer& value) {
        if (name.getSize() == 0)
            return;
        Entry entry;
        entry.nameOffset = m_text.getSize();
        entry.nameLength = name.getSize();
        m_text.appendN(name.getString(), name.getSize() + 1);
        entry.valueOffset = m_text.getSize();
        m_text.appendN(value.getString(), value.getSize() + 1);
        m_entries.push_back(entry);
    }

    void commitTo(TreeNode* element, bool replaceDuplicates) {
        if (replaceDuplicates && m_entries.size() > 1)
            keepLastOfEachName();
        const char* text = m_text.getString();
        for (const Entry& entry : m_entries) {
            if (entry.keep)
                element->appendAttribute(text + entry.nameOffset, text + entry.valueOffset);
        }
    }

private:
    struct Entry {
        int nameOffset = 0;
        int nameLength = 0;
        int valueOffset = 0;
        bool keep = true;
    };

    uint32_t nameHash(const Entry& entry) const {
        const char* name = m_text.getString() + entry.nameOffset;
        uint32_t hash = 2166136261u;
        for (int i = 0; i < entry.nameLength; ++i)
            hash = (hash ^ static_cast<unsigned char>(name[i])) * 16777619u;
        return hash;
    }

    bool sameName(const Entry& a, const Entry& b) const {
        const char* text = m_text.getString();
        return a.nameLength == b.nameLength &&
               std::memcmp(text + a.nameOffset, text + b.nameOffset, static_cast<size_t>(a.nameLength)) == 0;
    }

    // An open-addressing table of names: each slot ends up with the last entry of its name, and
    // every earlier entry it replaces is dropped.
    void keepLastOfEachName() {
        size_t capacity = 1;
        while (capacity < 2 * m_entries.size())
            capacity <<= 1;
        std::vector<int> slots(capacity, -1);
        for (size_t i = 0; i < m_entries.size(); ++i) {
            size_t slot = nameHash(m_entries[i]) & (capacity - 1);
            while (slots[slot] >= 0 && !sameName(m_entries[static_cast<size_t>(slots[slot])], m_entries[i]))
                slot = (slot + 1) & (capacity - 1);
            if (slots[slot] >= 0)
                m_entries[static_cast<size_t>(slots[slot])].keep = false;
            slots[slot] = static_cast<int>(i);
        }
    }

    StringBuffer m_text;
    std::vector<Entry> m_entries;
};

// ---- The parser ----

// An open element and the pieces of its content that are still to be decoded (from firstPiece
// to the end of the parse's pieces: only the innermost open element takes content).
struct OpenContent {
    TreeNode* element;
    size_t firstPiece;
    // Text joins so far, each of which decodes the whole content once more.
    int joins;
    // Where the last join's text starts.
    int lastJoin;
};

// The scratch buffers of a parse. Each thread keeps one set, which every parse on it clears
// first, so the many small parses of the HTML conversion (one per start tag) do not each allocate
// buffers sized for large pages. A parse calls nothing that parses, so two parses never use the
// set at once.
struct ParseScratch {
    // A buffer grown past this by a huge document is given back before the next parse.
    static constexpr int kKeptCapacity = 1 << 20;

    StringBuffer prolog{kPrologCapacity};
    StringBuffer preservedSpace;
    StringBuffer name;
    StringBuffer value{kValueCapacity};
    StringBuffer decoded;
    PendingAttributes attributes;
    std::vector<OpenContent> open;
    std::vector<ContentPiece> pieces;

    static void reset(StringBuffer& buffer) {
        buffer.clear();
        if (buffer.getCapacity() > kKeptCapacity)
            buffer.minimizeMemory();
    }

    ParseScratch& forNewParse() {
        reset(prolog);
        reset(preservedSpace);
        reset(name);
        reset(value);
        reset(decoded);
        attributes.clear();
        open.clear();
        pieces.clear();
        if (pieces.capacity() > static_cast<size_t>(kKeptCapacity))
            std::vector<ContentPiece>().swap(pieces);
        if (open.capacity() > static_cast<size_t>(kKeptCapacity))
            std::vector<OpenContent>().swap(open);
        return *this;
    }
};

ParseScratch& threadScratch() {
    thread_local ParseScratch scratch;
    return scratch.forNewParse();
}

class XmlParser {
public:
    XmlParser(const char* text, LogBase* log, const XmlParseOptions& options, ParseScratch& scratch)
        : m_p(text), m_log(log), m_options(options), m_prolog(scratch.prolog),
          m_preservedSpace(scratch.preservedSpace), m_name(scratch.name), m_value(scratch.value),
          m_decoded(scratch.decoded), m_attributes(scratch.attributes), m_open(scratch.open),
          m_pieces(scratch.pieces) {}
    ~XmlParser() {
        delete m_pendingDeclaration;
        delete m_pendingStylesheet;
        TreeNode::destroyDocument(m_completedRoot);
    }
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;

    TreeNode* run() {
        while (*m_p != '\0') {
            if (m_current != nullptr)
                readContent();
            else
                skipOutsideText();
            if (*m_p == '\0' || !readMarkup())
                break;
        }
        return finish();
    }

private:
    void logError(const char* text) {
        if (m_log != nullptr)
            m_log->LogError(text);
    }

    // Copies the bytes up to the first of `stops` (or the end) into `out` and moves behind them.
    void readSpan(const char* stops, StringBuffer& out) {
        size_t n = std::strcspn(m_p, stops);
        out.clear();
        out.appendN(m_p, static_cast<int>(n));
        m_p += n;
    }

    // ---- Text and CDATA inside an element ----

    // Text and CDATA sections follow each other until markup of another kind comes, so every
    // CDATA section inside an element becomes content.
    void readContent() {
        for (;;) {
            const char* space = m_p;
            m_p = skipSpace(m_p);
            if (!m_options.trimContent) {
                m_preservedSpace.clear();
                m_preservedSpace.appendN(space, static_cast<int>(m_p - space));
            }
            if (startsWith(m_p, kCdataStart)) {
                readCdata();
                continue;
            }
            readText();
            if (!startsWith(m_p, kCdataStart))
                return;
        }
    }

    // Taken as it stands: no decoding and no separating blank. Bytes between the section's end
    // and the next `<` are dropped.
    void readCdata() {
        m_p += kCdataStartLength;
        const char* end = std::strstr(m_p, "]]>");
        size_t n = end != nullptr ? static_cast<size_t>(end - m_p) : std::strlen(m_p);
        if (n > 0) {
            StringBuffer& content = m_current->contentSb();
            settleLastJoin(content);
            notePiece(content.getSize(), m_p, n, m_open.back().joins);
            content.appendN(m_p, static_cast<int>(n));
        }
        m_current->setCdata(true);
        m_p += n;
        if (end != nullptr)
            m_p += 3;
        m_p = skipTo(m_p, '<');
    }

    void readText() {
        const char* start = m_p;
        const char* end = skipTo(m_p, '<');
        m_p = end;
        if (m_options.trimContent) {
            while (end > start && isBlank(end[-1]))
                --end;
        }
        if (end == start)
            return;
        StringBuffer& content = m_current->contentSb();
        int before = content.getSize();
        if (!m_options.trimContent)
            content.appendSb(m_preservedSpace);
        if (before > 0)
            content.appendChar(' ');
        content.appendN(start, static_cast<int>(end - start));
        OpenContent& open = m_open.back();
        notePiece(before, content.getString() + before, static_cast<size_t>(content.getSize() - before),
                  open.joins);
        ++open.joins;
        open.lastJoin = before;
    }

    // Decoding waits until the element closes, so each piece is decoded once however often
    // text joins after it. A piece without an ampersand has nothing to decode.
    void notePiece(int start, const char* bytes, size_t n, int joinsBefore) {
        if (std::memchr(bytes, '&', n) != nullptr)
            m_pieces.push_back(ContentPiece{start, joinsBefore});
    }

    // A CDATA section right behind the last join's text can finish a reference that text ended
    // with, which the decodings done so far did not see whole: those are applied first. Text
    // before the last join ends at its blank and cannot be finished.
    void settleLastJoin(StringBuffer& content) {
        OpenContent& open = m_open.back();
        if (m_pieces.size() == open.firstPiece)
            return;
        ContentPiece& last = m_pieces.back();
        if (last.start != open.lastJoin || last.joinsBefore == open.joins)
            return;
        decodePieces(content, &last, 1, open.joins, m_decoded);
        last.joinsBefore = open.joins;
    }

    // Applies the decodings the element's content has waited for.
    void settleContent(const OpenContent& open) {
        size_t count = m_pieces.size() - open.firstPiece;
        if (count > 0)
            decodePieces(open.element->contentSb(), &m_pieces[open.firstPiece], count, open.joins, m_decoded);
        m_pieces.resize(open.firstPiece);
    }

    // Text outside every element is ignored.
    void skipOutsideText() {
        m_p = skipSpace(m_p);
        m_p = skipTo(m_p, '<');
    }

    // ---- Markup ----

    // At a `<`. False when parsing is to stop.
    bool readMarkup() {
        ++m_p;
        char noted = *m_p;
        m_p = skipSpace(m_p);
        if (*m_p == '\0')
            return false;
        switch (noted) {
        case '!':
            return readExclamation();
        case '?':
            readInstruction();
            return true;
        case '/':
            readClosingTag();
            return true;
        default:
            return readStartTag();
        }
    }

    // Comments (dropped), the document type (kept in the prolog) and other `<!` declarations
    // (skipped).
    bool readExclamation() {
        if (startsWith(m_p, "!--")) {
            const char* end = std::strstr(m_p + 3, "-->");
            if (end == nullptr) {
                logError("Unclosed comment");
                return false;
            }
            m_p = end + 3;
            return true;
        }
        if (startsWithNoCase(m_p, "!DOCTYPE")) {
            readDoctype();
            return true;
        }
        m_p = skipTo(m_p, '>');
        if (*m_p != '\0')
            ++m_p;
        return true;
    }

    // Up to the `>` that balances the opening `<`, so an internal subset stays whole. Without
    // one the declaration is dropped and parsing goes on at the next `<`, so that the elements
    // after a broken document type are still read.
    void readDoctype() {
        int depth = 1;
        const char* q = m_p;
        for (; *q != '\0' && depth > 0; ++q) {
            if (*q == '<')
                ++depth;
            else if (*q == '>')
                --depth;
        }
        if (depth > 0) {
            logError("Failed to parse DTD");
            m_p = skipTo(m_p, '<');
            return;
        }
        m_prolog.appendChar('<');
        m_prolog.appendN(m_p, static_cast<int>(q - m_p));
        m_prolog.appendChar('\n');
        m_p = q;
    }

    // At the `?`. The XML declaration and the stylesheet instruction become pending nodes that
    // the document takes when its root closes; any other instruction goes to the prolog as
    // written.
    void readInstruction() {
        ++m_p;
        if (startsWithNoCase(m_p, "xml ")) {
            TreeNode* node = readInstructionNode();
            delete m_pendingDeclaration;
            m_pendingDeclaration = node;
            return;
        }
        if (startsWithNoCase(m_p, "xml-stylesheet")) {
            TreeNode* node = readInstructionNode();
            delete m_pendingStylesheet;
            m_pendingStylesheet = node;
            return;
        }
        // One that never ends runs to the end of the text and is dropped: written into the
        // prolog it would swallow the whole document when the text is loaded again.
        const char* end = std::strstr(m_p, "?>");
        if (end == nullptr) {
            m_p += std::strlen(m_p);
            return;
        }
        m_prolog.append("<?");
        m_prolog.appendN(m_p, static_cast<int>(end + 2 - m_p));
        m_prolog.appendChar('\n');
        m_p = end + 2;
    }

    TreeNode* readInstructionNode() {
        readSpan(" \t\r\n/>", m_name);
        m_p = skipSpace(m_p);
        if (*m_p == '/')
            ++m_p;
        auto* node = new TreeNode(m_name.getString());
        readInstructionAttributes(node);
        return node;
    }

    void readInstructionAttributes(TreeNode* node) {
        while (*m_p != '\0' && *m_p != '>') {
            m_p = skipSpace(m_p);
            readSpan(" \t\r\n=?>", m_name);
            m_name.removeChar('"');
            m_p = skipSpace(m_p);
            m_value.clear();
            if (*m_p == '=') {
                m_p = skipSpace(m_p + 1);
                if (*m_p == '"')
                    ++m_p;
                if (*m_p == '\'')
                    ++m_p;
                readSpan("\"'\r\n", m_value);
                m_value.removeChar('"');
                decodeXmlReferences(m_value, m_decoded);
                if (*m_p == '"' || *m_p == '\'')
                    ++m_p;
            }
            node->appendAttribute(m_name.getString(), m_value.getString());
            m_p = skipSpace(m_p);
            if (*m_p == '?')
                m_p = skipSpace(m_p + 1);
        }
        if (*m_p == '>')
            ++m_p;
    }

    // At the `/`. The name is not compared with the open element: whatever is open is closed.
    void readClosingTag() {
        const char* q = m_p + std::strcspn(m_p, "<>");
        if (*q == '>') {
            m_p = q + 1;
        } else {
            logError("Error in closing tag");
            if (m_log != nullptr)
                m_log->LogData("error_tag", m_current != nullptr ? m_current->getTag() : "");
        }
        closeCurrent();
    }

    // At the name. False when the text ends inside the name.
    bool readStartTag() {
        size_t n = std::strcspn(m_p, " \t\r\n/>");
        if (m_p[n] == '\0') {
            m_p += n;
            return false;
        }
        readSpan(" \t\r\n/>", m_name);
        m_name.removeChar('<');
        m_p = skipSpace(m_p);
        bool empty = false;
        if (*m_p == '/') {
            empty = true;
            ++m_p;
        }
        TreeNode* element = TreeNode::createChild(m_current, m_name.getString());
        if (readTagAttributes(element))
            empty = true;
        if (*m_p == '>')
            ++m_p;
        if (empty)
            closeElement(element);
        else
            openElement(element);
        return true;
    }

    // Answers whether a `/` among the attributes made the element empty.
    bool readTagAttributes(TreeNode* element) {
        bool empty = false;
        m_attributes.clear();
        while (*m_p != '\0' && *m_p != '>') {
            m_p = skipSpace(m_p);
            readSpan(" \t\r\n=/>", m_name);
            if (std::strpbrk(m_name.getString(), "\"'<") != nullptr) {
                m_name.removeChar('"');
                m_name.removeChar('\'');
                m_name.removeChar('<');
            }
            m_p = skipSpace(m_p);
            m_value.clear();
            if (*m_p == '=') {
                m_p = skipSpace(m_p + 1);
                if (*m_p == '"' || *m_p == '\'') {
                    const char quote[2] = {*m_p, '\0'};
                    ++m_p;
                    readSpan(quote, m_value);
                } else {
                    // Not XML: the value runs to the next quote of either kind.
                    readSpan("\"'", m_value);
                }
                if (m_options.decodeAttributeValues)
                    decodeXmlReferences(m_value, m_decoded);
                if (*m_p == '"' || *m_p == '\'')
                    ++m_p;
            }
            m_attributes.add(m_name, m_value);
            m_p = skipSpace(m_p);
            if (*m_p == '/') {
                empty = true;
                m_p = skipSpace(m_p + 1);
            }
        }
        m_attributes.commitTo(element, m_options.replaceDuplicateAttributes);
        return empty;
    }

    // ---- Opening and closing elements ----

    void openElement(TreeNode* element) {
        m_current = element;
        m_open.push_back(OpenContent{element, m_pieces.size(), 0, 0});
    }

    void closeCurrent() {
        if (m_current == nullptr)
            return;
        TreeNode* element = m_current;
        settleContent(m_open.back());
        m_open.pop_back();
        closeElement(element);
    }

    // The parent becomes current; a top-level element becomes the document.
    void closeElement(TreeNode* element) {
        TreeNode* parent = element->getParent();
        if (parent != nullptr) {
            m_current = parent;
            return;
        }
        m_current = nullptr;
        completeRoot(element);
    }

    // Of several top-level elements only the last survives; it takes the declaration,
    // stylesheet and prolog read so far.
    void completeRoot(TreeNode* root) {
        TreeInfo* info = root->getInfo();
        info->setDeclaration(m_pendingDeclaration);
        m_pendingDeclaration = nullptr;
        info->setStylesheet(m_pendingStylesheet);
        m_pendingStylesheet = nullptr;
        if (m_prolog.getSize() > 0) {
            info->setProlog(m_prolog);
            m_prolog.clear();
        }
        TreeNode::destroyDocument(m_completedRoot);
        m_completedRoot = root;
    }

    // At the end of the text an unfinished later element is discarded when an earlier one
    // completed; otherwise the open elements are closed and the outermost is the document.
    TreeNode* finish() {
        if (m_current != nullptr) {
            TreeNode* top = m_current;
            while (top->getParent() != nullptr)
                top = top->getParent();
            m_current = nullptr;
            for (auto open = m_open.rbegin(); open != m_open.rend(); ++open)
                settleContent(*open);
            m_open.clear();
            if (m_completedRoot != nullptr)
                TreeNode::destroyDocument(top);
            else
                completeRoot(top);
        }
        TreeNode* root = m_completedRoot;
        m_completedRoot = nullptr;
        return root;
    }

    const char* m_p;
    LogBase* m_log;
    XmlParseOptions m_options;

    TreeNode* m_current = nullptr;
    TreeNode* m_completedRoot = nullptr;
    TreeNode* m_pendingDeclaration = nullptr;
    TreeNode* m_pendingStylesheet = nullptr;
    StringBuffer& m_prolog;
    StringBuffer& m_preservedSpace;
    StringBuffer& m_name;
    StringBuffer& m_value;
    StringBuffer& m_decoded;
    PendingAttributes& m_attributes;
    // The open elements, outermost first, and the pieces of their content still to be decoded.
    std::vector<OpenContent>& m_open;
    std::vector<ContentPiece>& m_pieces;
};

} // namespace

void decodeXmlReferences(StringBuffer& text, StringBuffer& scratch) {
    const ContentPiece whole{0, 0};
    if (text.containsChar('&'))
        decodePieces(text, &whole, 1, 1, scratch);
}

TreeNode* parseXml(const char* text, LogBase* log, bool trimContent) {
    XmlParseOptions options;
    options.trimContent = trimContent;
    return parseXml(text, log, options);
}

TreeNode* parseXml(const char* text, LogBase* log, const XmlParseOptions& options) {
    if (text == nullptr)
        return nullptr;
    XmlParser parser(text, log, options, threadScratch());
    return parser.run();
}
