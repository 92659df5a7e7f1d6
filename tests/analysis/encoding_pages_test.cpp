// Whole pages in every shape of encoding declaration, fetched and analysed through the real path
// (QuickGetHtml, analyzeSite) from a fixture server on port 80 of the private network. One file
// per shape in data/encoding_pages/, named <shape>.page:
//   # comments
//   header <an HTTP header line>   (optional, repeatable)
//   title <expected field 6, with \xHH escapes>
//   charset <expected field 4>     (empty after the word means empty)
//   vector-has <word>              (a word the home vector must contain; repeatable)
//   vector-lacks <word>
//   body                           (the raw bytes of the page follow, to the end of the file)
#include "analysis/site_analyzer.h"
#include "analysis/site_crawl.h"
#include "app/analyzer_priming.h"
#include "fixture_server.h"
#include "http/http_man.h"
#include "script_server.h"
#include "tests/support/escaped_text.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using test_support::FixturePage;
using test_support::FixtureServer;

struct PageCase {
    std::string shape;
    std::string headers;
    std::string title;
    std::string charset;
    std::vector<std::string> has;
    std::vector<std::string> lacks;
    std::string body;
};

PageCase readCase(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    PageCase c;
    c.shape = file.stem().string();
    for (std::string line; std::getline(in, line) && line != "body";) {
        size_t gap = line.find(' ');
        std::string word = line.substr(0, gap);
        std::string value = gap == std::string::npos ? "" : test_support::unescape(line.substr(gap + 1));
        if (word == "header")
            c.headers += value + "\r\n";
        else if (word == "title")
            c.title = value;
        else if (word == "charset")
            c.charset = value;
        else if (word == "vector-has")
            c.has.push_back(value);
        else if (word == "vector-lacks")
            c.lacks.push_back(value);
    }
    c.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return c;
}

TEST(EncodingPages, AnalysedAsDeclared) {
    if (std::getenv("DUNMERE_PRIVATE_NET") == nullptr)
        GTEST_SKIP() << "the fixture sites are served on port 80 of the private network namespace only";
    for (const std::string& file : file_test::filesIn(ENCODING_PAGES_DIR, ".page")) {
        const PageCase c = readCase(file);
        SCOPED_TRACE(c.shape);
        FixtureServer server;
        FixturePage page;
        page.headers = c.headers.empty() ? "Content-Type: text/html\r\n" : c.headers;
        page.body = c.body;
        server.addPage("site.test", "/", page);
        ASSERT_TRUE(server.start(80));
        SiteAnalyzer analyzer;
        ASSERT_TRUE(primeAnalyzer(analyzer));
        analyzer.quickMode = true;
        HttpMan http;
        http.SetConnectTimeout(2);
        http.SetReadTimeout(3);
        analyzeSite(analyzer, http, "site.test");
        EXPECT_EQ(std::string(analyzer.siteTitle.getString()), c.title);
        EXPECT_EQ(std::string(analyzer.charset.getString()), c.charset);
        std::string vector = analyzer.homeWordVector.getString();
        for (const std::string& word : c.has)
            EXPECT_NE(("," + vector).find("," + word + ","), std::string::npos) << word << " in " << vector;
        for (const std::string& word : c.lacks)
            EXPECT_EQ(("," + vector).find("," + word + ","), std::string::npos) << word << " in " << vector;
    }
}

} // namespace
