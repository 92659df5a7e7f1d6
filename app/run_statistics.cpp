#include "app/run_statistics.h"

#include "http/limits.h"

#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex g_samplesLock;
std::vector<ThroughputSample> g_samples;
// A point is taken once this many seconds have passed since the last; doubles as points thin out.
double g_sampleEvery = 1.0;

void takeSample(double elapsedSeconds) {
    std::lock_guard<std::mutex> guard(g_samplesLock);
    if (!g_samples.empty() && elapsedSeconds - g_samples.back().seconds < g_sampleEvery)
        return;
    if (g_samples.size() >= static_cast<size_t>(HttpLimits::kMaxThroughputSamples)) {
        size_t kept = 0;
        for (size_t i = 0; i < g_samples.size(); i += 2)
            g_samples[kept++] = g_samples[i];
        g_samples.resize(kept);
        g_sampleEvery *= 2;
    }
    g_samples.push_back({elapsedSeconds, runStatistics().analysed.load()});
}

} // namespace

RunStatistics& runStatistics() {
    static RunStatistics statistics;
    return statistics;
}

void resetRunStatistics() {
    RunStatistics& s = runStatistics();
    s.read = 0;
    s.invalid = 0;
    s.analysed = 0;
    s.results = 0;
    s.failed = 0;
    for (auto& count : s.failedBy)
        count = 0;
    s.inputBytesRead = 0;
    s.seconds = 0;
    std::lock_guard<std::mutex> guard(g_samplesLock);
    g_samples.clear();
    g_sampleEvery = 1.0;
}

void formatProgress(double elapsedSeconds, char* out, int outSize) {
    const RunStatistics& s = runStatistics();
    int done = s.analysed.load();
    double rate = elapsedSeconds > 0 ? done / elapsedSeconds : 0.0;
    int n = std::snprintf(out, static_cast<size_t>(outSize),
                          "%d domains done, %d results, %d failures, %.1f domains/s", done, s.results.load(),
                          s.failed.load(), rate);
    int64_t total = s.inputBytesTotal.load();
    int64_t read = s.inputBytesRead.load();
    if (n < 0 || n >= outSize || total <= 0 || read <= 0)
        return;
    // The rest of the input takes as long per byte as what was read so far.
    double left = elapsedSeconds * static_cast<double>(total - read) / static_cast<double>(read);
    int minutes = static_cast<int>(left / 60);
    std::snprintf(out + n, static_cast<size_t>(outSize - n), ", %.0f%% of the input read, about %d:%02d left",
                  100.0 * static_cast<double>(read) / static_cast<double>(total), minutes / 60, minutes % 60);
}

void showProgress(double elapsedSeconds) {
    takeSample(elapsedSeconds);
    if (isatty(STDERR_FILENO) == 0)
        return;
    char line[256];
    formatProgress(elapsedSeconds, line, sizeof(line));
    std::fprintf(stderr, "\r%s   ", line);
    std::fflush(stderr);
}

void logRunSummary(double elapsedSeconds) {
    RunStatistics& s = runStatistics();
    s.seconds = elapsedSeconds;
    takeSample(elapsedSeconds);
    std::printf("Run summary: %d domains read, %d invalid, %d analysed, %d failed, %.0f seconds\n",
                s.read.load(), s.invalid.load(), s.analysed.load(), s.failed.load(), elapsedSeconds);
    std::printf("Failure causes:");
    for (int i = 1; i < kFetchFailureCount; ++i)
        std::printf(" %s %d%s", fetchFailureWord(static_cast<FetchFailure>(i)), s.failedBy[i].load(),
                    i + 1 < kFetchFailureCount ? "," : "\n");
    std::fflush(stdout);
    if (isatty(STDERR_FILENO) != 0)
        std::fprintf(stderr, "\n");
}

std::vector<ThroughputSample> throughputSamples() {
    std::lock_guard<std::mutex> guard(g_samplesLock);
    return g_samples;
}
