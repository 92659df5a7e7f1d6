// The log interface every library operation that can fail reports to. LogBase itself does
// nothing; the structured Logger implements it, and LogNull is the log to pass when nothing is
// to be recorded. A log belongs to its caller and is used by one thread at a time.
#pragma once

class StringBuffer;

class LogBase {
public:
    virtual ~LogBase() = default;

    // The renderings clear `out` and write the whole tree; LogBase leaves `out` untouched.
    virtual void GetXml(StringBuffer& out);
    virtual void GetHtml(StringBuffer& out);
    virtual void GetText(StringBuffer& out);

    virtual bool LogError(const char* text);
    virtual bool LogInfo(const char* text);
    virtual bool LogRaw(const char* text);
    virtual bool Clear();
    virtual bool EnterContext(const char* name, int flag);
    virtual bool LeaveContext();
    virtual bool LogData(const char* name, const char* value);
    virtual bool LogDataLong(const char* name, int value);
    virtual void LogTickCount(const char* name);
    // Writes the log rendered as XML to `path`; the flag is accepted and ignored.
    virtual bool SaveLogFile(int flag, const char* path);
};

class LogNull : public LogBase {};
