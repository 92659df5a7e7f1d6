// The request builder on what the engine cases cannot set: conditional fields, the host and
// target as the caller gives them, and long credentials. Each header set as a whole is an
// engine case (cases/request-*.case), checked on the bytes that reach the server.
#include "http/request_builder.h"

#include "../support/case_rows.h"
#include "../support/zone_scope.h"
#include "base/string_buffer.h"
#include "http/date_parser.h"
#include "http/http_control.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kUrl = "http://Host.COM/a/b.html?x=1#top";
const char* const kHost = "host.com";
const char* const kPath = "/a/b.html";
const char* const kQuery = "x=1";

class RequestBuilderTest : public ::testing::Test {
protected:
    std::string configurable(bool conditional = false, const char* etag = "",
                             const SystemTime& lastModified = SystemTime()) {
        StringBuffer out("stale");
        buildRequestConfigurable(kUrl, kHost, kPath, kQuery, control, conditional, etag, lastModified, out);
        return out.getString();
    }
    HttpControl control;
};

TEST_F(RequestBuilderTest, ConditionalLinesComeFirst) {
    SystemTime lastModified;
    ASSERT_TRUE(DateParser::parseDate("Tue, 05 Mar 2024 14:03:09 GMT", lastModified));
    EXPECT_EQ(configurable(true, "\"abc\"", lastModified)
                  .rfind("GET /a/b.html?x=1 HTTP/1.1\r\n"
                         "If-None-Match: \"abc\"\r\nAccept: */*\r\n",
                         0),
              0u);
    control.extraHeaders.addField("X-One", "1");
    test_support::ZoneScope zone("XXX-1");
    EXPECT_EQ(configurable(true, "", lastModified)
                  .rfind("GET /a/b.html?x=1 HTTP/1.1\r\n"
                         "If-Modified-Since: Tue, 05 Mar 2024 15:03:09 +0100\r\n"
                         "X-One: 1\r\n",
                         0),
              0u);
    std::string plain = configurable();
    EXPECT_EQ(configurable(true, "", SystemTime()), plain);
    EXPECT_EQ(configurable(false, "\"abc\"", lastModified), plain);
}

TEST_F(RequestBuilderTest, HostLineIsLowerCasedWithoutPortAndAnEmptyQueryHasNoMark) {
    StringBuffer out;
    buildRequestConfigurable("http://h/", "WWW.H.de:8080", "/", "", control, false, "", SystemTime(), out);
    EXPECT_NE(std::string(out.getString()).find("\r\nHost: www.h.de\r\n"), std::string::npos);
    EXPECT_EQ(std::string(out.getString()).rfind("GET / HTTP/1.1\r\n", 0), 0u);
    buildRequestMsie("http://h/p", "h", "/p", "", control, out);
    EXPECT_EQ(std::string(out.getString()).rfind("GET /p HTTP/1.1\r\n", 0), 0u);
}

TEST_F(RequestBuilderTest, AuthorizationNeedsBothPartsAndStaysOnOneLine) {
    control.login.setString("user");
    EXPECT_EQ(configurable().find("Authorization"), std::string::npos);
    control.login.clear();
    control.password.setString("pass");
    EXPECT_EQ(configurable().find("Authorization"), std::string::npos);
    control.login.setString(std::string(100, 'u').c_str());
    control.password.setString(std::string(100, 'p').c_str());
    StringBuffer out;
    appendAuthorizationHeader(control, out);
    std::string text = out.getString();
    ASSERT_EQ(text.rfind("Authorization: Basic ", 0), 0u);
    EXPECT_EQ(text.find("\r\n"), text.size() - 2);
    EXPECT_EQ(text.size(), std::string("Authorization: Basic ").size() + 268 + 2);
}

// Every header set starts with the same request line; nothing in the path or query may break it.
TEST(RequestTarget, EncodedInEveryHeaderSet) {
    HttpControl control;
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/request_targets.tsv", 3)) {
        StringBuffer out;
        buildRequestConfigurable(kUrl, kHost, c[0].c_str(), c[1].c_str(), control, false, "", SystemTime(),
                                 out);
        EXPECT_EQ(std::string(out.getString()).substr(0, c[2].size()), c[2]);
        buildRequestMsie(kUrl, kHost, c[0].c_str(), c[1].c_str(), control, out);
        EXPECT_EQ(std::string(out.getString()).substr(0, c[2].size()), c[2]);
        buildRequestFirefox(kUrl, kHost, c[0].c_str(), c[1].c_str(), control, out);
        EXPECT_EQ(std::string(out.getString()).substr(0, c[2].size()), c[2]);
    }
}

TEST_F(RequestBuilderTest, ProxyTargetIsEncodedToo) {
    control.proxyDomain.setString("proxy");
    StringBuffer out;
    buildRequestConfigurable("http://h/a b\r\n\xE9#frag", "h", "/", "", control, false, "", SystemTime(),
                             out);
    EXPECT_EQ(std::string(out.getString()).rfind("GET http://h/a%20b%0D%0A%E9 HTTP/1.1\r\n", 0), 0u);
}

TEST_F(RequestBuilderTest, HostLineEndsAtABlankOrControlByte) {
    const char* const hosts[] = {"h\r\nX-Injected: 1", "h x", "h\tx", "h\nx"};
    for (const char* host : hosts) {
        StringBuffer out;
        buildRequestConfigurable("http://h/", host, "/", "", control, false, "", SystemTime(), out);
        std::string text = out.getString();
        EXPECT_NE(text.find("\r\nHost: h\r\nConnection:"), std::string::npos) << text;
        EXPECT_EQ(text.find("Injected"), std::string::npos) << text;
        buildRequestFirefox("http://h/", host, "/", "", control, out);
        EXPECT_NE(std::string(out.getString()).find("\r\nHost: h\r\nUser-Agent:"), std::string::npos);
    }
}

} // namespace
