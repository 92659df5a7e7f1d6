// CrawlerRun: the fixture of whole-program tests. Each test gets a folder of its own where the
// real crawler binary runs, inside the private network namespace (tests skip outside it), with
// helpers to name hosts in the namespace's /etc/hosts, write the configuration and read the
// crawler's files.
#pragma once

#include "fixture_server.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

std::vector<std::string> linesOf(const std::string& text);

// A home page with the title and a sentence of plain words.
std::string titledPage(const std::string& title);

// How many lines each domain has across result and error file texts.
std::map<std::string, int> linesPerDomain(const std::string& out, const std::string& err);

class CrawlerRun : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds names of loopback to the namespace's own hosts file.
    static void addHosts(const std::vector<std::string>& names);
    // A list of `count` names served by `server`: of every ten, one is no domain, one does not
    // resolve and the others answer after `delayMs`. The list is the input text; the valid names
    // are returned, and the served ones named in the hosts file.
    static std::vector<std::string> serveDomainList(test_support::FixtureServer& server, int count,
                                                    int delayMs, std::string& input);
    // `extra` is more settings, as elements.
    void writeConfig(int threads, const std::string& extra = "");
    // The list the crawler reads.
    void writeInput(const std::string& input);
    // Writes the configuration for `threads` workers and `input` as the list, then runs the
    // crawler; its exit status.
    int crawlList(const std::string& input, int threads = 4, int timeoutSeconds = 300);
    // Starts the crawler in the test folder with the arguments; its process id.
    pid_t startCrawler(const std::vector<std::string>& args = {});
    // Waits for a started crawler; its exit status, -1 (and a failure) when it ran too long.
    int waitCrawler(pid_t pid, int timeoutSeconds);
    // Runs the crawler in the test folder; its exit status.
    int runCrawler(int timeoutSeconds = 300, const std::vector<std::string>& args = {});
    // Names the sites' hosts in the hosts file; the list of the sites' names, the crawler's input.
    static std::string hostSites(const std::vector<test_support::FixtureSite>& sites);
    // Crawls the fixture sites (already served) and checks every site's expected line.
    void crawlFixtureSites(const std::vector<test_support::FixtureSite>& sites);
    // Each valid name has exactly one line across the result and error files, and nothing else has.
    void expectEveryDomainOnce(const std::vector<std::string>& valid) const;
    std::string file(const char* name) const;
    // The line written for a domain, in the result or the error file; "<none>" when there is none.
    std::string lineOf(const std::string& domain) const;
    // Every line of the result file has exactly seven fields and no CR or TAB.
    void expectWellFormedResultLines() const;

    std::string m_dir;
    // More settings writeConfig adds, as XML elements.
    std::string m_settings;
    // Whether a run's result file holds seven-field lines (it holds JSON Lines otherwise).
    bool m_pipeLines = true;
};

} // namespace e2e
