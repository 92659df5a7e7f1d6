#include "app/process_entry.h"

#include "app/command_line.h"
#include "app/crawl_job.h"
#include "app/crawl_run.h"
#include "app/redis_queue.h"
#include "app/worker_pool.h"
#include "base/file_sys.h"
#include "base/platform.h"

#include <csignal>
#include <cstdio>
#include <sys/stat.h>

namespace {

// Makes sure the working directory exists, leaving the current directory as it was.
bool ensureWorkingDirectory() {
    StringBuffer startDirectory;
    FileSys::GetCurrentDirectory(startDirectory);
    bool ok = FileSys::EnsureDirectory(kWorkingDirectory, nullptr);
    FileSys::SetCurrentDirectory(startDirectory.getString());
    return ok;
}

// Standard output goes to the log file, line by line, so a run that is killed keeps the lines
// that say what went wrong. A log file that cannot be opened is not detected: the run goes on
// without a log.
void openLog(const CrawlerConfig& config, const char* mode) {
    if (std::freopen(config.logFile.getString(), mode, stdout) != nullptr)
        std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
}

// Opens input, result and error file in that order; the first failure stops the sequence. A
// resumed run keeps what the result and error files hold.
bool openCrawlFiles(const CrawlerConfig& config, bool resumed, CrawlRun& run) {
    const char* outputMode = resumed ? "a" : "w";
    FILE* in = std::fopen(config.inFile.getString(), "rb");
    if (in == nullptr) {
        std::printf("Failed to open %s\n", config.inFile.getString());
        return false;
    }
    FILE* out = std::fopen(config.outFile.getString(), outputMode);
    if (out == nullptr) {
        std::printf("Failed to open %s\n", config.outFile.getString());
        std::fclose(in);
        return false;
    }
    FILE* err = std::fopen(config.errFile.getString(), outputMode);
    if (err == nullptr) {
        std::printf("Failed to open %s\n", config.errFile.getString());
        std::fclose(in);
        std::fclose(out);
        return false;
    }
    struct stat inputStat {};
    if (fstat(fileno(in), &inputStat) == 0 && S_ISREG(inputStat.st_mode))
        run.statistics.inputBytesTotal = inputStat.st_size;
    if (config.resume && !run.journal.begin(config.outFile.getString(), in, out, err)) {
        std::fclose(in);
        std::fclose(out);
        std::fclose(err);
        return false;
    }
    run.queue.setInputStream(in);
    run.files.setStreams(out, err);
    return true;
}

// The whole input list once, or with `resume` the rest of a list a killed run left.
void crawlInputList(const CrawlerConfig& config, int numThreads, CrawlJob& job) {
    CrawlRun run;
    run.format = resultFormatOf(config.outFormat);
    bool resumed = config.resume && run.journal.load(config.outFile.getString());
    openLog(config, resumed ? "a" : "w");
    if (openCrawlFiles(config, resumed, run)) {
        runWorkerPool(run, numThreads, job);
        run.queue.closeInputStream();
        if (config.resume)
            run.journal.end(true);
        run.files.close();
        writeRunReport(config.outFile.getString(), run.statistics, run.tallies);
    }
}

void onTerminate(int) {
    stopTakingDomains();
}

// A process of the shared queue: its workers take domains from the queue until it is empty;
// SIGTERM lets them finish the domains in flight and end.
int crawlSharedQueue(const CrawlerConfig& config, int numThreads, CrawlJob& job) {
    // Many processes of one machine may share a log file.
    openLog(config, "a");
    RedisQueue queue(config);
    if (!queue.open())
        return 1;
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigaction(SIGTERM, &action, nullptr);
    CrawlRun run;
    run.format = resultFormatOf(config.outFormat);
    run.queue.setSource(&queue);
    runWorkerPool(run, numThreads, job);
    return 0;
}

// --enqueue, --collect, --status and the queue's crawl, with `queue` set.
int runQueueMode(const CommandLine& commandLine, const CrawlerConfig& config, int numThreads, CrawlJob& job) {
    switch (commandLine.mode) {
    case CommandLine::Mode::Enqueue: {
        openLog(config, "a");
        return enqueueDomainList(config, commandLine.enqueueFile.getString());
    }
    case CommandLine::Mode::Collect:
        return collectQueueResults(config);
    case CommandLine::Mode::Status:
        return printQueueStatus(config);
    default:
        return crawlSharedQueue(config, numThreads, job);
    }
}

} // namespace

int effectiveWorkerCount(int configured) {
    if (configured <= 0)
        return kDefaultWorkerThreads;
    if (configured > kMaxWorkerThreads)
        return kMaxWorkerThreads;
    return configured;
}

int crawlerProcessMain(const CommandLine& commandLine, CrawlJob& job) {
    Platform::CapMallocArenas();
    if (commandLine.mode == CommandLine::Mode::Help) {
        std::fputs(commandLineUsage(), stdout);
        return 0;
    }
    if (commandLine.mode == CommandLine::Mode::Version) {
        std::printf("dunmere %s\n", kDunmereVersion);
        return 0;
    }
    CrawlerConfig config;
    if (commandLine.configFile.getSize() > 0) {
        // A file the operator names is never replaced by the defaults.
        if (!job.readConfigurationFile(commandLine.configFile.getString(), config)) {
            std::fprintf(stderr, "Failed to read %s\n", commandLine.configFile.getString());
            return 1;
        }
    } else if (!ensureWorkingDirectory() || !job.loadConfiguration(config)) {
        return 0;
    }
    if (commandLine.threads > 0)
        config.numThreads = commandLine.threads;
    int numThreads = effectiveWorkerCount(config.numThreads);
    if (config.queue.getSize() > 0) {
        if (commandLine.mode == CommandLine::Mode::Crawl)
            Platform::SetIdlePriority();
        int status = runQueueMode(commandLine, config, numThreads, job);
        std::fflush(stdout);
        return status;
    }
    if (commandLine.mode != CommandLine::Mode::Crawl) {
        std::fprintf(stderr, "%s needs a shared queue: set queue in the configuration file\n",
                     commandLine.mode == CommandLine::Mode::Enqueue   ? "--enqueue"
                     : commandLine.mode == CommandLine::Mode::Collect ? "--collect"
                                                                      : "--status");
        return 2;
    }
    Platform::SetIdlePriority();
    crawlInputList(config, numThreads, job);
    std::fflush(stdout);
    return 0;
}
