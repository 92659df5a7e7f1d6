// HttpMan against the scripted server: credentials of a URL stay in the settings for its host
// only, and each call leaves its own record.
// Pages in their charsets and answers that are no page are engine cases (cases/page-*.case,
// cases/no-page-*.case).
#include "http/http_man.h"

#include "base/string_buffer.h"
#include "engine_test_support.h"
#include "script_server.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using engine_test::loopbackUrl;
using engine_test::okResponse;
using test_support::delay;
using test_support::expect;
using test_support::ScriptServer;
using test_support::send;

class HttpManTest : public ::testing::Test {
protected:
    void SetUp() override {
        http.SetConnectTimeout(2);
        http.SetReadTimeout(3);
    }
    HttpMan http;
};

TEST_F(HttpManTest, CredentialsOfAUrlStayForLaterRequests) {
    ScriptServer server;
    server.addScript(
        {expect("\r\n\r\n"), send(okResponse("a")), expect("\r\n\r\n"), send(okResponse("b")), delay(300)});
    ASSERT_TRUE(server.start());
    StringBuffer html;
    ASSERT_TRUE(http.QuickGetHtml(loopbackUrl(server.port(), "/first", "user:pw@").c_str(), html));
    EXPECT_STREQ(http.control().login.getString(), "user");
    EXPECT_STREQ(http.control().password.getString(), "pw");
    ASSERT_TRUE(http.QuickGetHtml(loopbackUrl(server.port(), "/second").c_str(), html));
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

} // namespace
