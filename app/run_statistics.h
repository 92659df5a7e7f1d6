// Counters of one crawl run, for the progress line a person watching the run sees on a terminal
// and for the summary line the log gets at the end. Updated by the queue and the workers.
#pragma once

#include "http/fetch_failure.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// One point of the run's course: domains finished after that many seconds.
struct ThroughputSample {
    double seconds;
    int done;
};

class RunStatistics {
public:
    std::atomic<int> read{0};                           // domain lines taken from the input
    std::atomic<int> invalid{0};                        // lines that were no valid domain
    std::atomic<int> analysed{0};                       // domains whose job has finished
    std::atomic<int> results{0};                        // of them, with a result line
    std::atomic<int> failed{0};                         // of them, with an error line
    std::atomic<int> failedBy[kFetchFailureCount] = {}; // failures by cause
    // Bytes of the input read so far and its size, for the share read and the time left; the
    // size is set when the input is opened (0 when unknown).
    std::atomic<int64_t> inputBytesRead{0};
    std::atomic<int64_t> inputBytesTotal{0};
    std::atomic<double> seconds{0}; // length of the run, set by its summary

    // The progress line, overwriting itself, on standard error when that is a terminal. Also
    // takes a point of the run's course.
    void showProgress(double elapsedSeconds);
    // The summary line of the run, into the log (standard output), and one line with the count
    // of each failure cause.
    void logSummary(double elapsedSeconds);
    // The points taken so far, at most HttpLimits::kMaxThroughputSamples, oldest first.
    std::vector<ThroughputSample> samples() const;
    // The progress line's text, without the leading CR.
    void formatProgress(double elapsedSeconds, char* out, int outSize) const;

private:
    void takeSample(double elapsedSeconds);

    mutable std::mutex m_samplesLock;
    std::vector<ThroughputSample> m_samples;
    // A point is taken once this many seconds have passed since the last; doubles as points thin out.
    double m_sampleEvery = 1.0;
};
