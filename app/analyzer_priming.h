// Priming a worker's site analyzer: the twelve reference tables decoded and loaded into their
// fields, then the settings every worker runs with.
#pragma once

#include <memory>

class SiteAnalyzer;

// The crawler's settings for every worker: word vectors of 12 words, titles cut near 80 bytes,
// quick mode.
constexpr unsigned kCrawlerMaxVectorWords = 12;
constexpr unsigned kCrawlerMaxTitleLength = 80;

// Loads the tables in their fixed order (stop words while quick mode is still off, place
// phrases lower-cased), then sets 12 / 80 / quick mode. False when a table did not decode; the
// analyzer is then primed with whatever did.
[[nodiscard]] bool primeAnalyzer(SiteAnalyzer& analyzer);

// A worker's analyzer, primed as above: one analyzer is primed per process, on the first call,
// and every analyzer returned reads its tables and geographic matcher (built once, not once per
// worker) while keeping its own results.
std::unique_ptr<SiteAnalyzer> newWorkerAnalyzer();
