#include "app/result_files.h"

#include "app/domain_queue.h"
#include "app/resume_journal.h"

#include <mutex>

namespace {
FILE* outFileHandle = nullptr;
FILE* errFileHandle = nullptr;
std::mutex outLock;
std::mutex errLock;

bool writeLine(bool isError, const StringBuffer& line) {
    if (DomainSource* shared = domainSource())
        return shared->finish(isError, line);
    FILE* stream = isError ? errFileHandle : outFileHandle;
    if (stream == nullptr)
        return false;
    // A resumed run journals the sizes of both files after each line, so both share one lock then.
    bool journaled = resumableRunActive();
    std::lock_guard<std::mutex> guard(isError && !journaled ? errLock : outLock);
    std::fprintf(stream, "%s\n", line.getString());
    std::fflush(stream);
    if (journaled)
        resumeLineWritten(ftello(outFileHandle), ftello(errFileHandle));
    return true;
}

void closeStream(FILE*& stream, std::mutex& lock) {
    std::lock_guard<std::mutex> guard(lock);
    if (stream != nullptr)
        std::fclose(stream);
    stream = nullptr;
}
} // namespace

void setResultStreams(FILE* outStream, FILE* errStream) {
    outFileHandle = outStream;
    errFileHandle = errStream;
}

void closeResultStreams() {
    closeStream(outFileHandle, outLock);
    closeStream(errFileHandle, errLock);
}

bool writeResultLine(const StringBuffer& line) {
    return writeLine(false, line);
}

bool writeErrorLine(const StringBuffer& line) {
    return writeLine(true, line);
}
