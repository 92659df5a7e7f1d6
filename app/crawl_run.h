// The state of one crawl run: where its domains come from, where its lines go, its journal, its
// counters and report tallies, and the form of its lines. The process entry makes one per run and
// hands it to the pool and the jobs, so two runs in one process share nothing.
#pragma once

#include "app/domain_queue.h"
#include "app/result_files.h"
#include "app/result_format.h"
#include "app/resume_journal.h"
#include "app/run_report.h"
#include "app/run_statistics.h"

struct CrawlRun {
    ResultFormat format = ResultFormat::Pipe;
    RunStatistics statistics;
    ReportTallies tallies;
    ResumeJournal journal;
    DomainQueue queue{statistics, journal};
    ResultFiles files{queue, journal};
};
