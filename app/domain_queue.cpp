#include "app/domain_queue.h"

#include "app/run_statistics.h"

#include "base/domain_helpers.h"

#include <mutex>

namespace {
FILE* inFileHandle = nullptr;
std::mutex inLock;

// Reads the next line piece; false at the end of the input or on a read error.
bool readLinePiece(FILE* stream, StringBuffer& out) {
    char line[kMaxDomainLineBytes + 1];
    if (std::fgets(line, sizeof(line), stream) == nullptr)
        return false;
    out.setString(line);
    return true;
}
} // namespace

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
    std::lock_guard<std::mutex> guard(inLock);
    // The unlocked first test of the handle is left out: reading a pointer another thread
    // writes is a data race, and taking the lock costs nothing next to a domain job.
    if (inFileHandle == nullptr)
        return false;
    for (;;) {
        if (!readLinePiece(inFileHandle, domain)) {
            std::fclose(inFileHandle);
            inFileHandle = nullptr;
            domain.clear();
            return false;
        }
        runStatistics().inputBytesRead += domain.getSize();
        normaliseDomainLine(domain);
        ++runStatistics().read;
        if (isValidDomain(domain))
            return true;
        ++runStatistics().invalid;
        std::printf("Invalid Domain: %s\n", domain.getString());
        std::fflush(stdout);
    }
}
