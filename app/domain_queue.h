// The shared input list of domains. Every read of the input stream, including the skipping of
// invalid lines and the closing of the stream at its end, happens under one lock.
#pragma once

#include "base/string_buffer.h"

#include <cstdio>
#include <mutex>

class ResumeJournal;
class RunStatistics;

// Lines longer than this arrive in several pieces, each treated as a line of its own.
constexpr int kMaxDomainLineBytes = 797;

// A shared queue in place of the input file: it hands out domains and takes each one's finished
// line. Both calls come from a worker thread, the line for the domain that thread took last.
class DomainSource {
public:
    virtual ~DomainSource() = default;
    virtual bool next(StringBuffer& domain) = 0;
    virtual bool finish(bool isError, const StringBuffer& line) = 0;
};

// From now on no run hands out a domain, so the workers end after the domains in flight. Safe to
// call from a signal handler.
void stopTakingDomains();
bool stoppedTakingDomains();

// One run's domains: the input file, or a shared queue set before the workers start.
class DomainQueue {
public:
    DomainQueue(RunStatistics& statistics, ResumeJournal& journal)
        : m_statistics(statistics), m_journal(journal) {}
    DomainQueue(const DomainQueue&) = delete;
    DomainQueue& operator=(const DomainQueue&) = delete;
    ~DomainQueue() { closeInputStream(); }

    // Hands the input stream to the queue; null closes nothing and makes the queue empty.
    void setInputStream(FILE* stream);
    // Closes the input stream if no worker has done so yet.
    void closeInputStream();
    // Null returns to the input file.
    void setSource(DomainSource* source) { m_source = source; }
    DomainSource* source() const { return m_source; }

    // Takes the next valid domain from the input, lower-cased and trimmed; false once the input
    // is exhausted. Invalid lines are logged as "Invalid Domain: %s\n" and skipped.
    bool next(StringBuffer& domain);

private:
    RunStatistics& m_statistics;
    ResumeJournal& m_journal;
    std::mutex m_inLock;
    FILE* m_in = nullptr;
    DomainSource* m_source = nullptr;
};

// Trims a line read from the input and lower-cases it; an international name keeps its Unicode
// form, an A-label stays one.
void normaliseDomainLine(StringBuffer& line);
// A domain is valid when it converts to a host name whose last label is a top-level domain.
bool isValidDomain(const StringBuffer& domain);
