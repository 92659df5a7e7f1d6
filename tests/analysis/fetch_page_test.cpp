// fetchPage against a fixture web server on port 80 of the private network, where site.test and
// www.site.test name loopback: what is fetched is checked by the requests the server saw. The
// visited list, a refresh on the same host and a page for sale are covered by the site folders of
// the crawl tests.
#include "analysis/page_fetch.h"

#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "fixture_server.h"
#include "http/http_man.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {

using test_support::FixtureServer;

class FetchPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DUNMERE_PRIVATE_NET") == nullptr)
            GTEST_SKIP() << "the fixture sites are served on port 80 of the private network namespace only";
        http.SetConnectTimeout(2);
        http.SetReadTimeout(3);
    }
    void startServer() { ASSERT_TRUE(server.start(80)); }
    bool fetch(const char* url) {
        html.clear();
        path.clear();
        return fetchPage(analyzer, 0, http, url, html, path, visited);
    }

    // Pages /d0.html to /d<last>.html, each a frameset holding the next; the page after them
    // holds `end`.
    void frameChain(int last, const std::string& end) {
        for (int d = 0; d <= last; ++d)
            server.add("site.test", "/d" + std::to_string(d) + ".html",
                       "<html><frameset><frame src=\"/d" + std::to_string(d + 1) + ".html\"></frameset>D" +
                           std::to_string(d) + "</html>");
        server.add("site.test", "/d" + std::to_string(last + 1) + ".html", end);
    }

    FixtureServer server;
    SiteAnalyzer analyzer;
    HttpMan http;
    ClsStringArray visited;
    StringBuffer html;
    StringBuffer path;
};

TEST_F(FetchPageTest, OtherHostRefreshIsScoredAndTheBetterPageWins) {
    // Current page: no markers; target longer, with a title and a description: -10 -8 -8 = -26.
    server.add("site.test", "/",
               "<html><head><meta http-equiv=\"refresh\" "
               "content=\"0;URL=http://www.site.test/main.html\"></head></html>");
    server.add("www.site.test", "/main.html",
               "<html><head><title>Main</title><meta name=\"Description\" content=\"d\"></head>"
               "<body>the real page with much more text than the first one</body></html>");
    startServer();
    ASSERT_TRUE(fetch("http://site.test/"));
    EXPECT_EQ(server.countRequests("www.site.test /main.html"), 1);
    EXPECT_NE(std::string(html.getString()).find("the real page"), std::string::npos);
    EXPECT_TRUE(visited.Contains("http://www.site.test/main.html"));
}

TEST_F(FetchPageTest, CurrentPageWithAdCodeStays) {
    // Current: ad client and a title, shorter than a target with a title: -10 +8 -8 +25 = +15.
    server.add("site.test", "/",
               "<html><head><title>T</title><meta http-equiv=\"refresh\" "
               "content=\"0;URL=http://www.site.test/\"><script>google_ad_client</script></head>"
               "</html>");
    std::string longer =
        "<html><head><title>Other</title></head><body>" + std::string(500, 'x') + "</body></html>";
    server.add("www.site.test", "/", longer);
    startServer();
    ASSERT_TRUE(fetch("http://site.test/"));
    EXPECT_EQ(server.countRequests("www.site.test /"), 1);
    EXPECT_NE(std::string(html.getString()).find("google_ad_client"), std::string::npos);
    StringBuffer current("<title>x</title>google_ad_client");
    StringBuffer target(("<title>" + longer).c_str());
    EXPECT_EQ(refreshScore(current, target), 15);
    EXPECT_EQ(refreshScore(StringBuffer("a"), StringBuffer("<title>bb name=\"Description\"")), -26);
    // Either case, right at the end; one byte short is no match, nor is a match behind a NUL byte.
    EXPECT_EQ(refreshScore(StringBuffer("ab"), StringBuffer("xx NAME=\"DESCRIPTION\"")), -18);
    EXPECT_EQ(refreshScore(StringBuffer("ab"), StringBuffer("xx name=\"Description")), -10);
    EXPECT_EQ(refreshScore(StringBuffer(reinterpret_cast<const unsigned char*>("a\0<TITLE>"), 9, 0),
                           StringBuffer("b")),
              10);
}

TEST_F(FetchPageTest, FramesFourOfSixEachAfterALineFeed) {
    std::string frameset = "<html><frameset>";
    for (int i = 1; i <= 6; ++i) {
        frameset += "<frame src=\"./f" + std::to_string(i) + ".html\">";
        server.add("site.test", "/f" + std::to_string(i) + ".html", "F" + std::to_string(i));
    }
    server.add("site.test", "/", frameset + "</frameset></html>");
    startServer();
    ASSERT_TRUE(fetch("http://site.test/"));
    std::string page = html.getString();
    EXPECT_NE(page.find("</html>\nF1\nF2\nF3\nF4"), std::string::npos) << page;
    EXPECT_EQ(server.countRequests("site.test /f5.html"), 0);
    EXPECT_EQ(server.countRequests("site.test /f6.html"), 0);
}

