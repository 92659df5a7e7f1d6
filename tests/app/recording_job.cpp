#include "tests/app/recording_job.h"

#include "app/crawl_run.h"

#include <cstdio>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

RecordingJob::RecordingJob() {
    config.logFile.setString("log.txt");
    config.inFile.setString("in.txt");
    config.outFile.setString("out.txt");
    config.errFile.setString("err.txt");
}

bool RecordingJob::loadConfiguration(CrawlerConfig& out) {
    out = config;
    return configLoads;
}

bool RecordingJob::readConfigurationFile(const char*, CrawlerConfig& out) {
    return loadConfiguration(out);
}

void RecordingJob::createAnalyzers(int n) {
    analyzersCreated = n;
}

void RecordingJob::runDomainJob(CrawlRun& run, int workerIndex, const StringBuffer& domain,
                                StringBuffer& resultLine) {
    std::string text = domain.getString();
    domainsByWorker[workerIndex].push_back(text);
    resultLine.clear();
    size_t hash = std::hash<std::string>{}(text);
    if (failEvery > 0 && hash % failEvery == 0) {
        StringBuffer errorLine("Failed: ");
        errorLine.append(text.c_str());
        run.files.writeErrorLine(errorLine);
        return;
    }
    // A long line with the domain at both ends, so a line cut or mixed with another shows.
    resultLine.append(text.c_str());
    resultLine.appendChar('|');
    resultLine.appendCharN('x', 300 + static_cast<int>(hash % 200));
    resultLine.appendChar('|');
    resultLine.append(text.c_str());
}

std::vector<std::string> RecordingJob::seen() const {
    std::vector<std::string> all;
    for (const auto& list : domainsByWorker)
        all.insert(all.end(), list.begin(), list.end());
    return all;
}

int runInChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int status = body();
        std::fflush(nullptr);
        _exit(status);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
