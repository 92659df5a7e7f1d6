#include "base/logger.h"

#include "base/file_sys.h"
#include "base/log_entry.h"
#include "base/platform.h"
#include "base/string_buffer.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr const char* kRootName = "ZelcoraLog";

// Writes the pieces of one rendering as the walk below meets them. The walk has already left
// out entries that produce nothing, so a context handed over has a name, a pair a name and a
// value, and a line a value.
class TreeRenderer {
public:
    explicit TreeRenderer(StringBuffer& out) : m_out(out) {}
    virtual ~TreeRenderer() = default;
    virtual void openContext(const LogEntry2& context, int depth) = 0;
    virtual void closeContext(const LogEntry2& context, int depth) = 0;
    virtual void writeEntry(const LogEntry2& entry, int depth) = 0;

protected:
    StringBuffer& m_out;
};

bool producesOutput(const LogEntry2& entry) {
    if (entry.isContext())
        return entry.name() != nullptr;
    if (entry.kind() == LogEntry2::kPair && entry.name() == nullptr)
        return false;
    return entry.value() != nullptr;
}

// A context the walk is inside of, and the index of its next child to visit.
struct OpenContext {
    const LogEntry2* context;
    int nextChild;
};

// Visits the tree in document order with an explicit stack of open contexts, so that the depth
// of the tree never reaches the call stack. A context's depth is the number of contexts above it.
void walkTree(const LogEntry2& root, TreeRenderer& renderer) {
    if (!producesOutput(root))
        return;
    ExtPtrArray open;
    renderer.openContext(root, 0);
    open.appendPtr(new OpenContext{&root, 0});
    while (open.getSize() > 0) {
        OpenContext* top = static_cast<OpenContext*>(open.lastElement());
        int childDepth = open.getSize();
        const LogEntry2* child = top->context->childAt(top->nextChild++);
        if (child == nullptr) {
            renderer.closeContext(*top->context, childDepth - 1);
            delete static_cast<OpenContext*>(open.pop());
        } else if (!producesOutput(*child)) {
            // Nothing to write, and nothing below it either.
        } else if (child->isContext()) {
            renderer.openContext(*child, childDepth);
            open.appendPtr(new OpenContext{child, 0});
        } else {
            renderer.writeEntry(*child, childDepth);
        }
    }
}

// A value goes inside a CDATA section when it holds markup or layout characters, unless it
// already carries a CDATA section of its own.
bool needsCdata(const StringBuffer& value) {
    if (value.containsSubstring("<![CDATA[") && value.containsSubstring("]]>"))
        return false;
    return value.containsChar('\n') || value.containsChar('\t') || value.containsChar('&') ||
           value.containsChar('>') || value.containsChar('<');
}

class XmlRenderer : public TreeRenderer {
public:
    using TreeRenderer::TreeRenderer;

    void openContext(const LogEntry2& context, int) override {
        writeTag("<", context.name()->getString());
        m_out.append("\r\n");
    }

    void closeContext(const LogEntry2& context, int) override {
        writeTag("</", context.name()->getString());
        m_out.append("\r\n");
    }

    void writeEntry(const LogEntry2& entry, int) override {
        switch (entry.kind()) {
        case LogEntry2::kError:
            writeElement("error", *entry.value());
            break;
        case LogEntry2::kInfo:
            writeElement("info", *entry.value());
            break;
        case LogEntry2::kRaw:
            m_out.appendSb(*entry.value());
            m_out.append("\r\n");
            break;
        case LogEntry2::kPair:
            writeElement(entry.name()->getString(), *entry.value());
            break;
        default:
            break;
        }
    }

private:
    void writeTag(const char* opening, const char* name) {
        m_out.append(opening);
        m_out.append(name);
        m_out.append(">");
    }

    void writeElement(const char* name, const StringBuffer& value) {
        writeTag("<", name);
        if (needsCdata(value)) {
            m_out.append("<![CDATA[");
            m_out.appendSb(value);
            m_out.append("]]>");
        } else {
            m_out.appendSb(value);
        }
        writeTag("</", name);
        m_out.append("\r\n");
    }
};

class HtmlRenderer : public TreeRenderer {
public:
    using TreeRenderer::TreeRenderer;

    void openContext(const LogEntry2& context, int) override {
        m_out.appendSb(*context.name());
        m_out.append(":<blockquote>\r\n");
    }

    void closeContext(const LogEntry2&, int) override { m_out.append("</blockquote>\r\n"); }

