#include "app/resume_journal.h"

#include "http/limits.h"

#include <cinttypes>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The input line the calling worker is running.
thread_local int64_t tl_lineAt = -1;

void journalPath(const char* outFile, StringBuffer& path) {
    path.setString(outFile);
    path.append(".resume");
}

// A file shorter than the journal says was changed by hand: cutting would pad it with zeros.
bool cutTo(FILE* stream, int64_t size) {
    std::fflush(stream);
    struct stat info;
    return fstat(fileno(stream), &info) == 0 && info.st_size >= size &&
           ftruncate(fileno(stream), size) == 0 && fseeko(stream, 0, SEEK_END) == 0;
}

} // namespace

ResumeJournal::~ResumeJournal() {
    if (m_journal != nullptr)
        std::fclose(m_journal);
}

// Lines below the lowest one in flight, or below the input read so far, are all written.
void ResumeJournal::advanceLow() {
    m_low = m_inFlight.empty() ? m_readEnd : *m_inFlight.begin();
    m_done.erase(m_done.begin(), m_done.lower_bound(m_low));
}

void ResumeJournal::writeCheckpoint(FILE* f) const {
    std::fprintf(f, "c %" PRId64 " %" PRId64 " %" PRId64 "\n", m_low, m_outSize, m_errSize);
    for (int64_t at : m_done)
        std::fprintf(f, "d %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 "\n", at, m_low, m_outSize,
                     m_errSize);
}

// Replaces the journal by one checkpoint; the rename makes the swap whole even if killed here.
bool ResumeJournal::compact() {
    StringBuffer temp;
    temp.setSb(m_path);
    temp.append(".new");
    FILE* f = std::fopen(temp.getString(), "w");
    if (f == nullptr)
        return false;
    writeCheckpoint(f);
    bool written = std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    std::fclose(f);
    if (!written || std::rename(temp.getString(), m_path.getString()) != 0)
        return false;
    if (m_journal != nullptr)
        std::fclose(m_journal);
    m_journal = std::fopen(m_path.getString(), "a");
    m_records = 0;
    return m_journal != nullptr;
}

// One record of the journal; false for a torn or foreign line, where reading stops.
bool ResumeJournal::readRecord(const char* line) {
    int64_t at = 0, low = 0, out = 0, err = 0;
    if (std::strcmp(line, "complete") == 0) {
        m_resumed = false;
        return true;
    }
    if (std::sscanf(line, "c %" SCNd64 " %" SCNd64 " %" SCNd64, &low, &out, &err) == 3) {
        at = -1;
    } else if (std::sscanf(line, "d %" SCNd64 " %" SCNd64 " %" SCNd64 " %" SCNd64, &at, &low, &out, &err) !=
               4) {
        return false;
    }
    if (low < 0 || out < 0 || err < 0)
        return false;
    m_resumed = true;
    m_low = low;
    m_outSize = out;
    m_errSize = err;
    if (at >= low)
        m_done.insert(at);
    m_done.erase(m_done.begin(), m_done.lower_bound(low));
    return true;
}

bool ResumeJournal::load(const char* outFile) {
    std::lock_guard<std::mutex> guard(m_lock);
    journalPath(outFile, m_path);
    FILE* f = std::fopen(m_path.getString(), "rb");
    if (f == nullptr)
        return false;
    // Records are short; a longer line is not one of ours and ends the reading like a torn one.
    char line[128];
    while (std::fgets(line, sizeof(line), f) != nullptr) {
        size_t n = std::strlen(line);
        if (n == 0 || line[n - 1] != '\n')
            break;
        line[n - 1] = '\0';
        if (!readRecord(line))
            break;
    }
    std::fclose(f);
    if (!m_resumed) {
        m_done.clear();
        m_low = m_outSize = m_errSize = 0;
    }
    return m_resumed;
}

bool ResumeJournal::begin(const char* outFile, FILE* in, FILE* out, FILE* err) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_path.getSize() == 0)
        journalPath(outFile, m_path);
    if (m_resumed) {
        if (!cutTo(out, m_outSize) || !cutTo(err, m_errSize) || fseeko(in, m_low, SEEK_SET) != 0) {
            std::printf("Failed to resume from %s\n", m_path.getString());
            return false;
        }
        std::printf("Resuming at input byte %" PRId64 "\n", m_low);
    }
    m_readEnd = m_low;
    m_inFlight.clear();
    if (!compact()) {
        std::printf("Failed to open %s\n", m_path.getString());
        return false;
    }
    m_active = true;
    return true;
}

void ResumeJournal::end(bool complete) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_journal != nullptr) {
        if (complete)
            std::fputs("complete\n", m_journal);
        std::fclose(m_journal);
    }
    m_journal = nullptr;
    m_active = false;
}

bool ResumeJournal::active() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_active;
}

bool ResumeJournal::takeLine(int64_t at, int64_t end, bool valid) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_readEnd = end;
    if (!valid || m_done.count(at) != 0) {
        advanceLow();
        return false;
    }
    m_inFlight.insert(at);
    tl_lineAt = at;
    return true;
}

void ResumeJournal::lineWritten(int64_t outSize, int64_t errSize) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_active || tl_lineAt < 0)
        return;
    int64_t at = tl_lineAt;
    tl_lineAt = -1;
    m_inFlight.erase(at);
    m_done.insert(at);
    m_outSize = outSize;
    m_errSize = errSize;
    advanceLow();
    if (m_journal == nullptr)
        return;
    std::fprintf(m_journal, "d %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 "\n", at, m_low, outSize,
                 errSize);
    std::fflush(m_journal);
    if (++m_records >= HttpLimits::kResumeCompactRecords && !compact())
        std::printf("Failed to rewrite %s\n", m_path.getString());
}
