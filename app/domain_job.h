// The per-domain job the worker pool runs, and the per-worker state it needs.
#pragma once

#include "base/string_buffer.h"

struct DomainResult;

class HttpMan;
class SiteAnalyzer;

// Called once on the main thread before any worker starts; prepares the state of workers 0 to n-1.
void createAnalyzers(int n);

// Called by worker `workerIndex` with a valid domain and an empty result line. On return the
// result line is either empty (the job wrote its own line to the error file) or the line to
// write to the result file.
void runDomainJob(int workerIndex, const StringBuffer& domain, StringBuffer& resultLine);

// The per-job HTTP object with the crawler's settings; owned by the caller.
HttpMan* createJobHttp();
// Worker i's analyzer, null outside the table or before createAnalyzers.
SiteAnalyzer* workerAnalyzer(int workerIndex);
// The result fields of an analysed domain.
void fillDomainResult(const StringBuffer& domain, const SiteAnalyzer& analyzer, DomainResult& result);
// The seven-field result line of an analysed domain (formatPipeLine).
void buildResultLine(const StringBuffer& domain, SiteAnalyzer& analyzer, StringBuffer& resultLine);
