#include "app/domain_queue.h"

#include "app/resume_journal.h"
#include "app/run_statistics.h"

#include "base/domain_helpers.h"

#include <csignal>

namespace {
// Process-wide, because a signal handler sets it.
volatile std::sig_atomic_t stopRequested = 0;

// Reads the next line piece; false at the end of the input or on a read error.
bool readLinePiece(FILE* stream, StringBuffer& out) {
    char line[kMaxDomainLineBytes + 1];
    if (std::fgets(line, sizeof(line), stream) == nullptr)
        return false;
    out.setString(line);
    return true;
}
} // namespace

void stopTakingDomains() {
    stopRequested = 1;
}

bool stoppedTakingDomains() {
    return stopRequested != 0;
}

void DomainQueue::setInputStream(FILE* stream) {
    std::lock_guard<std::mutex> guard(m_inLock);
    m_in = stream;
}

void DomainQueue::closeInputStream() {
    std::lock_guard<std::mutex> guard(m_inLock);
    if (m_in != nullptr) {
        std::fclose(m_in);
        m_in = nullptr;
    }
}

void normaliseDomainLine(StringBuffer& line) {
    line.trim();
    lowerCaseHost(line);
}

bool isValidDomain(const StringBuffer& domain) {
    StringBuffer ascii;
    return toAsciiHost(domain.getString(), ascii) && hasKnownTld(ascii.getString());
}

bool DomainQueue::next(StringBuffer& domain) {
    domain.clear();
    if (stoppedTakingDomains())
        return false;
    if (m_source != nullptr)
        return m_source->next(domain);
    std::lock_guard<std::mutex> guard(m_inLock);
    // The unlocked first test of the handle is left out: reading a pointer another thread
    // writes is a data race, and taking the lock costs nothing next to a domain job.
    if (m_in == nullptr)
        return false;
    bool resuming = m_journal.active();
    for (;;) {
        int64_t at = resuming ? ftello(m_in) : 0;
        if (!readLinePiece(m_in, domain)) {
            std::fclose(m_in);
            m_in = nullptr;
            domain.clear();
            return false;
        }
        m_statistics.inputBytesRead += domain.getSize();
        normaliseDomainLine(domain);
        bool valid = isValidDomain(domain);
        // A line an earlier run of a resumed list finished is passed over without a trace.
        if (resuming && !m_journal.takeLine(at, ftello(m_in), valid) && valid)
            continue;
        ++m_statistics.read;
        if (valid)
            return true;
        ++m_statistics.invalid;
        std::printf("Invalid Domain: %s\n", domain.getString());
        std::fflush(stdout);
    }
}
