#include "app/run_statistics.h"

#include <cstdio>
#include <unistd.h>

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
}

void showProgress(double elapsedSeconds) {
    if (isatty(STDERR_FILENO) == 0)
        return;
    const RunStatistics& s = runStatistics();
    int done = s.analysed.load();
    double rate = elapsedSeconds > 0 ? done / elapsedSeconds : 0.0;
    std::fprintf(stderr, "\r%d domains done, %d results, %d failures, %.1f domains/s   ", done,
                 s.results.load(), s.failed.load(), rate);
    std::fflush(stderr);
}

void logRunSummary(double elapsedSeconds) {
    const RunStatistics& s = runStatistics();
    std::printf("Run summary: %d domains read, %d invalid, %d analysed, %d failed, %.0f seconds\n",
                s.read.load(), s.invalid.load(), s.analysed.load(), s.failed.load(), elapsedSeconds);
    std::fflush(stdout);
    if (isatty(STDERR_FILENO) != 0)
        std::fprintf(stderr, "\n");
}
