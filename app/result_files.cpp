#include "app/result_files.h"

#include "app/domain_queue.h"
#include "app/resume_journal.h"

namespace {
void closeStream(FILE*& stream, std::mutex& lock) {
    std::lock_guard<std::mutex> guard(lock);
    if (stream != nullptr)
        std::fclose(stream);
    stream = nullptr;
}
} // namespace

bool ResultFiles::writeLine(bool isError, const StringBuffer& line) {
    if (DomainSource* shared = m_queue.source())
        return shared->finish(isError, line);
    FILE* stream = isError ? m_err : m_out;
    if (stream == nullptr)
        return false;
    // A resumed run journals the sizes of both files after each line, so both share one lock then.
    bool journaled = m_journal.active();
    std::lock_guard<std::mutex> guard(isError && !journaled ? m_errLock : m_outLock);
    std::fprintf(stream, "%s\n", line.getString());
    std::fflush(stream);
    if (journaled)
        m_journal.lineWritten(ftello(m_out), ftello(m_err));
    return true;
}

void ResultFiles::setStreams(FILE* outStream, FILE* errStream) {
    m_out = outStream;
    m_err = errStream;
}

void ResultFiles::close() {
    closeStream(m_out, m_outLock);
    closeStream(m_err, m_errLock);
}
