// Runs that resume. With `resume` on, a run killed at any moment (SIGKILL included) and started
// again finishes its list with every domain's line written exactly once, and runs again only
// the domains that were in flight at the kill.
//
// The journal "<outFile>.resume" beside the result file holds text records, one a line:
//   c LOW OUT ERR          every input line starting below byte LOW has its line written, and the
//                          result and error files were OUT and ERR bytes long
//   d AT LOW OUT ERR       the line of the domain at input byte AT is written; the same facts after it
//   complete               the run finished its list
// Each line goes to its file and its record to the journal under one lock, both flushed, so the
// last whole record gives the exact sizes of the two files that belong to finished domains. A
// restart cuts the files back to those sizes (a torn line, or a line whose record was not written
// yet, goes and its domain runs again), reads the input from LOW and skips the domains recorded
// at or above LOW. Memory stays bounded: the domains below LOW are forgotten, so what is kept is
// one window of work finished out of order. The journal is rewritten as one checkpoint every
// kResumeCompactRecords records, so it stays a few MiB for any length of list.
#pragma once

#include "base/string_buffer.h"

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <set>

class ResumeJournal {
public:
    ResumeJournal() = default;
    ResumeJournal(const ResumeJournal&) = delete;
    ResumeJournal& operator=(const ResumeJournal&) = delete;
    ~ResumeJournal();

    // Reads the journal of the result file `outFile`. True when it holds a run that did not
    // finish, which this run then continues; false when there is none or the last one completed.
    bool load(const char* outFile);
    // Starts journaling for the open files: a resumed run cuts the result and error files back to
    // the journal's sizes and positions the input at its checkpoint; a new run starts a new journal.
    bool begin(const char* outFile, FILE* in, FILE* out, FILE* err);
    // Records "complete" when the list was finished, and stops journaling.
    void end(bool complete);
    bool active() const;

    // Called under the input lock for each line read from the input, [at, end) its bytes. False
    // when the line is to be skipped: not a valid domain, or its line was written by an earlier
    // run. A valid line becomes the calling worker's domain in flight.
    bool takeLine(int64_t at, int64_t end, bool valid);
    // Called under the lock of the files right after the calling worker's line was written and
    // flushed; the files' sizes now.
    void lineWritten(int64_t outSize, int64_t errSize);

private:
    void advanceLow();
    void writeCheckpoint(FILE* f) const;
    bool compact();
    bool readRecord(const char* line);

    mutable std::mutex m_lock;
    bool m_active = false;
    bool m_resumed = false;
    FILE* m_journal = nullptr;
    StringBuffer m_path;
    int64_t m_low = 0;     // every line starting below is written
    int64_t m_readEnd = 0; // the input read so far
    int64_t m_outSize = 0;
    int64_t m_errSize = 0;
    std::set<int64_t> m_done;     // lines at or above `m_low` written out of order
    std::set<int64_t> m_inFlight; // lines taken and not yet written
    int m_records = 0;
};
