#include "app/worker_pool.h"

#include "app/domain_job.h"
#include "app/domain_queue.h"
#include "app/result_files.h"
#include "app/run_statistics.h"
#include "base/platform.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace {
// Byte i is 0 while worker i runs and 1 once it found the input exhausted. Only ever goes
// from 0 to 1; kept for the life of the process since the threads are never joined.
std::atomic<unsigned char>* threadDone = nullptr;

int countDone(int numThreads) {
    int done = 0;
    for (int i = 0; i < numThreads; ++i) {
        if (threadDone[i].load(std::memory_order_acquire) != 0)
            ++done;
    }
    return done;
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
    threadDone[workerIndex].store(1, std::memory_order_release);
    return 0;
}

void runWorkerPool(int numThreads) {
    if (numThreads <= 0)
        return;
    // A fresh table per run; a table of an earlier run may still be read by its last
    // detached threads on their way out, so it is never freed.
    threadDone = new std::atomic<unsigned char>[numThreads];
    resetRunStatistics();
    uint32_t start = Platform::GetTickCount();
    createAnalyzers(numThreads);
    for (int i = 0; i < numThreads; ++i) {
        threadDone[i].store(0, std::memory_order_relaxed);
        std::printf("starting thread %d\n", i + 1);
        std::thread(workerThreadMain, i).detach();
    }
    auto elapsed = [start] { return (Platform::GetTickCount() - start) / 1000.0; };
    while (countDone(numThreads) != numThreads) {
        Platform::Sleep(1000);
        showProgress(elapsed());
    }
    logRunSummary(elapsed());
}
