#include "tests/app/pool/recording_job.h"

#include "app/result_files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

RecordingJob& recordingJob() {
    static RecordingJob job;
    return job;
}

bool RecordingJob::loadConfiguration(CrawlerConfig& config) {
    if (!configLoads)
        return false;
    config.logFile.setString(logFile.c_str());
    config.inFile.setString(inFile.c_str());
    config.outFile.setString(outFile.c_str());
    config.errFile.setString(errFile.c_str());
    config.numThreads = numThreads;
    return true;
}

bool RecordingJob::readConfigurationFile(const char*, CrawlerConfig& config) {
    return loadConfiguration(config);
}

void RecordingJob::createAnalyzers(int n) {
    createAnalyzersCalls++;
    analyzersCreated = n;
}

void RecordingJob::runDomainJob(int workerIndex, const StringBuffer& domain, StringBuffer& resultLine) {
    std::string text = domain.getString();
    domainsByWorker[workerIndex].push_back(text);
    resultLine.clear();
    size_t hash = std::hash<std::string>{}(text);
    if (failEvery > 0 && hash % failEvery == 0) {
        StringBuffer errorLine("Failed: ");
        errorLine.append(text.c_str());
        writeErrorLine(errorLine);
        return;
    }
    // A long line with the domain at both ends, so a line cut or mixed with another shows.
    resultLine.append(text.c_str());
    resultLine.appendChar('|');
    resultLine.appendCharN('x', 300 + static_cast<int>(hash % 200));
    resultLine.appendChar('|');
    resultLine.append(text.c_str());
}

int runInChild(void (*body)()) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        body();
        std::fflush(nullptr);
        _exit(0);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string makeTempDir() {
    char name[] = "/tmp/dunmere-test-XXXXXX";
    char* dir = mkdtemp(name);
    return dir ? std::string(dir) : std::string();
}

void removeTree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
