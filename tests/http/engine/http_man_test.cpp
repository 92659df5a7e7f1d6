// HttpMan::QuickGetHtml against the scripted server: pages arrive as UTF-8 from the charset of
// the Content-Type or, for 8-bit pages, of the META tag; credentials of a URL stay in the
// settings for its host only; redirects can be reported instead of followed; an answer that is
// no page (an error status, 204, an unfollowed redirect, an empty body) is a failure.
#include "http/http_man.h"

#include "base/string_buffer.h"
#include "script_server.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using test_support::closeConnection;
using test_support::delay;
using test_support::expect;
using test_support::ScriptServer;
using test_support::send;

std::string okResponse(const std::string& body, const std::string& contentType) {
    std::string header = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    if (!contentType.empty())
        header += "Content-Type: " + contentType + "\r\n";
    return header + "\r\n" + body;
}

std::string urlOf(const ScriptServer& server, const std::string& path, const std::string& user = "") {
    return "http://" + user + "127.0.0.1:" + std::to_string(server.port()) + path;
}

class HttpManTest : public ::testing::Test {
protected:
    void SetUp() override {
        http.SetConnectTimeout(2);
        http.SetReadTimeout(3);
    }
    std::string fetch(const std::string& body, const std::string& contentType) {
        ScriptServer server;
        server.addScript({expect("\r\n\r\n"), send(okResponse(body, contentType)), delay(200)});
        EXPECT_TRUE(server.start());
        StringBuffer html("stale");
        EXPECT_TRUE(http.QuickGetHtml(urlOf(server, "/").c_str(), html));
        return std::string(html.getString(), static_cast<size_t>(html.getSize()));
    }

    HttpMan http;
};

struct PageCase {
    const char* name;
    const char* body;
    const char* contentType;
    const char* expected;
};

