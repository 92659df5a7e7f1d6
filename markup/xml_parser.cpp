#include "markup/xml_parser.h"

#include "base/log_base.h"
#include "base/string_buffer.h"
#include "markup/tree_node.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Scratch sizes for large pages: values and the prolog are copied once into these.
constexpr int kPrologCapacity = 2000;
constexpr int kValueCapacity = 10000;

constexpr char kCdataStart[] = "<![CDATA[";
constexpr int kCdataStartLength = 9;

// A reference that straddles the end of earlier content starts at most this many bytes before
// it: the longest of the five references ("&quot;", "&apos;") less one.
constexpr int kReferenceReach = 5;

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

const char* skipSpace(const char* p) {
    while (isXmlSpace(*p))
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
        if (std::tolower(static_cast<unsigned char>(*p)) != std::tolower(static_cast<unsigned char>(*prefix)))
            return false;
    }
    return true;
}

// ---- The five references ----

struct EntityRef {
    const char* reference;
    const char* character;
};

constexpr EntityRef kLt{"&lt;", "<"};
constexpr EntityRef kGt{"&gt;", ">"};
constexpr EntityRef kQuot{"&quot;", "\""};
constexpr EntityRef kApos{"&apos;", "'"};
constexpr EntityRef kAmp{"&amp;", "&"};

// Each place decodes in its own order. Only the last step, "&amp;", can make a new reference
// (&amp;lt; becomes &lt;), and that one stays in the text.
constexpr EntityRef kContentOrder[5] = {kLt, kApos, kGt, kQuot, kAmp};
constexpr EntityRef kAttributeOrder[5] = {kLt, kGt, kQuot, kApos, kAmp};
constexpr EntityRef kInstructionOrder[5] = {kLt, kGt, kApos, kQuot, kAmp};

void decodeReferences(StringBuffer& text, const EntityRef (&order)[5]) {
    if (!text.containsChar('&'))
        return;
    for (const EntityRef& ref : order)
        text.replaceAll(ref.reference, ref.character);
}

bool startsReference(const char* p) {
    for (const EntityRef& ref : kContentOrder) {
        if (startsWith(p, ref.reference))
            return true;
    }
    return false;
}

// Position of the first of the five references in `text` at or after `from`, or the length.
int firstReference(const StringBuffer& text, int from) {
    const char* start = text.getString();
    for (const char* p = std::strchr(start + from, '&'); p != nullptr; p = std::strchr(p + 1, '&')) {
        if (startsReference(p))
            return static_cast<int>(p - start);
    }
    return text.getSize();
}

// Content is decoded as a whole each time text joins it. When no reference starts before
// `from`, decoding only the part from there gives the same text, so content that grows piece by
// piece is not scanned again from its start. Answers the new `from`: the first reference that
// is left (one the "&amp;" step made), or the length.
int decodeContentFrom(StringBuffer& content, int from) {
    const char* tail = content.getString() + from;
    if (std::strchr(tail, '&') == nullptr)
        return content.getSize();
    StringBuffer decoded(tail);
    decodeReferences(decoded, kContentOrder);
    content.shorten(content.getSize() - from);
    content.appendSb(decoded);
    return firstReference(content, from);
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
    PendingAttributes attributes;
    std::vector<int> decodeFrom;

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
        attributes.clear();
        decodeFrom.clear();
        if (decodeFrom.capacity() > static_cast<size_t>(kKeptCapacity))
            std::vector<int>().swap(decodeFrom);
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
          m_attributes(scratch.attributes), m_decodeFrom(scratch.decodeFrom) {}
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
            noteAppendAt(content.getSize());
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
            while (end > start && isXmlSpace(end[-1]))
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
        noteAppendAt(before);
        int& from = m_decodeFrom.back();
        from = decodeContentFrom(content, from);
    }

    // Content from `length` on is new and still to be decoded.
    void noteAppendAt(int length) {
        int& from = m_decodeFrom.back();
        int reach = length > kReferenceReach ? length - kReferenceReach : 0;
        if (reach < from)
            from = reach;
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
        const char* end = std::strstr(m_p, "?>");
        const char* stop = end != nullptr ? end + 2 : m_p + std::strlen(m_p);
        m_prolog.append("<?");
        m_prolog.appendN(m_p, static_cast<int>(stop - m_p));
        m_prolog.appendChar('\n');
        m_p = stop;
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
                decodeReferences(m_value, kInstructionOrder);
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
                decodeReferences(m_value, kAttributeOrder);
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
        m_decodeFrom.push_back(0);
    }

    void closeCurrent() {
        if (m_current == nullptr)
            return;
        TreeNode* element = m_current;
        m_decodeFrom.pop_back();
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
            m_decodeFrom.clear();
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
    PendingAttributes& m_attributes;
    // For each open element, outermost first: where its content's decoding has to start.
    std::vector<int>& m_decodeFrom;
};

} // namespace

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
