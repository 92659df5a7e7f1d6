// The crawl of one site, in-process: every site folder of the whole-program tests and of the
// demo is analysed through CannedPageSource as the crawler's job analyses it, and must give its
// expected line; where the folder lists the URLs the analysis must ask for, they must be asked
// in that order. A folder with a report record is analysed once more in full mode.
#include "analysis/site_analyzer.h"
#include "analysis/site_crawl.h"
#include "app/analyzer_priming.h"
#include "app/domain_job.h"
#include "base/domain_helpers.h"
#include "tests/support/canned_page_source.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using test_support::CannedPageSource;
using test_support::SiteFolder;

struct CrawlCase {
    std::string dir;
    std::string name;
    std::string label;
};

void PrintTo(const CrawlCase& c, std::ostream* out) {
    *out << c.label;
}

// The folders of both directories that hold `file`.
std::vector<CrawlCase> casesWith(std::string SiteFolder::*file) {
    std::vector<CrawlCase> cases;
    for (const char* dir : {E2E_SITES_DIR, DEMO_SITES_DIR}) {
        std::string prefix = dir == std::string(DEMO_SITES_DIR) ? "demo_" : "";
        for (const SiteFolder& site : test_support::readSiteFolders(dir)) {
            if (!(site.*file).empty())
                cases.push_back({dir, site.name, prefix + site.name});
        }
    }
    return cases;
}

std::string testName(const testing::TestParamInfo<CrawlCase>& info) {
    std::string name = info.param.label;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    }
    return name;
}

// Each case runs in a folder of its own, where the full mode writes its report.
class SiteCrawlTest : public file_test::TempDirTest, public testing::WithParamInterface<CrawlCase> {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        m_sites = test_support::readSiteFolders(GetParam().dir);
        for (const SiteFolder& site : m_sites) {
            if (site.name == GetParam().name)
                m_site = &site;
        }
        ASSERT_NE(m_site, nullptr);
        ASSERT_TRUE(primeAnalyzer(m_analyzer));
    }

    // The job's line for the site: its result line, or the failure line.
    std::string crawl(CannedPageSource& pages) {
        StringBuffer host, line;
        if (toAsciiHost(m_site->name.c_str(), host) && analyzeSite(m_analyzer, pages, host.getString())) {
            buildResultLine(StringBuffer(m_site->name.c_str()), m_analyzer, line);
            return line.getString();
        }
        return "Failed: " + m_site->name;
    }

    std::vector<SiteFolder> m_sites;
    const SiteFolder* m_site = nullptr;
    SiteAnalyzer m_analyzer;
};

using SiteLine = SiteCrawlTest;
using FullModeReport = SiteCrawlTest;

TEST_P(SiteLine, GivesItsLineAndFetchesItsPages) {
    CannedPageSource pages(m_sites);
    EXPECT_EQ(crawl(pages), m_site->expected);
    if (!m_site->fetches.empty()) {
        EXPECT_EQ(pages.requests(), m_site->fetches);
    }
}

TEST_P(FullModeReport, FollowsItsCyclesAndWritesItsRecord) {
    fs::create_directory("Output");
    std::fclose(std::fopen("Output/SiteIntel.txt", "w"));
    m_analyzer.setQuickMode(false);
    CannedPageSource pages(m_sites);
    crawl(pages);
    EXPECT_EQ(test_support::readWholeFile("Output/SiteIntel.txt"), m_site->report);
    if (!m_site->fullFetches.empty()) {
        EXPECT_EQ(pages.requests(), m_site->fullFetches);
    }
}

INSTANTIATE_TEST_SUITE_P(Sites, SiteLine, testing::ValuesIn(casesWith(&SiteFolder::expected)), testName);
INSTANTIATE_TEST_SUITE_P(Sites, FullModeReport, testing::ValuesIn(casesWith(&SiteFolder::report)), testName);

} // namespace
