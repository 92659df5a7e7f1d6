#include "app/domain_job.h"

#include "analysis/site_analyzer.h"
#include "analysis/site_crawl.h"
#include "app/analyzer_priming.h"
#include "app/result_files.h"
#include "base/content_coding.h"
#include "base/data_buffer.h"
#include "base/domain_helpers.h"
#include "base/utf8_text.h"
#include "http/http_man.h"
#include "http/limits.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int kAnalyzerTableSize = 124;
// Slot i belongs to worker i only; filled on the main thread before any worker starts.
SiteAnalyzer* g_analyzerTable[kAnalyzerTableSize] = {};

// "Quenlow/1.1 (+http://orrastead.example/quenlow.html)", kept in Base64 among the constants.
const char* const kUserAgentBase64 =
    "UXVlbmxvdy8xLjEgKCtodHRwOi8vb3JyYXN0ZWFkLmV4YW1wbGUvcXVlbmxvdy5odG1sKQ==";

constexpr int kJobMaxConnections = 5;
constexpr int kJobMaxContentLength = 250000;
constexpr int kJobConnectTimeoutSec = 5;
constexpr int kJobReadTimeoutSec = 8;

// A field never holds the separator or a line break: '|', TAB, CR and LF become blanks, and the
// blanks a replacement leaves are collapsed.
void cleanField(StringBuffer& field) {
    field.replaceChar('|', ' ');
    collapseUtf8Whitespace(field);
}

void appendField(StringBuffer& line, const StringBuffer& field) {
    line.appendChar('|');
    line.appendSb(field);
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

void createAnalyzers(int n) {
    for (int i = 0; i < n && i < kAnalyzerTableSize; ++i) {
        if (g_analyzerTable[i] == nullptr)
            g_analyzerTable[i] = newWorkerAnalyzer().release();
    }
}

SiteAnalyzer* workerAnalyzer(int workerIndex) {
    return workerIndex >= 0 && workerIndex < kAnalyzerTableSize ? g_analyzerTable[workerIndex] : nullptr;
}

void buildResultLine(const StringBuffer& domain, SiteAnalyzer& a, StringBuffer& resultLine) {
    for (StringBuffer* field :
         {&a.country, &a.state, &a.charset, &a.googleId, &a.siteTitle, &a.homeWordVector})
        cleanField(*field);
    StringBuffer queued(domain.getString());
    cleanField(queued);
    resultLine.clear();
    resultLine.appendSb(queued);
    appendField(resultLine, a.country);
    appendField(resultLine, a.state);
    appendField(resultLine, a.charset);
    appendField(resultLine, a.googleId);
    appendField(resultLine, a.siteTitle);
    appendField(resultLine, a.homeWordVector);
}

void runDomainJob(int workerIndex, const StringBuffer& domain, StringBuffer& resultLine) {
    resultLine.clear();
    SiteAnalyzer* analyzer = workerAnalyzer(workerIndex);
    std::unique_ptr<HttpMan> http(createJobHttp());
    http->SetTimeBudgetMs(HttpLimits::kDomainBudgetMs);
    // DNS, the Host line and the on-site tests need the A-label; the lines keep the queue's form.
    StringBuffer host;
    bool analysed = analyzer != nullptr && toAsciiHost(domain.getString(), host) &&
                    analyzeSite(*analyzer, *http, host.getString());
    if (http->GetTimeBudgetSpent()) {
        std::printf("Time budget spent: %s\n", domain.getString());
        std::fflush(stdout);
    }
    if (analysed) {
        buildResultLine(domain, *analyzer, resultLine);
        return;
    }
    StringBuffer error("Failed: ");
    error.appendSb(domain);
    writeErrorLine(error);
}
