// CrawlerRun: the fixture of whole-program tests. Each test gets a folder of its own where the
// real crawler binary runs, inside the private network namespace (tests skip outside it), with
// helpers to name hosts in the namespace's /etc/hosts, write the configuration and read the
// crawler's files.
#pragma once

#include "fixture_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace e2e {

std::vector<std::string> linesOf(const std::string& text);

class CrawlerRun : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds names of loopback to the namespace's own hosts file.
    static void addHosts(const std::vector<std::string>& names);
    void writeConfig(int threads);
    // Runs the crawler in the test folder with these arguments; its exit status.
    int runCrawler(int timeoutSeconds = 300, const std::vector<std::string>& args = {});
    // Crawls the fixture sites (already served) and checks every site's expected line.
    void crawlFixtureSites(const std::vector<test_support::FixtureSite>& sites);
    std::string file(const char* name) const;
    // Every line of the result file has exactly seven fields and no CR or TAB.
    void expectWellFormedResultLines() const;

    std::string m_dir;
    // More settings writeConfig adds, as XML elements.
    std::string m_settings;
    // Whether a run's result file holds seven-field lines (it holds JSON Lines otherwise).
    bool m_pipeLines = true;
};

} // namespace e2e
