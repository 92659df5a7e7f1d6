#include "app/worker_pool.h"

#include "app/crawl_job.h"
#include "app/crawl_run.h"
#include "base/platform.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The progress line is redrawn this often while the workers run.
constexpr auto kProgressInterval = std::chrono::seconds(1);

// How many workers of one run have found the input exhausted; the run joins every worker before
// it is gone.
struct FinishedWorkers {
    std::mutex mutex;
    std::condition_variable allDone;
    int count = 0;
};

// The loop of jobs of worker `workerIndex`.
void workerThreadMain(CrawlRun& run, int workerIndex, CrawlJob& job, FinishedWorkers& finished) {
    StringBuffer domain;
    StringBuffer resultLine;
    while (run.queue.next(domain)) {
        resultLine.clear();
        job.runDomainJob(run, workerIndex, domain, resultLine);
        if (resultLine.getSize() > 0) {
            run.files.writeResultLine(resultLine);
            ++run.statistics.results;
        } else {
            ++run.statistics.failed;
        }
        ++run.statistics.analysed;
    }
    std::lock_guard<std::mutex> lock(finished.mutex);
    ++finished.count;
    finished.allDone.notify_one();
}

} // namespace

void runWorkerPool(CrawlRun& run, int numThreads, CrawlJob& job) {
    if (numThreads <= 0)
        return;
    FinishedWorkers finished;
    uint32_t start = Platform::GetTickCount();
    job.createAnalyzers(numThreads);
    std::vector<std::thread> workers;
    workers.reserve(static_cast<size_t>(numThreads));
    for (int i = 0; i < numThreads; ++i) {
        std::printf("starting thread %d\n", i + 1);
        workers.emplace_back(workerThreadMain, std::ref(run), i, std::ref(job), std::ref(finished));
    }
    auto elapsed = [start] { return (Platform::GetTickCount() - start) / 1000.0; };
    std::unique_lock<std::mutex> lock(finished.mutex);
    // Wakes as soon as the last worker ends; between, once per interval for the progress line.
    auto allDone = [&] { return finished.count == numThreads; };
    while (!finished.allDone.wait_for(lock, kProgressInterval, allDone)) {
        lock.unlock();
        run.statistics.showProgress(elapsed());
        lock.lock();
    }
    lock.unlock();
    for (std::thread& worker : workers)
        worker.join();
    run.statistics.logSummary(elapsed());
}
