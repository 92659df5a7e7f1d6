// A crawl job that records what the driver asks of it, so the process entry and the worker pool
// can be driven without the real crawler behind them.
#pragma once

#include "app/crawl_job.h"

#include <functional>
#include <string>
#include <vector>

struct RecordingJob : CrawlJob {
    bool readConfigurationFile(const char* path, CrawlerConfig& config) override;
    bool loadConfiguration(CrawlerConfig& config) override;
    void createAnalyzers(int n) override;
    void runDomainJob(CrawlRun& run, int workerIndex, const StringBuffer& domain,
                      StringBuffer& resultLine) override;

    RecordingJob();

    bool configLoads = true;
    CrawlerConfig config; // log.txt, in.txt, out.txt and err.txt, the default worker count

    int analyzersCreated = 0;
    // Slot i is written only by worker i.
    std::vector<std::string> domainsByWorker[128];
    // Every n-th job (by a hash of the domain) fails and writes its own error line; 0 never.
    int failEvery = 0;

    // Every domain the workers were handed, in no particular order.
    std::vector<std::string> seen() const;
};

// Forks, runs `body` in the child and returns the child's exit status (-1 when it did not
// exit normally). The child ends with _exit, so detached threads cannot outlive the check.
int runInChild(const std::function<int()>& body);

std::vector<std::string> splitLines(const std::string& text);