class PageCharsetTest : public HttpManTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(PageCharsetTest, ArrivesAsUtf8) {
    EXPECT_EQ(fetch(GetParam().body, GetParam().contentType), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageCharsetTest,
    ::testing::Values(
        PageCase{"windows1252ByHeader", "caf\xE9 \x80", "text/html; charset=windows-1252",
                 "caf\xC3\xA9 \xE2\x82\xAC"},
        PageCase{"quotedHeaderCharset", "\xE9", "text/html; charset=\"ISO-8859-1\"", "\xC3\xA9"},
        PageCase{"shiftJisByMeta",
                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\x82\xA0",
                 "text/html",
                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\xE3\x81\x82"},
        // A 7-bit page is never looked at for a META charset.
        PageCase{"asciiUnchanged",
                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-16\">plain", "",
                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-16\">plain"},
        // A byte that is not UTF-8 becomes U+FFFD: every page handed on is valid UTF-8.
        PageCase{"invalidUtf8Replaced", "bad \xFF utf-8", "text/html; charset=UTF-8",
                 "bad \xEF\xBF\xBD utf-8"},
        // us-ascii is read as windows-1252, as browsers do.
        PageCase{"usAsciiAsWindows1252", "x\xE9", "text/html; charset=us-ascii", "x\xC3\xA9"},
        // An unknown label counts as none: not UTF-8, so detection, falling back to windows-1252.
        PageCase{"unknownCharsetDetected", "x\xE9y", "text/html; charset=no-such-set", "x\xC3\xA9y"}),
    [](const ::testing::TestParamInfo<PageCase>& info) { return info.param.name; });

TEST_F(HttpManTest, CredentialsOfAUrlStayForLaterRequests) {
    ScriptServer server;
    server.addScript({expect("\r\n\r\n"), send(okResponse("a", "")), expect("\r\n\r\n"),
                      send(okResponse("b", "")), delay(300)});
    ASSERT_TRUE(server.start());
    StringBuffer html;
    ASSERT_TRUE(http.QuickGetHtml(urlOf(server, "/first", "user:pw@").c_str(), html));
    EXPECT_STREQ(http.control().login.getString(), "user");
    EXPECT_STREQ(http.control().password.getString(), "pw");
    ASSERT_TRUE(http.QuickGetHtml(urlOf(server, "/second").c_str(), html));
    // The same server under another name is another host: the credentials stay behind.
    std::string otherHost = "http://localhost:" + std::to_string(server.port()) + "/third";
    ASSERT_TRUE(http.QuickGetHtml(otherHost.c_str(), html));
    EXPECT_STREQ(http.control().login.getString(), "user");
    ASSERT_TRUE(server.waitForFinished(1, 3000));
    std::string sent = server.received(0);
    size_t second = sent.find("GET /second");
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(sent.find("Authorization: Basic dXNlcjpwdw==\r\n", second), std::string::npos) << sent;
    std::string third = server.received(1);
    EXPECT_NE(third.find("GET /third"), std::string::npos) << third;
    EXPECT_EQ(third.find("Authorization"), std::string::npos) << third;
}

struct NoPageCase {
    const char* name;
    const char* response;
    const char* logLine;
};

class NoPageTest : public HttpManTest, public ::testing::WithParamInterface<NoPageCase> {};

TEST_P(NoPageTest, IsNotAPage) {
    ScriptServer server;
    server.addScript({expect("\r\n\r\n"), send(GetParam().response), delay(200), closeConnection()});
    ASSERT_TRUE(server.start());
    StringBuffer html("stale");
    EXPECT_FALSE(http.QuickGetHtml(urlOf(server, "/").c_str(), html));
    EXPECT_EQ(html.getSize(), 0);
    StringBuffer record;
    http.log().GetXml(record);
    EXPECT_NE(std::string(record.getString()).find(GetParam().logLine), std::string::npos)
        << record.getString();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, NoPageTest,
    ::testing::Values(
        NoPageCase{"notFoundWithPage", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!",
                   "The server answered with an error status; no page."},
        NoPageCase{"chunkedServerError",
                   "HTTP/1.1 500 Internal Server Error\r\nTransfer-Encoding: chunked\r\n\r\n"
                   "5\r\noops!\r\n0\r\n\r\n",
                   "The server answered with an error status; no page."},
        NoPageCase{"unavailable", "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 4\r\n\r\nbusy",
                   "The server answered with an error status; no page."},
        NoPageCase{"noContent", "HTTP/1.1 204 No Content\r\n\r\n",
                   "The server answered 204 No Content; no page."},
        NoPageCase{"multipleChoices", "HTTP/1.1 300 Multiple Choices\r\nContent-Length: 5\r\n\r\nchoose",
                   "A redirect was not followed; no page."},
        NoPageCase{"emptyBody", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "The page is empty."},
        NoPageCase{"whiteSpaceBody", "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n \r\n\t \n",
                   "The page is empty."}),
    [](const ::testing::TestParamInfo<NoPageCase>& info) { return info.param.name; });

TEST_F(HttpManTest, RedirectReportedWhenNotFollowed) {
    ScriptServer server;
    server.addScript({expect("\r\n\r\n"),
                      send("HTTP/1.1 302 Found\r\nLocation: /there\r\nContent-Length: 0\r\n\r\n"),
                      delay(200)});
    ASSERT_TRUE(server.start());
    http.SetFollowRedirects(false);
    StringBuffer html;
    EXPECT_TRUE(http.QuickGetHtml(urlOf(server, "/here").c_str(), html));
    EXPECT_TRUE(http.GetWasRedirected());
    StringBuffer target;
    http.GetFinalRedirectUrl(target);
    EXPECT_EQ(std::string(target.getString()), urlOf(server, "/there"));
}

TEST_F(HttpManTest, EachCallLeavesItsOwnRecord) {
    StringBuffer html;
    EXPECT_FALSE(http.QuickGetHtml(nullptr, html));
    StringBuffer record;
    http.log().GetXml(record);
    EXPECT_NE(std::string(record.getString()).find("QuickGetHtml"), std::string::npos);
    EXPECT_NE(std::string(record.getString()).find("Failed to parse URL"), std::string::npos);
    EXPECT_FALSE(http.QuickGetHtml("http://127.0.0.1:1/", html));
    http.log().GetXml(record);
    EXPECT_EQ(std::string(record.getString()).find("Failed to parse URL"), std::string::npos);
}

TEST(HttpManSettings, CrawlerSettersReachTheFields) {
    HttpMan http;
    http.SetUseHttpCache(true);
    http.SetFetchFromCache(false);
    http.SetUpdateCache(false);
    http.SetMaxConnections(5);
    http.SetUserAgent("Quenlow/1.1 (+http://orrastead.example/quenlow.html)");
    http.SetMaxContentLength(250000);
    http.SetCutOversizeBody(true);
    http.SetConnectTimeout(5);
    http.SetReadTimeout(8);
    EXPECT_TRUE(http.control().useHttpCache);
    EXPECT_FALSE(http.control().cachePolicy.fetchFromCache);
    EXPECT_FALSE(http.control().cachePolicy.updateCache);
    EXPECT_EQ(http.pool().getMaxConnections(), 5);
    EXPECT_STREQ(http.control().userAgent.getString(),
                 "Quenlow/1.1 (+http://orrastead.example/quenlow.html)");
    EXPECT_EQ(http.control().maxContentLength, 250000);
    EXPECT_TRUE(http.control().cutOversizeBody);
    EXPECT_EQ(http.control().connectTimeout, 5);
    EXPECT_EQ(http.control().readTimeout, 8);
    EXPECT_FALSE(http.GetWasRedirected());
}

} // namespace
