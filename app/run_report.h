// The run report: one HTML page beside the result file ("<outFile>.report.html") that a person
// opens after a long run. It holds aggregates only (counts, the most frequent values, the
// run's course), so its size does not grow with the number of domains; no scripts and nothing
// loaded from elsewhere, the charts are inline SVG.
#pragma once

#include "base/string_buffer.h"

struct DomainResult;

// Counts an analysed domain's country, state and charset; a failed domain counts by its cause.
void tallyForReport(const DomainResult& result);
// Writes the page for the run that just ended; false (with the reason in the log) when the
// file cannot be written.
bool writeRunReport(const char* outFile);
// The page's text.
void buildRunReport(StringBuffer& html);
