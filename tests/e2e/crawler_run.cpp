#include "crawler_run.h"

#include "tests/support/file_test_support.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string titledPage(const std::string& title) {
    return "<html><head><title>" + title +
           "</title></head><body>Fine handmade things, shipped from our workshop every week.</body></html>";
}

std::vector<std::string> CrawlerRun::serveDomainList(test_support::FixtureServer& server, int count,
                                                     int delayMs, std::string& input) {
    test_support::FixturePage home;
    home.body = "<html><head><title>Home</title></head><body>A site among many</body></html>";
    home.delayMs = delayMs;
    server.addPage("*", "/", home);
    std::vector<std::string> valid, served;
    for (int i = 0; i < count; ++i) {
        std::string name = "n" + std::to_string(i) + ".com";
        if (i % 10 == 1)
            name = "bad name " + std::to_string(i);
        else
            valid.push_back(name);
        if (i % 10 > 2)
            served.push_back(name);
        input += name + "\n";
    }
    addHosts(served);
    return valid;
}

std::map<std::string, int> linesPerDomain(const std::string& out, const std::string& err) {
    std::map<std::string, int> seen;
    for (const std::string& line : linesOf(out))
        ++seen[line.substr(0, line.find('|'))];
    for (const std::string& line : linesOf(err))
        ++seen[line.rfind("Failed: ", 0) == 0 ? line.substr(8) : line];
    return seen;
}

void CrawlerRun::SetUp() {
    if (std::getenv("DUNMERE_PRIVATE_NET") == nullptr)
        GTEST_SKIP() << "the crawler runs against fixture sites inside the private network namespace only";
    char pattern[] = "/tmp/dunmere-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
}

void CrawlerRun::TearDown() {
    std::error_code ec;
    if (!m_dir.empty())
        std::filesystem::remove_all(m_dir, ec);
}

void CrawlerRun::addHosts(const std::vector<std::string>& names) {
    std::ofstream hosts("/etc/hosts", std::ios::app);
    for (const std::string& name : names)
        hosts << "127.0.0.1 " << name << "\n";
}

void CrawlerRun::writeConfig(int threads, const std::string& extra) {
    std::filesystem::create_directories(m_dir + "/c:/Orrastead");
    file_test::writeBytes(m_dir + "/c:/Orrastead/Dunmere.xml",
                          "<config><logFile>c:/Orrastead/DunmereLog.txt</logFile>"
                          "<inFile>c:/Orrastead/DunmereIn.txt</inFile>"
                          "<outFile>c:/Orrastead/DunmereOut.txt</outFile>"
                          "<errFile>c:/Orrastead/DunmereErr.txt</errFile><numThreads>" +
                              std::to_string(threads) + "</numThreads>" + m_settings + extra + "</config>");
}

void CrawlerRun::writeInput(const std::string& input) {
    file_test::writeBytes(m_dir + "/c:/Orrastead/DunmereIn.txt", input);
}

int CrawlerRun::crawlList(const std::string& input, int threads, int timeoutSeconds) {
    writeConfig(threads);
    writeInput(input);
    return runCrawler(timeoutSeconds);
}

pid_t CrawlerRun::startCrawler(const std::vector<std::string>& args) {
    std::vector<const char*> argv{DUNMERE_BINARY};
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(m_dir.c_str()) != 0)
            _exit(126);
        execv(DUNMERE_BINARY, const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    return pid;
}

int CrawlerRun::runCrawler(int timeoutSeconds, const std::vector<std::string>& args) {
    return waitCrawler(startCrawler(args), timeoutSeconds);
}

int CrawlerRun::waitCrawler(pid_t pid, int timeoutSeconds) {
    for (int waited = 0; waited < timeoutSeconds * 10; ++waited) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            if (m_pipeLines)
                expectWellFormedResultLines();
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ADD_FAILURE() << "the crawler did not finish";
    return -1;
}

// Whatever the pages held, every result line has exactly seven fields and no CR or TAB (the
// lines are split at LF, so an LF inside a field shows as a line of too few fields).
void CrawlerRun::expectWellFormedResultLines() const {
    std::string out = file("DunmereOut.txt");
    size_t start = 0;
    for (size_t end = out.find('\n'); end != std::string::npos; end = out.find('\n', start)) {
        std::string line = out.substr(start, end - start);
        EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 6) << line;
        EXPECT_EQ(line.find_first_of("\r\t"), std::string::npos) << line;
        start = end + 1;
    }
    EXPECT_EQ(start, out.size()) << "the result file ends inside a line";
}

std::string CrawlerRun::file(const char* name) const {
    return file_test::readBytes(m_dir + "/c:/Orrastead/" + name);
}

std::string CrawlerRun::hostSites(const std::vector<test_support::FixtureSite>& sites) {
    std::string input;
    for (const auto& site : sites) {
        addHosts(site.hosts);
        input += site.name + "\r\n";
    }
    return input;
}

void CrawlerRun::crawlFixtureSites(const std::vector<test_support::FixtureSite>& sites) {
    ASSERT_EQ(crawlList(hostSites(sites)), 0);
    std::map<std::string, int> seen = linesPerDomain(file("DunmereOut.txt"), file("DunmereErr.txt"));
    for (const auto& site : sites) {
        if (site.expected.empty())
            continue;
        EXPECT_EQ(seen[site.name], 1) << site.name;
        EXPECT_EQ(lineOf(site.name), site.expected) << site.name;
    }
}

void CrawlerRun::expectEveryDomainOnce(const std::vector<std::string>& valid) const {
    std::map<std::string, int> seen = linesPerDomain(file("DunmereOut.txt"), file("DunmereErr.txt"));
    for (const std::string& name : valid)
        EXPECT_EQ(seen[name], 1) << name;
    EXPECT_EQ(seen.size(), valid.size());
}

std::string CrawlerRun::lineOf(const std::string& domain) const {
    std::vector<std::string> lines = linesOf(file("DunmereOut.txt"));
    for (const std::string& line : linesOf(file("DunmereErr.txt")))
        lines.push_back(line);
    for (const std::string& line : lines) {
        if (line.rfind(domain + "|", 0) == 0 || line == "Failed: " + domain)
            return line;
    }
    return "<none>";
}

} // namespace e2e
