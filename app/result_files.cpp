#include "app/result_files.h"

#include <mutex>

namespace {
FILE* outFileHandle = nullptr;
FILE* errFileHandle = nullptr;
std::mutex outLock;
std::mutex errLock;

bool writeLine(FILE* stream, std::mutex& lock, const StringBuffer& line) {
    if (stream == nullptr)
        return false;
    std::lock_guard<std::mutex> guard(lock);
    std::fprintf(stream, "%s\n", line.getString());
    std::fflush(stream);
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

bool writeResultLine(const StringBuffer& line) { return writeLine(outFileHandle, outLock, line); }

bool writeErrorLine(const StringBuffer& line) { return writeLine(errFileHandle, errLock, line); }
