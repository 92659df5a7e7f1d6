#include "base/log_entry.h"

#include "base/ext_ptr_array.h"
#include "base/string_buffer.h"

LogEntry2::LogEntry2() : m_kind(kInfo), m_children(nullptr), m_name(nullptr), m_value(nullptr) {}

LogEntry2::~LogEntry2() {
    delete m_name;
    delete m_value;
    if (m_children == nullptr)
        return;
    // Each descendant gives up its children to the pending list before it is destroyed, so its
    // own destructor finds an empty list and the depth of the tree never reaches the call stack.
    ExtPtrArray pending;
    releaseChildrenTo(pending);
    while (pending.getSize() > 0) {
        LogEntry2* entry = static_cast<LogEntry2*>(pending.pop());
        entry->releaseChildrenTo(pending);
        delete entry;
    }
    delete m_children;
}

LogEntry2* LogEntry2::newContext(const char* name) {
    LogEntry2* entry = new LogEntry2();
    entry->m_kind = kContext;
    entry->m_children = new ExtPtrArray();
    entry->setName(name);
    return entry;
}

LogEntry2* LogEntry2::newLine(char kind, const char* text) {
    LogEntry2* entry = new LogEntry2();
    entry->m_kind = kind;
    entry->setValue(text);
    return entry;
}

LogEntry2* LogEntry2::newPair(const StringBuffer& name, const char* value) {
    LogEntry2* entry = new LogEntry2();
    entry->m_kind = kPair;
    entry->setName(name.getString());
    entry->setValue(value);
    return entry;
}

void LogEntry2::appendChild(LogEntry2* child) {
    if (child == nullptr)
        return;
    if (m_children == nullptr) {
        delete child;
        return;
    }
    m_children->appendPtr(child);
}

int LogEntry2::numChildren() const { return m_children != nullptr ? m_children->getSize() : 0; }

const LogEntry2* LogEntry2::childAt(int i) const {
    if (m_children == nullptr)
        return nullptr;
    return static_cast<const LogEntry2*>(m_children->elementAt(i));
}

void LogEntry2::setName(const char* name) {
    if (name == nullptr)
        return;
    if (m_name == nullptr)
        m_name = new StringBuffer();
    m_name->setString(name);
}

void LogEntry2::setValue(const char* value) {
    if (value == nullptr)
        return;
    if (m_value == nullptr)
        m_value = new StringBuffer();
    m_value->setString(value);
}

void LogEntry2::releaseChildrenTo(ExtPtrArray& pending) {
    if (m_children == nullptr)
        return;
    while (m_children->getSize() > 0)
        pending.appendPtr(m_children->pop());
}
