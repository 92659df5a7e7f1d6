// LogEntry2: one node of the structured log tree kept by Logger. A node is a context ('C'),
// a name/value pair ('T'), an error line ('E'), an information line ('I') or raw text ('X').
// Only contexts have a children list. Each node owns its name, its value and its children;
// destroying a node destroys its whole subtree, however deep, without recursion.
#pragma once

#include "base/zelcora_object.h"

class ExtPtrArray;
class StringBuffer;

class LogEntry2 : public ZelcoraObject {
public:
    static constexpr char kContext = 'C';
    static constexpr char kPair = 'T';
    static constexpr char kError = 'E';
    static constexpr char kInfo = 'I';
    static constexpr char kRaw = 'X';

    // A new entry is an information line with no children, name or value.
    LogEntry2();
    ~LogEntry2() override;
    LogEntry2(const LogEntry2&) = delete;
    LogEntry2& operator=(const LogEntry2&) = delete;

    // A context with an empty children list; a null name leaves the name absent.
    static LogEntry2* newContext(const char* name);
    // A line of the given kind ('E', 'I' or 'X') holding `text`.
    static LogEntry2* newLine(char kind, const char* text);
    // A name/value pair; a null value leaves the value absent.
    static LogEntry2* newPair(const StringBuffer& name, const char* value);

    char kind() const { return m_kind; }
    bool isContext() const { return m_kind == kContext; }
    // Null while absent.
    const StringBuffer* name() const { return m_name; }
    const StringBuffer* value() const { return m_value; }

    // Takes ownership of `child`. Entries other than contexts have no children list: there the
    // child is destroyed at once.
    void appendChild(LogEntry2* child);
    int numChildren() const;
    // Null when i is outside 0..numChildren()-1.
    const LogEntry2* childAt(int i) const;

private:
    void setName(const char* name);
    void setValue(const char* value);
    // Moves every child of this entry onto `pending`, leaving the children list empty.
    void releaseChildrenTo(ExtPtrArray& pending);

    char m_kind;
    ExtPtrArray* m_children;
    StringBuffer* m_name;
    StringBuffer* m_value;
};
