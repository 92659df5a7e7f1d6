#include "app/resume_journal.h"

#include "base/string_buffer.h"
#include "http/limits.h"

#include <cinttypes>
#include <cstring>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct JournalState {
    bool active = false;
    bool resumed = false;
    FILE* journal = nullptr;
    StringBuffer path;
    int64_t low = 0;     // every line starting below is written
    int64_t readEnd = 0; // the input read so far
    int64_t outSize = 0;
    int64_t errSize = 0;
    std::set<int64_t> done;     // lines at or above `low` written out of order
    std::set<int64_t> inFlight; // lines taken and not yet written
    int records = 0;
};

JournalState state;
std::mutex stateLock;
// The input line the calling worker is running.
thread_local int64_t tl_lineAt = -1;

void journalPath(const char* outFile, StringBuffer& path) {
    path.setString(outFile);
    path.append(".resume");
}

// Lines below the lowest one in flight, or below the input read so far, are all written.
void advanceLow() {
    state.low = state.inFlight.empty() ? state.readEnd : *state.inFlight.begin();
    state.done.erase(state.done.begin(), state.done.lower_bound(state.low));
}

void writeCheckpoint(FILE* f) {
    std::fprintf(f, "c %" PRId64 " %" PRId64 " %" PRId64 "\n", state.low, state.outSize, state.errSize);
    for (int64_t at : state.done)
        std::fprintf(f, "d %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 "\n", at, state.low, state.outSize,
                     state.errSize);
}

// Replaces the journal by one checkpoint; the rename makes the swap whole even if killed here.
bool compactJournal() {
    StringBuffer temp;
    temp.setSb(state.path);
    temp.append(".new");
    FILE* f = std::fopen(temp.getString(), "w");
    if (f == nullptr)
        return false;
    writeCheckpoint(f);
    bool written = std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    std::fclose(f);
    if (!written || std::rename(temp.getString(), state.path.getString()) != 0)
        return false;
    if (state.journal != nullptr)
        std::fclose(state.journal);
    state.journal = std::fopen(state.path.getString(), "a");
    state.records = 0;
    return state.journal != nullptr;
}

// One record of the journal; false for a torn or foreign line, where reading stops.
bool readRecord(const char* line) {
    int64_t at = 0, low = 0, out = 0, err = 0;
    if (std::strcmp(line, "complete") == 0) {
        state.resumed = false;
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
    state.resumed = true;
    state.low = low;
    state.outSize = out;
    state.errSize = err;
    if (at >= low)
        state.done.insert(at);
    state.done.erase(state.done.begin(), state.done.lower_bound(low));
    return true;
}

// A file shorter than the journal says was changed by hand: cutting would pad it with zeros.
bool cutTo(FILE* stream, int64_t size) {
    std::fflush(stream);
    struct stat info;
    return fstat(fileno(stream), &info) == 0 && info.st_size >= size &&
           ftruncate(fileno(stream), size) == 0 && fseeko(stream, 0, SEEK_END) == 0;
}

} // namespace

bool loadResumeJournal(const char* outFile) {
    std::lock_guard<std::mutex> guard(stateLock);
    state = JournalState();
    journalPath(outFile, state.path);
    FILE* f = std::fopen(state.path.getString(), "rb");
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
    if (!state.resumed) {
        state.done.clear();
        state.low = state.outSize = state.errSize = 0;
    }
    return state.resumed;
}

bool beginResumableRun(const char* outFile, FILE* in, FILE* out, FILE* err) {
    std::lock_guard<std::mutex> guard(stateLock);
    if (state.path.getSize() == 0)
        journalPath(outFile, state.path);
    if (state.resumed) {
        if (!cutTo(out, state.outSize) || !cutTo(err, state.errSize) ||
            fseeko(in, state.low, SEEK_SET) != 0) {
            std::printf("Failed to resume from %s\n", state.path.getString());
            return false;
        }
        std::printf("Resuming at input byte %" PRId64 "\n", state.low);
    }
    state.readEnd = state.low;
    state.inFlight.clear();
    if (!compactJournal()) {
        std::printf("Failed to open %s\n", state.path.getString());
        return false;
    }
    state.active = true;
    return true;
}

void endResumableRun(bool complete) {
    std::lock_guard<std::mutex> guard(stateLock);
    if (state.journal != nullptr) {
        if (complete)
            std::fputs("complete\n", state.journal);
        std::fclose(state.journal);
    }
    state.journal = nullptr;
    state.active = false;
}

bool resumableRunActive() {
    std::lock_guard<std::mutex> guard(stateLock);
    return state.active;
}

bool resumeTakeLine(int64_t at, int64_t end, bool valid) {
    std::lock_guard<std::mutex> guard(stateLock);
    state.readEnd = end;
    if (!valid || state.done.count(at) != 0) {
        advanceLow();
        return false;
    }
    state.inFlight.insert(at);
    tl_lineAt = at;
    return true;
}

void resumeLineWritten(int64_t outSize, int64_t errSize) {
    std::lock_guard<std::mutex> guard(stateLock);
    if (!state.active || tl_lineAt < 0)
        return;
    int64_t at = tl_lineAt;
    tl_lineAt = -1;
    state.inFlight.erase(at);
    state.done.insert(at);
    state.outSize = outSize;
    state.errSize = errSize;
    advanceLow();
    if (state.journal == nullptr)
        return;
    std::fprintf(state.journal, "d %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 "\n", at, state.low, outSize,
                 errSize);
    std::fflush(state.journal);
    if (++state.records >= HttpLimits::kResumeCompactRecords && !compactJournal())
        std::printf("Failed to rewrite %s\n", state.path.getString());
}
