// The per-domain job the worker pool runs, and the per-worker state it needs.
#pragma once

#include "app/crawl_job.h"
#include "app/worker_pool.h"
#include "base/string_buffer.h"

#include <memory>

struct DomainResult;

class HttpMan;
class SiteAnalyzer;

// The crawler's own job: the configuration file in the working directory, a primed analyzer per
// worker, and the analysis of each domain's site.
class SiteCrawlJob : public CrawlJob {
public:
    SiteCrawlJob();
    ~SiteCrawlJob() override;
    bool readConfigurationFile(const char* path, CrawlerConfig& config) override;
    bool loadConfiguration(CrawlerConfig& config) override;
    void createAnalyzers(int n) override;
    void runDomainJob(CrawlRun& run, int workerIndex, const StringBuffer& domain,
                      StringBuffer& resultLine) override;

private:
    // Slot i belongs to worker i only; filled on the main thread before any worker starts.
    std::unique_ptr<SiteAnalyzer> m_analyzers[kMaxWorkerThreads];
};

// The per-job HTTP object with the crawler's settings; owned by the caller.
HttpMan* createJobHttp();
// The result fields of an analysed domain.
void fillDomainResult(const StringBuffer& domain, const SiteAnalyzer& analyzer, DomainResult& result);
// The seven-field result line of an analysed domain (formatPipeLine).
void buildResultLine(const StringBuffer& domain, SiteAnalyzer& analyzer, StringBuffer& resultLine);
