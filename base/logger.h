// Logger: the structured log each public library object owns. Every public operation clears it
// and records what it did as a tree of named contexts holding error lines, information lines,
// name/value pairs and raw text; the tree renders as XML, HTML or indented plain text and can be
// saved to a file. Logging never changes the result of an operation. One thread at a time.
#pragma once

#include "base/ext_ptr_array.h"
#include "base/log_base.h"

class LogEntry2;
class StringBuffer;

// The tree of one log and its stack of open contexts. Element 0 of the stack is always the
// root context "ZelcoraLog", which owns the whole tree; the stack itself owns nothing. The last
// element is the current context, where new entries go.
class ErrorLog {
public:
    ErrorLog();
    ~ErrorLog();
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    // Discards the tree and starts again with the root alone.
    void clear();
    void enterContext(const char* name);
    // Closes the current context; the root is never closed.
    void leaveContext();
    // Adds an 'E', 'I' or 'X' line; a null text adds nothing.
    void addLine(char kind, const char* text);
    // Adds a name/value pair after cleaning the name (trimmed, spaces made underscores). False,
    // with nothing added, when the cleaned name is empty or the value is null.
    bool addPair(const char* name, const char* value);

    // Append the rendering of the whole tree to `out`.
    void renderXml(StringBuffer& out) const;
    void renderHtml(StringBuffer& out) const;
    void renderText(StringBuffer& out) const;

private:
    void startTree();
    LogEntry2* root() const;
    LogEntry2* current() const;

    ExtPtrArray m_open;
};

class Logger : public LogBase {
public:
    Logger() = default;
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    void GetXml(StringBuffer& out) override;
    void GetHtml(StringBuffer& out) override;
    void GetText(StringBuffer& out) override;

    bool LogError(const char* text) override;
    bool LogInfo(const char* text) override;
    bool LogRaw(const char* text) override;
    bool Clear() override;
    // The flag is accepted and ignored.
    bool EnterContext(const char* name, int flag) override;
    bool LeaveContext() override;
    bool LogData(const char* name, const char* value) override;
    bool LogDataLong(const char* name, int value) override;
    // The value is the millisecond tick count in lower-case hexadecimal.
    void LogTickCount(const char* name) override;
    // Renders the tree as XML and writes it to `path`; true when the file was written. The
    // flag is accepted and ignored. A failed write is reported only by the result.
    bool SaveLogFile(int flag, const char* path) override;

private:
    ErrorLog m_log;
};
