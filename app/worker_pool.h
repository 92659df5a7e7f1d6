// The pool of worker threads. Each worker takes domains from the shared queue and runs the
// domain job on them until the input is exhausted; the main thread waits until all are done.
#pragma once

class CrawlJob;
struct CrawlRun;

// The analyzer table has this many slots, so no more workers can run.
constexpr int kMaxWorkerThreads = 124;

// Prepares the workers (the job creates the analyzers before the first thread starts), starts
// `numThreads` threads running `job` on the domains of `run` and returns once every one has found
// the input exhausted.
void runWorkerPool(CrawlRun& run, int numThreads, CrawlJob& job);
