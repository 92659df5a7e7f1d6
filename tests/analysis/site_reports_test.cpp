#include "analysis/site_reports.h"

#include "../support/tool_support.h"
#include "analysis/site_analyzer.h"
#include "base/string_buffer.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Runs each test in a fresh directory with an "Output" directory below it.
class SiteReportsTest : public file_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directory("Output");
    }
    static std::string readFile(const char* path) { return file_test::readBytes(path); }
};

// The addresses of the e-mail list's entries "address <script>...</script>\n<br>\n", in order.
std::vector<std::string> listedAddresses(const std::string& links) {
    std::vector<std::string> listed;
    for (size_t at = 0, end; (end = links.find("<br>\n", at)) != std::string::npos; at = end + 5)
        listed.push_back(links.substr(at, links.find(' ', at) - at));
    return listed;
}

// Ad counts are written only with a publisher id, so none of them appear here.
TEST_F(SiteReportsTest, SiteOfWhichNothingWasFound) {
    SiteAnalyzer analyzer;
    analyzer.numAdUnits = 3;
    analyzer.numLinkUnits = 1;
    analyzer.troubleParsingGoogle = 1;
    analyzer.adFormats[0].setString("728x90_as");
    writeSiteReports(analyzer, "nothing.example");
    EXPECT_EQ(readFile("Output/SiteIntel.txt"), readFile(ANALYSIS_TEST_DATA_DIR "/empty_site_record.txt"));
    EXPECT_EQ(readFile("Output/NoCountry.html"),
              "<a href=\"http://nothing.example/\">nothing.example</a><br>\n");
    EXPECT_EQ(readFile("Output/NoContact.html"),
              "<a href=\"http://nothing.example/\">nothing.example</a><br>\n");
    EXPECT_TRUE(fs::exists("Output/EmailLinks.html"));
    EXPECT_EQ(fs::file_size("Output/EmailLinks.html"), 0u);
}

TEST_F(SiteReportsTest, EveryLineInOrderAndCapitalsOnTheAnalyzer) {
    SiteAnalyzer analyzer;
    analyzer.country.setString("de");
    analyzer.state.setString("by");
    analyzer.city.setString("Munich");
    analyzer.contactUrl.setString("http://www.shop.de/kontakt.html");
    analyzer.aboutUrl.setString("http://www.shop.de/about.html");
    analyzer.sitemapUrl.setString("http://www.shop.de/sitemap.html");
    analyzer.home2Url.setString("http://www.shop.de/home.html");
    analyzer.language.setString("German");
    analyzer.englishUrl.setString("http://www.shop.de/en/");
    analyzer.emails.Append("info@shop.de");
    analyzer.geoMatched.setString("willkommen");
    analyzer.geoUrl.setString("HOME PAGE");
    analyzer.siteTitle.setString("Shop");
    analyzer.metaDescription.setString("A shop");
    analyzer.metaKeywords.setString("shop buy");
    analyzer.charset.setString("utf-8");
    analyzer.homeWordVector.setString("shop,3");
    analyzer.aboutWordVector.setString("team,2");
    analyzer.googleId.setString("pub-123");
    analyzer.troubleParsingGoogle = 1;
    analyzer.numAdUnits = 2;
    analyzer.numSearchUnits = 1;
    analyzer.numLinkUnits = 1;
    analyzer.adFormats[0].setString("728x90_as");
    analyzer.adFormats[1].setString("160x600_as");
    analyzer.linkFormats[0].setString("120x90_0ads_al");
    writeSiteReports(analyzer, "www.shop.de");
    EXPECT_EQ(readFile("Output/SiteIntel.txt"), readFile(ANALYSIS_TEST_DATA_DIR "/full_site_record.txt"));
    EXPECT_STREQ(analyzer.country.getString(), "DE");
    EXPECT_STREQ(analyzer.state.getString(), "BY");
    EXPECT_FALSE(fs::exists("Output/NoCountry.html"));
    EXPECT_FALSE(fs::exists("Output/NoContact.html"));
}

TEST_F(SiteReportsTest, WithoutOutputDirectoryNothingIsWrittenAndNothingChanges) {
    fs::remove_all("Output");
    SiteAnalyzer analyzer;
    analyzer.country.setString("de");
    analyzer.state.setString("by");
    analyzer.emails.Append("a@b.de");
    writeSiteReports(analyzer, "example.de");
    EXPECT_TRUE(fs::is_empty(m_dir));
    EXPECT_STREQ(analyzer.country.getString(), "de");
    EXPECT_STREQ(analyzer.state.getString(), "by");
}

#define REQUIRE_NODE() REQUIRE_TOOL(std::system("command -v node >/dev/null 2>&1") == 0, "node")

