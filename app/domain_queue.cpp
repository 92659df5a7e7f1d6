#include "app/domain_queue.h"

#include "app/resume_journal.h"
#include "app/run_statistics.h"

#include "base/domain_helpers.h"

#include <atomic>
#include <csignal>
#include <mutex>

namespace {
FILE* inFileHandle = nullptr;
std::mutex inLock;
std::atomic<DomainSource*> source{nullptr};
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

void setDomainSource(DomainSource* newSource) {
    source.store(newSource);
}

DomainSource* domainSource() {
    return source.load();
}

void stopTakingDomains() {
    stopRequested = 1;
}

bool stoppedTakingDomains() {
    return stopRequested != 0;
}

void setInputStream(FILE* stream) {
    std::lock_guard<std::mutex> guard(inLock);
    inFileHandle = stream;
}

void closeInputStream() {
    std::lock_guard<std::mutex> guard(inLock);
    if (inFileHandle != nullptr) {
        std::fclose(inFileHandle);
        inFileHandle = nullptr;
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

bool nextDomain(StringBuffer& domain) {
    domain.clear();
    if (stoppedTakingDomains())
        return false;
    if (DomainSource* shared = domainSource())
        return shared->next(domain);
    std::lock_guard<std::mutex> guard(inLock);
    // The unlocked first test of the handle is left out: reading a pointer another thread
    // writes is a data race, and taking the lock costs nothing next to a domain job.
    if (inFileHandle == nullptr)
        return false;
    bool resuming = resumableRunActive();
    for (;;) {
        int64_t at = resuming ? ftello(inFileHandle) : 0;
        if (!readLinePiece(inFileHandle, domain)) {
            std::fclose(inFileHandle);
            inFileHandle = nullptr;
            domain.clear();
            return false;
        }
        runStatistics().inputBytesRead += domain.getSize();
        normaliseDomainLine(domain);
        bool valid = isValidDomain(domain);
        // A line an earlier run of a resumed list finished is passed over without a trace.
        if (resuming && !resumeTakeLine(at, ftello(inFileHandle), valid) && valid)
            continue;
        ++runStatistics().read;
        if (valid)
            return true;
        ++runStatistics().invalid;
        std::printf("Invalid Domain: %s\n", domain.getString());
        std::fflush(stdout);
    }
}