    void writeEntry(const LogEntry2& entry, int) override {
        if (entry.kind() == LogEntry2::kPair) {
            m_out.appendSb(*entry.name());
            m_out.append(": ");
        }
        appendEscaped(*entry.value());
        m_out.append("<br>\r\n");
    }

private:
    void appendEscaped(const StringBuffer& value) {
        const char* text = value.getString();
        int n = value.getSize();
        for (int i = 0; i < n; ++i) {
            switch (text[i]) {
            case '&':
                m_out.append("&amp;");
                break;
            case '<':
                m_out.append("&lt;");
                break;
            case '>':
                m_out.append("&gt;");
                break;
            case '"':
                m_out.append("&quot;");
                break;
            default:
                m_out.appendChar(text[i]);
                break;
            }
        }
    }
};

class TextRenderer : public TreeRenderer {
public:
    using TreeRenderer::TreeRenderer;

    void openContext(const LogEntry2& context, int depth) override {
        indent(depth);
        m_out.appendSb(*context.name());
        m_out.append(":\r\n");
    }

    void closeContext(const LogEntry2&, int) override {}

    void writeEntry(const LogEntry2& entry, int depth) override {
        indent(depth);
        if (entry.kind() == LogEntry2::kPair) {
            m_out.appendSb(*entry.name());
            m_out.append(": ");
        }
        m_out.appendSb(*entry.value());
        m_out.append("\r\n");
    }

private:
    void indent(int depth) { m_out.appendCharN(' ', 2 * depth); }
};

} // namespace

// ---- ErrorLog ----

ErrorLog::ErrorLog() { startTree(); }

ErrorLog::~ErrorLog() { delete root(); }

void ErrorLog::clear() {
    delete root();
    while (m_open.getSize() > 0)
        m_open.pop();
    startTree();
}

void ErrorLog::enterContext(const char* name) {
    LogEntry2* context = LogEntry2::newContext(name);
    current()->appendChild(context);
    m_open.appendPtr(context);
}

void ErrorLog::leaveContext() {
    if (m_open.getSize() < 2)
        return;
    m_open.pop();
}

void ErrorLog::addLine(char kind, const char* text) {
    if (text == nullptr)
        return;
    current()->appendChild(LogEntry2::newLine(kind, text));
}

bool ErrorLog::addPair(const char* name, const char* value) {
    StringBuffer cleaned;
    cleaned.append(name);
    cleaned.trim();
    cleaned.replaceChar(' ', '_');
    if (cleaned.getSize() == 0 || value == nullptr)
        return false;
    current()->appendChild(LogEntry2::newPair(cleaned, value));
    return true;
}

void ErrorLog::renderXml(StringBuffer& out) const {
    XmlRenderer renderer(out);
    walkTree(*root(), renderer);
}

void ErrorLog::renderHtml(StringBuffer& out) const {
    HtmlRenderer renderer(out);
    walkTree(*root(), renderer);
}

void ErrorLog::renderText(StringBuffer& out) const {
    TextRenderer renderer(out);
    walkTree(*root(), renderer);
}

void ErrorLog::startTree() { m_open.appendPtr(LogEntry2::newContext(kRootName)); }

LogEntry2* ErrorLog::root() const { return static_cast<LogEntry2*>(m_open.elementAt(0)); }

LogEntry2* ErrorLog::current() const { return static_cast<LogEntry2*>(m_open.lastElement()); }

// ---- Logger ----

void Logger::GetXml(StringBuffer& out) {
    out.clear();
    m_log.renderXml(out);
}

void Logger::GetHtml(StringBuffer& out) {
    out.clear();
    m_log.renderHtml(out);
}

void Logger::GetText(StringBuffer& out) {
    out.clear();
    m_log.renderText(out);
}

bool Logger::LogError(const char* text) {
    m_log.addLine(LogEntry2::kError, text);
    return true;
}

bool Logger::LogInfo(const char* text) {
    m_log.addLine(LogEntry2::kInfo, text);
    return true;
}

bool Logger::LogRaw(const char* text) {
    m_log.addLine(LogEntry2::kRaw, text);
    return true;
}

bool Logger::Clear() {
    m_log.clear();
    return true;
}

bool Logger::EnterContext(const char* name, int) {
    m_log.enterContext(name);
    return true;
}

bool Logger::LeaveContext() {
    m_log.leaveContext();
    return true;
}

bool Logger::LogData(const char* name, const char* value) { return m_log.addPair(name, value); }

bool Logger::LogDataLong(const char* name, int value) {
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%d", value);
    return m_log.addPair(name, digits);
}

void Logger::LogTickCount(const char* name) {
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%x", static_cast<unsigned int>(Platform::GetTickCount()));
    m_log.addPair(name, digits);
}

bool Logger::SaveLogFile(int, const char* path) {
    if (path == nullptr)
        return false;
    StringBuffer xml;
    m_log.renderXml(xml);
    return FileSys::WriteWholeFile(path, xml.getString(), static_cast<uint32_t>(xml.getSize()), nullptr);
}
