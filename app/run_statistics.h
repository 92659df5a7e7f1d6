// Counters of one crawl run, for the progress line a person watching the run sees on a terminal
// and for the summary line the log gets at the end. Updated by the queue and the workers.
#pragma once

#include <atomic>

struct RunStatistics {
    std::atomic<int> read{0};     // domain lines taken from the input
    std::atomic<int> invalid{0};  // lines that were no valid domain
    std::atomic<int> analysed{0}; // domains whose job has finished
    std::atomic<int> results{0};  // of them, with a result line
    std::atomic<int> failed{0};   // of them, with an error line
};

RunStatistics& runStatistics();
void resetRunStatistics();
// The progress line, overwriting itself, on standard error when that is a terminal.
void showProgress(double elapsedSeconds);
// The summary line of the run, into the log (standard output).
void logRunSummary(double elapsedSeconds);
