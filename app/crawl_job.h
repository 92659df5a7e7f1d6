// What the crawl driver runs but does not own: the configuration reader, the analyzer set-up and
// the domain job. The crawler passes its own (SiteCrawlJob); the driver's tests pass plain objects.
#pragma once

#include "app/crawler_config.h"
#include "base/string_buffer.h"

struct CrawlRun;

class CrawlJob {
public:
    virtual ~CrawlJob() = default;
    // The settings of the file at `path`; false when it is missing or unreadable.
    virtual bool readConfigurationFile(const char* path, CrawlerConfig& config) = 0;
    // The fixed configuration file; false when the process must end without processing anything.
    virtual bool loadConfiguration(CrawlerConfig& config) = 0;
    // Called once on the main thread before any worker starts; prepares workers 0 to n-1.
    virtual void createAnalyzers(int n) = 0;
    // Called by worker `workerIndex` of `run` with a valid domain and an empty result line. On
    // return the result line is either empty (the job wrote its own line to the run's error file)
    // or the line to write to the result file.
    virtual void runDomainJob(CrawlRun& run, int workerIndex, const StringBuffer& domain,
                              StringBuffer& resultLine) = 0;
};
