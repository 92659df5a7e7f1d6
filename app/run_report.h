// The run report: one HTML page beside the result file ("<outFile>.report.html") that a person
// opens after a long run. It holds aggregates only (counts, the most frequent values, the
// run's course), so its size does not grow with the number of domains; no scripts and nothing
// loaded from elsewhere, the charts are inline SVG.
#pragma once

#include "app/run_statistics.h"
#include "base/string_buffer.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct DomainResult;

// The countries, states and charsets of one run's analysed domains, counted as the workers
// finish them.
class ReportTallies {
public:
    // Counts an analysed domain's country, state and charset; a failed domain is left out.
    void add(const DomainResult& result);
    // One bar chart per field, of its most frequent values.
    void appendCharts(StringBuffer& html) const;

private:
    // The distinct values of one field with their counts, at most kMaxReportValues of them.
    struct Tally {
        std::map<std::string, int> counts;
        void add(const StringBuffer& value);
        std::vector<std::pair<std::string, int>> top() const;
    };
    mutable std::mutex m_lock;
    Tally m_countries, m_states, m_charsets;
};

// Writes the page for the run that just ended; false (with the reason in the log) when the
// file cannot be written.
bool writeRunReport(const char* outFile, const RunStatistics& statistics, const ReportTallies& tallies);
// The page's text.
void buildRunReport(const RunStatistics& statistics, const ReportTallies& tallies, StringBuffer& html);
