// Whole pages in every shape of encoding declaration, fetched and analysed through the real path
// (QuickGetHtml, analyzeSite) from a fixture server on port 80 of the private network. One file
// per shape in pages/, named <shape>.page:
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

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
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

std::string unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

PageCase readCase(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::string data = all.str();
    PageCase c;
    c.shape = file.stem().string();
    size_t pos = 0;
    while (pos < data.size()) {
        size_t end = data.find('\n', pos);
        std::string line = data.substr(pos, end - pos);
        pos = end == std::string::npos ? data.size() : end + 1;
        auto value = [&](const char* word) { return line.size() > std::strlen(word) ? line.substr(std::strlen(word) + 1) : ""; };
        if (line == "body") {
            c.body = data.substr(pos);
            break;
        }
        if (line.rfind("header ", 0) == 0)
            c.headers += value("header") + "\r\n";
        else if (line.rfind("title", 0) == 0)
            c.title = unescaped(value("title"));
        else if (line.rfind("charset", 0) == 0)
            c.charset = value("charset");
        else if (line.rfind("vector-has ", 0) == 0)
            c.has.push_back(unescaped(value("vector-has")));
        else if (line.rfind("vector-lacks ", 0) == 0)
            c.lacks.push_back(unescaped(value("vector-lacks")));
    }
    return c;
}

std::vector<PageCase> allCases() {
    std::vector<PageCase> cases;
    std::filesystem::path dir = std::filesystem::path(__FILE__).parent_path() / "pages";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".page")
            cases.push_back(readCase(entry.path()));
    }
    return cases;
}

class EncodingPageTest : public testing::TestWithParam<PageCase> {};

TEST_P(EncodingPageTest, AnalysedAsDeclared) {
    if (std::getenv("DUNMERE_PRIVATE_NET") == nullptr)
        GTEST_SKIP() << "the fixture sites are served on port 80 of the private network namespace only";
    const PageCase& c = GetParam();
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

INSTANTIATE_TEST_SUITE_P(Shapes, EncodingPageTest, testing::ValuesIn(allCases()),
                         [](const testing::TestParamInfo<PageCase>& info) {
                             std::string name = info.param.shape;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

} // namespace
