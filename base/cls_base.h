// ClsBase: base of the library's public API objects (the HTTP facade, the XML cursor, the cache,
// the HTML converter). Each such object owns a structured log; every public operation clears it,
// enters a context named after itself, records what it did and leaves the context, so after any
// call the log holds the record of that call alone.
#pragma once

#include "base/logger.h"
#include "base/zelcora_object.h"

class ClsBase : public ZelcoraObject {
public:
    ClsBase() = default;
    ClsBase(const ClsBase&) = delete;
    ClsBase& operator=(const ClsBase&) = delete;

    Logger& log() { return m_log; }
    const Logger& log() const { return m_log; }

protected:
    // Starts the record of one public operation: clears the log and enters its context.
    void enterMethod(const char* name) {
        m_log.Clear();
        m_log.EnterContext(name, 1);
    }
    void leaveMethod() { m_log.LeaveContext(); }

private:
    Logger m_log;
};
