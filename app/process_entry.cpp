#include "app/process_entry.h"

#include "app/command_line.h"
#include "app/configuration.h"
#include "app/domain_queue.h"
#include "app/result_files.h"
#include "app/result_format.h"
#include "app/run_report.h"
#include "app/run_statistics.h"
#include "app/worker_pool.h"
#include "base/file_sys.h"
#include "base/platform.h"

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

// Opens input, result and error file in that order; the first failure stops the sequence.
bool openCrawlFiles(const CrawlerConfig& config) {
    FILE* in = std::fopen(config.inFile.getString(), "rb");
    if (in == nullptr) {
        std::printf("Failed to open %s\n", config.inFile.getString());
        return false;
    }
    FILE* out = std::fopen(config.outFile.getString(), "w");
    if (out == nullptr) {
        std::printf("Failed to open %s\n", config.outFile.getString());
        std::fclose(in);
        return false;
    }
    FILE* err = std::fopen(config.errFile.getString(), "w");
    if (err == nullptr) {
        std::printf("Failed to open %s\n", config.errFile.getString());
        std::fclose(in);
        std::fclose(out);
        return false;
    }
    struct stat inputStat {};
    if (fstat(fileno(in), &inputStat) == 0 && S_ISREG(inputStat.st_mode))
        runStatistics().inputBytesTotal = inputStat.st_size;
    setInputStream(in);
    setResultStreams(out, err);
    return true;
}

} // namespace

int effectiveWorkerCount(int configured) {
    if (configured <= 0)
        return kDefaultWorkerThreads;
    if (configured > kMaxWorkerThreads)
        return kMaxWorkerThreads;
    return configured;
}

int crawlerProcessMain(const CommandLine& commandLine) {
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
        if (!readConfigurationFile(commandLine.configFile.getString(), config)) {
            std::fprintf(stderr, "Failed to read %s\n", commandLine.configFile.getString());
            return 1;
        }
    } else if (!ensureWorkingDirectory() || !loadConfiguration(config)) {
        return 0;
    }
    if (commandLine.threads > 0)
        config.numThreads = commandLine.threads;
    if (commandLine.mode != CommandLine::Mode::Crawl) {
        std::fprintf(stderr, "%s needs a shared queue, which this build does not have\n",
                     commandLine.mode == CommandLine::Mode::Enqueue   ? "--enqueue"
                     : commandLine.mode == CommandLine::Mode::Collect ? "--collect"
                                                                      : "--status");
        return 2;
    }
    Platform::SetIdlePriority();
    int numThreads = effectiveWorkerCount(config.numThreads);
    // A log file that cannot be opened is not detected: the run goes on without a log.
    FILE* log = std::freopen(config.logFile.getString(), "w", stdout);
    // Line by line, so a run that is killed keeps the lines that say what went wrong.
    if (log != nullptr)
        std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    setResultFormat(config.outFormat);
    if (openCrawlFiles(config)) {
        runWorkerPool(numThreads);
        closeInputStream();
        closeResultStreams();
        writeRunReport(config.outFile.getString());
    }
    std::fflush(stdout);
    return 0;
}
