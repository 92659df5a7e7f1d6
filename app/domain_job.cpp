#include "app/domain_job.h"

#include "analysis/site_analyzer.h"
#include "analysis/site_crawl.h"
#include "app/analyzer_priming.h"
#include "app/configuration.h"
#include "app/crawl_run.h"
#include "base/content_coding.h"
#include "base/data_buffer.h"
#include "base/domain_helpers.h"
#include "http/http_man.h"
#include "http/limits.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// "Quenlow/1.1 (+http://orrastead.example/quenlow.html)", kept in Base64 among the constants.
const char* const kUserAgentBase64 =
    "UXVlbmxvdy8xLjEgKCtodHRwOi8vb3JyYXN0ZWFkLmV4YW1wbGUvcXVlbmxvdy5odG1sKQ==";

constexpr int kJobMaxConnections = 5;
constexpr int kJobMaxContentLength = 250000;
constexpr int kJobConnectTimeoutSec = 5;
constexpr int kJobReadTimeoutSec = 8;

// The cause the job reports. A page the analysis refused says most; otherwise a spent time
// budget is why nothing more was tried.
FetchFailure jobFailure(const HttpMan& http, StringBuffer& detail) {
    FetchFailure cause = http.GetFailure();
    detail.setSb(http.GetFailureDetail());
    bool refusedPage =
        cause == FetchFailure::Parked || cause == FetchFailure::ForSale || cause == FetchFailure::DeadPage;
    if (!refusedPage && http.GetTimeBudgetSpent()) {
        detail.clear();
        detail.appendInt(static_cast<int>(HttpLimits::kDomainBudgetMs / 1000));
        detail.append(" s");
        return FetchFailure::Budget;
    }
    return cause == FetchFailure::None ? FetchFailure::Other : cause;
}

void writeFailure(CrawlRun& run, const DomainResult& result) {
    std::printf("Failed: %s: %s%s%s\n", result.domain.getString(), fetchFailureWord(result.failure),
                result.detail.getSize() > 0 ? " " : "", result.detail.getString());
    ++run.statistics.failedBy[static_cast<int>(result.failure)];
    StringBuffer error("Failed: ");
    error.appendSb(result.domain);
    run.files.writeErrorLine(error);
    // JSON Lines hold every domain; the error file keeps its one form either way.
    if (run.format == ResultFormat::Jsonl) {
        StringBuffer line;
        formatJsonLine(result, line);
        run.files.writeResultLine(line);
    }
}

} // namespace

HttpMan* createJobHttp() {
    auto* http = new HttpMan();
    http->SetUseHttpCache(true);
    http->SetFetchFromCache(false);
    http->SetUpdateCache(false);
    http->SetMaxConnections(kJobMaxConnections);
    ContentCoding coding;
    DataBuffer agent;
    coding.decodeBase64(kUserAgentBase64, static_cast<uint32_t>(std::strlen(kUserAgentBase64)), agent);
    StringBuffer agentText;
    agentText.appendDb(agent);
    http->SetUserAgent(agentText.getString());
    http->SetMaxContentLength(kJobMaxContentLength);
    http->SetCutOversizeBody(true);
    http->SetConnectTimeout(kJobConnectTimeoutSec);
    http->SetReadTimeout(kJobReadTimeoutSec);
    return http;
}

bool SiteCrawlJob::readConfigurationFile(const char* path, CrawlerConfig& config) {
    return ::readConfigurationFile(path, config);
}

bool SiteCrawlJob::loadConfiguration(CrawlerConfig& config) {
    return ::loadConfiguration(config);
}

SiteCrawlJob::SiteCrawlJob() = default;
SiteCrawlJob::~SiteCrawlJob() = default;

void SiteCrawlJob::createAnalyzers(int n) {
    for (int i = 0; i < n && i < kMaxWorkerThreads; ++i) {
        if (m_analyzers[i] == nullptr)
            m_analyzers[i] = newWorkerAnalyzer();
    }
}

void fillDomainResult(const StringBuffer& domain, const SiteAnalyzer& a, DomainResult& result) {
    result.domain.setSb(domain);
    result.country.setSb(a.country);
    result.state.setSb(a.state);
    result.charset.setSb(a.charset);
    result.adId.setSb(a.googleId);
    result.title.setSb(a.siteTitle);
    result.words.setSb(a.homeWordVector);
}

void buildResultLine(const StringBuffer& domain, SiteAnalyzer& a, StringBuffer& resultLine) {
    DomainResult result;
    fillDomainResult(domain, a, result);
    formatPipeLine(result, resultLine);
}

void SiteCrawlJob::runDomainJob(CrawlRun& run, int workerIndex, const StringBuffer& domain,
                                StringBuffer& resultLine) {
    resultLine.clear();
    SiteAnalyzer* analyzer =
        workerIndex >= 0 && workerIndex < kMaxWorkerThreads ? m_analyzers[workerIndex].get() : nullptr;
    std::unique_ptr<HttpMan> http(createJobHttp());
    http->SetTimeBudgetMs(HttpLimits::kDomainBudgetMs);
    // DNS, the Host line and the on-site tests need the A-label; the lines keep the queue's form.
    StringBuffer host;
    bool named = toAsciiHost(domain.getString(), host);
    if (!named)
        http->NoteFailure(FetchFailure::InvalidUrl, domain.getString());
    bool analysed = analyzer != nullptr && named && analyzeSite(*analyzer, *http, host.getString());
    if (http->GetTimeBudgetSpent()) {
        std::printf("Time budget spent: %s\n", domain.getString());
        std::fflush(stdout);
    }
    DomainResult result;
    if (analysed) {
        fillDomainResult(domain, *analyzer, result);
        run.tallies.add(result);
        if (run.format == ResultFormat::Jsonl)
            formatJsonLine(result, resultLine);
        else
            formatPipeLine(result, resultLine);
        return;
    }
    result.domain.setSb(domain);
    result.failure = jobFailure(*http, result.detail);
    writeFailure(run, result);
}
