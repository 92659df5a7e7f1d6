// The writers of the result and error files. Each line is written and flushed under its
// file's own lock, so lines of different workers never interleave.
#pragma once

#include "base/string_buffer.h"

#include <cstdio>
#include <mutex>

class DomainQueue;
class ResumeJournal;

class ResultFiles {
public:
    // With a shared queue in `queue`, lines go to it; a resumed run journals each line.
    ResultFiles(const DomainQueue& queue, ResumeJournal& journal) : m_queue(queue), m_journal(journal) {}
    ResultFiles(const ResultFiles&) = delete;
    ResultFiles& operator=(const ResultFiles&) = delete;
    ~ResultFiles() { close(); }

    // Hands the two output streams to the writers; they are closed by close().
    void setStreams(FILE* outStream, FILE* errStream);
    void close();

    // Append the line and "\n"; false without writing when the file is not open. With a shared
    // queue in place of the files, the line goes to the queue's result or error stream instead.
    bool writeResultLine(const StringBuffer& line) { return writeLine(false, line); }
    bool writeErrorLine(const StringBuffer& line) { return writeLine(true, line); }

private:
    bool writeLine(bool isError, const StringBuffer& line);

    const DomainQueue& m_queue;
    ResumeJournal& m_journal;
    FILE* m_out = nullptr;
    FILE* m_err = nullptr;
    std::mutex m_outLock;
    std::mutex m_errLock;
};