TEST_F(FetchPageTest, FramesStopAtTheDepthLimit) {
    // Each page is a frameset holding the next; the page at depth 3 is still read and tested,
    // its own frame (depth 4) is refused but listed as visited.
    frameChain(3, "D4");
    startServer();
    ASSERT_TRUE(fetch("http://site.test/d0.html"));
    EXPECT_EQ(server.countRequests("site.test /d3.html"), 1);
    EXPECT_EQ(server.countRequests("site.test /d4.html"), 0);
    EXPECT_TRUE(visited.Contains("http://site.test/d4.html"));
    std::string page = html.getString();
    EXPECT_NE(page.find("D3"), std::string::npos);
    EXPECT_EQ(page.find("D4"), std::string::npos);
}

TEST_F(FetchPageTest, DeadFrameAtDepthThreeIsLeftOut) {
    frameChain(2, "<html>D3 Error 404</html>");
    startServer();
    ASSERT_TRUE(fetch("http://site.test/d0.html"));
    EXPECT_EQ(server.countRequests("site.test /d3.html"), 1);
    EXPECT_EQ(std::string(html.getString()).find("D3"), std::string::npos);
}

// Inline frames are appended after a line feed; a failing one stops those after it.
TEST_F(FetchPageTest, InlineFramesAreAppendedUntilOneFails) {
    server.add("site.test", "/", "<html><body><iframe src=\"in.html\"></iframe></body></html>");
    server.add("site.test", "/in.html", "INLINE");
    server.add("site.test", "/two",
               "<html><body><iframe src=\"/missing.html\"></iframe><iframe src=\"/second.html\"></iframe>"
               "</body></html>");
    server.add("site.test", "/second.html", "SECOND");
    startServer();
    ASSERT_TRUE(fetch("http://site.test/"));
    EXPECT_NE(std::string(html.getString()).find("\nINLINE"), std::string::npos);
    ASSERT_TRUE(fetch("http://site.test/two"));
    EXPECT_EQ(server.countRequests("site.test /missing.html"), 1);
    EXPECT_EQ(server.countRequests("site.test /second.html"), 0);
}

TEST_F(FetchPageTest, LongFramesetInQuickModeIsTakenUnchanged) {
    analyzer.setQuickMode(true);
    std::string page =
        "<html><frameset><frame src=\"/f.html\"></frameset>" + std::string(60000, ' ') + "</html>";
    server.add("site.test", "/", page);
    server.add("site.test", "/f.html", "FRAME");
    startServer();
    ASSERT_TRUE(fetch("http://site.test/"));
    EXPECT_EQ(server.countRequests("site.test /f.html"), 0);
    EXPECT_EQ(static_cast<size_t>(html.getSize()), page.size());
}

TEST_F(FetchPageTest, NbspBecomesABlankAndRedirectsSetThePath) {
    test_support::FixturePage moved;
    moved.status = 302;
    moved.headers = "Location: /new/place.html\r\n";
    server.addPage("site.test", "/old", moved);
    server.add("site.test", "/new/place.html", "<p>a&nbsp;b</p>");
    startServer();
    ASSERT_TRUE(fetch("http://site.test/old"));
    EXPECT_STREQ(path.getString(), "/new/place.html");
    EXPECT_STREQ(html.getString(), "<p>a b</p>");
}

// Slow frames and a time budget: the frames that arrived in time stay in the page, the one in
// flight ends at the budget, and no request starts after it.
TEST_F(FetchPageTest, TimeBudgetEndsAFramesetWithTheFramesAlreadyRead) {
    server.add("site.test", "/",
               "<html><frameset><frame src=\"/1.html\"><frame src=\"/2.html\"><frame src=\"/3.html\">"
               "<frame src=\"/4.html\"></frameset></html>");
    const char* const names[] = {"one", "two", "three", "four"};
    for (int i = 0; i < 4; ++i) {
        test_support::FixturePage slow;
        slow.body = std::string("<p>frame ") + names[i] + "</p>";
        slow.delayMs = 1000;
        server.addPage("site.test", "/" + std::to_string(i + 1) + ".html", slow);
    }
    startServer();
    http.SetReadTimeout(8);
    http.SetTimeBudgetMs(2600);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(fetch("http://site.test/"));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_LT(ms.count(), 4500);
    EXPECT_NE(std::string(html.getString()).find("frame one"), std::string::npos) << html.getString();
    EXPECT_EQ(std::string(html.getString()).find("frame four"), std::string::npos);
    EXPECT_EQ(server.countRequests("site.test /4.html"), 0);
    EXPECT_TRUE(http.GetTimeBudgetSpent());
    StringBuffer page;
    EXPECT_FALSE(http.QuickGetHtml("http://site.test/1.html", page));
    EXPECT_EQ(server.countRequests("site.test /1.html"), 1);
}

} // namespace
