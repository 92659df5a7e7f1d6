#include "app/worker_pool.h"

#include "app/domain_job.h"
#include "app/domain_queue.h"
#include "app/result_files.h"
#include "app/run_statistics.h"
#include "base/platform.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

// The progress line is redrawn this often while the workers run.
constexpr auto kProgressInterval = std::chrono::seconds(1);

// How many workers of the current run have found the input exhausted. Static, never destroyed
// while a detached worker could still be leaving it; one run at a time uses it.
struct FinishedWorkers {
    std::mutex mutex;
    std::condition_variable allDone;
    int count = 0;
};

FinishedWorkers& finishedWorkers() {
    static FinishedWorkers finished;
    return finished;
}

} // namespace

int workerThreadMain(int workerIndex) {
    StringBuffer domain;
    StringBuffer resultLine;
    while (nextDomain(domain)) {
        resultLine.clear();
        runDomainJob(workerIndex, domain, resultLine);
        if (resultLine.getSize() > 0) {
            writeResultLine(resultLine);
            ++runStatistics().results;
        } else {
            ++runStatistics().failed;
        }
        ++runStatistics().analysed;
    }
    FinishedWorkers& finished = finishedWorkers();
    std::lock_guard<std::mutex> lock(finished.mutex);
    ++finished.count;
    finished.allDone.notify_one();
    return 0;
}

void runWorkerPool(int numThreads) {
    if (numThreads <= 0)
        return;
    FinishedWorkers& finished = finishedWorkers();
    {
        std::lock_guard<std::mutex> lock(finished.mutex);
        finished.count = 0;
    }
    resetRunStatistics();
    uint32_t start = Platform::GetTickCount();
    createAnalyzers(numThreads);
    for (int i = 0; i < numThreads; ++i) {
        std::printf("starting thread %d\n", i + 1);
        std::thread(workerThreadMain, i).detach();
    }
    auto elapsed = [start] { return (Platform::GetTickCount() - start) / 1000.0; };
    std::unique_lock<std::mutex> lock(finished.mutex);
    // Wakes as soon as the last worker ends; between, once per interval for the progress line.
    auto allDone = [&] { return finished.count == numThreads; };
    while (!finished.allDone.wait_for(lock, kProgressInterval, allDone)) {
        lock.unlock();
        showProgress(elapsed());
        lock.lock();
    }
    lock.unlock();
    logRunSummary(elapsed());
}