// Each address gets a line in the record and a script in the e-mail list; every spelling the
// draws give writes the address's mailto link.
TEST_F(SiteReportsTest, AddressesGiveRecordLinesAndScriptsThatWriteMailtoLinks) {
    SiteAnalyzer analyzer;
    const std::vector<std::string> addresses = {"info@shop.de", "sales.team@shop.de", "x_y-z@mail.shop.de"};
    for (const std::string& a : addresses)
        analyzer.emails.Append(a.c_str());
    analyzer.contactUrl.setString("http://shop.de/kontakt.html");
    std::srand(7);
    std::vector<std::string> expected;
    for (int i = 0; i < 100; ++i) {
        writeSiteReports(analyzer, "shop.de");
        expected.insert(expected.end(), addresses.begin(), addresses.end());
    }
    std::string record = readFile("Output/SiteIntel.txt");
    EXPECT_NE(record.find(
                  "about:NONE\nemail:info@shop.de\nemail:sales.team@shop.de\nemail:x_y-z@mail.shop.de\n.\n"),
              std::string::npos)
        << record;
    std::string links = readFile("Output/EmailLinks.html");
    EXPECT_EQ(listedAddresses(links), expected);
    std::set<std::string> spellings;
    for (size_t at = 0, end; (end = links.find("<br>\n", at)) != std::string::npos; at = end + 5)
        spellings.insert(links.substr(links.find(' ', at) + 1, 12));
    EXPECT_GT(spellings.size(), 20u);

    REQUIRE_NODE();
    std::istringstream results(test_support::commandOutput("node '" ANALYSIS_TEST_DATA_DIR
                                                           "/evaluate_email_links.js' '" +
                                                           path("Output/EmailLinks.html") + "' 2>&1"));
    std::vector<std::string> seen;
    for (std::string line; std::getline(results, line);) {
        std::string address = line.substr(0, line.find('\t'));
        EXPECT_EQ(line, address + "\tmailto:" + address + "\tsend email");
        seen.push_back(address);
    }
    EXPECT_EQ(seen, expected);
}

TEST(RandomInRange, StaysInRangeAndReachesEveryValue) {
    EXPECT_EQ(randomInRange(4, 4), 4u);
    EXPECT_LE(randomInRange(0, 4000000000u), 4000000000u);
    std::srand(3);
    std::set<unsigned> seen;
    for (int i = 0; i < 6000; ++i) {
        unsigned v = randomInRange(1, 6);
        ASSERT_TRUE(v >= 1u && v <= 6u) << v;
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 6u);
}

// Workers report at the same time: every record, list line and address line of one site stays
// together.
TEST_F(SiteReportsTest, RecordsOfManyThreadsNeverInterleave) {
    constexpr int kThreads = 8;
    constexpr int kSitesEach = 40;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([t] {
            SiteAnalyzer analyzer;
            for (int s = 0; s < kSitesEach; ++s) {
                std::string site = "site" + std::to_string(t) + "-" + std::to_string(s) + ".example";
                analyzer.resetResults();
                analyzer.city.setString(site.c_str());
                if (s % 2 == 0)
                    analyzer.country.setString("us");
                for (const char* user : {"a", "b", "c"})
                    analyzer.emails.Append((std::string(user) + "@" + site).c_str());
                analyzer.homeWordVector.setString(site.c_str());
                writeSiteReports(analyzer, site.c_str());
            }
        });
    }
    for (std::thread& w : workers)
        w.join();

    std::istringstream record(readFile("Output/SiteIntel.txt"));
    std::string line;
    std::string current;
    std::set<std::string> sites;
    int lines = 0;
    while (std::getline(record, line)) {
        ++lines;
        if (current.empty()) {
            ASSERT_EQ(line.rfind("domain:", 0), 0u) << line;
            current = line.substr(7);
            ASSERT_TRUE(sites.insert(current).second) << current;
        } else if (line == ".") {
            current.clear();
        } else if (line.rfind("country:", 0) != 0 && line.rfind("state:", 0) != 0 &&
                   line.rfind("contact:", 0) != 0 && line.rfind("about:", 0) != 0) {
            ASSERT_NE(line.find(current), std::string::npos) << line << " inside the record of " << current;
        }
    }
    EXPECT_TRUE(current.empty());
    EXPECT_EQ(sites.size(), static_cast<size_t>(kThreads * kSitesEach));
    EXPECT_EQ(lines, kThreads * kSitesEach * 11);

    // The three address lines of a site follow one another.
    std::vector<std::string> listed = listedAddresses(readFile("Output/EmailLinks.html"));
    ASSERT_EQ(listed.size(), static_cast<size_t>(kThreads * kSitesEach * 3));
    for (size_t i = 0; i < listed.size(); i += 3) {
        EXPECT_EQ(listed[i + 1], "b" + listed[i].substr(1));
        EXPECT_EQ(listed[i + 2], "c" + listed[i].substr(1));
    }
    std::string noCountry = readFile("Output/NoCountry.html");
    EXPECT_EQ(std::count(noCountry.begin(), noCountry.end(), '\n'), kThreads * kSitesEach / 2);
    std::string noContact = readFile("Output/NoContact.html");
    EXPECT_EQ(std::count(noContact.begin(), noContact.end(), '\n'), kThreads * kSitesEach);
}

} // namespace
