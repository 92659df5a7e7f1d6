#include "app/run_statistics.h"

#include "http/limits.h"

#include <cstdio>
#include <unistd.h>

void RunStatistics::takeSample(double elapsedSeconds) {
    std::lock_guard<std::mutex> guard(m_samplesLock);
    if (!m_samples.empty() && elapsedSeconds - m_samples.back().seconds < m_sampleEvery)
        return;
    if (m_samples.size() >= static_cast<size_t>(HttpLimits::kMaxThroughputSamples)) {
        size_t kept = 0;
        for (size_t i = 0; i < m_samples.size(); i += 2)
            m_samples[kept++] = m_samples[i];
        m_samples.resize(kept);
        m_sampleEvery *= 2;
    }
    m_samples.push_back({elapsedSeconds, analysed.load()});
}

void RunStatistics::formatProgress(double elapsedSeconds, char* out, int outSize) const {
    int done = analysed.load();
    double rate = elapsedSeconds > 0 ? done / elapsedSeconds : 0.0;
    int n = std::snprintf(out, static_cast<size_t>(outSize),
                          "%d domains done, %d results, %d failures, %.1f domains/s", done, results.load(),
                          failed.load(), rate);
    int64_t total = inputBytesTotal.load();
    int64_t readBytes = inputBytesRead.load();
    if (n < 0 || n >= outSize || total <= 0 || readBytes <= 0)
        return;
    // The rest of the input takes as long per byte as what was read so far.
    double left = elapsedSeconds * static_cast<double>(total - readBytes) / static_cast<double>(readBytes);
    int minutes = static_cast<int>(left / 60);
    std::snprintf(out + n, static_cast<size_t>(outSize - n), ", %.0f%% of the input read, about %d:%02d left",
                  100.0 * static_cast<double>(readBytes) / static_cast<double>(total), minutes / 60,
                  minutes % 60);
}

void RunStatistics::showProgress(double elapsedSeconds) {
    takeSample(elapsedSeconds);
    if (isatty(STDERR_FILENO) == 0)
        return;
    char line[256];
    formatProgress(elapsedSeconds, line, sizeof(line));
    std::fprintf(stderr, "\r%s   ", line);
    std::fflush(stderr);
}

void RunStatistics::logSummary(double elapsedSeconds) {
    seconds = elapsedSeconds;
    takeSample(elapsedSeconds);
    std::printf("Run summary: %d domains read, %d invalid, %d analysed, %d failed, %.0f seconds\n",
                read.load(), invalid.load(), analysed.load(), failed.load(), elapsedSeconds);
    std::printf("Failure causes:");
    for (int i = 1; i < kFetchFailureCount; ++i)
        std::printf(" %s %d%s", fetchFailureWord(static_cast<FetchFailure>(i)), failedBy[i].load(),
                    i + 1 < kFetchFailureCount ? "," : "\n");
    std::fflush(stdout);
    if (isatty(STDERR_FILENO) != 0)
        std::fprintf(stderr, "\n");
}

std::vector<ThroughputSample> RunStatistics::samples() const {
    std::lock_guard<std::mutex> guard(m_samplesLock);
    return m_samples;
}
