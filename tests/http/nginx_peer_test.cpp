// The request engine against a real peer: nginx, started by the test on a loopback port with a
// configuration written by the test. Keep-alive reuse is proven by the connection numbers nginx
// logs; gzip is switched on, so its responses are also chunked; a 301 is followed.
#include "base/data_buffer.h"
#include "buffer_text.h"
#include "engine_test_support.h"
#include "http/http_client.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "tests/support/file_test_support.h"
#include "tests/support/nginx_peer.h"
#include "tool_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace {

class NginxPeerTest : public file_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        REQUIRE_TOOL(test_support::NginxPeer::installed(), "nginx (make deps installs it)");
        std::filesystem::create_directories(m_dir + "/www");
        std::string page;
        for (int i = 0; i < 3000; ++i)
            page += "<p>line " + std::to_string(i) + " of a page served by nginx</p>\n";
        m_page = "<html><body>\n" + page + "</body></html>\n";
        file_test::writeBytes(m_dir + "/www/page.html", m_page);
        m_port = test_support::freeLoopbackPort();
        std::ostringstream conf;
        conf << "  log_format conn '$connection $request';\n  access_log " << m_dir << "/access.log conn;\n"
             << "  keepalive_timeout 30;\n  gzip on;\n  gzip_min_length 1;\n  gzip_types text/plain;\n"
             << "  server {\n    listen 127.0.0.1:" << m_port << ";\n    root " << m_dir << "/www;\n"
             << "    location = /moved { return 301 /page.html; }\n  }\n";
        std::string why;
        ASSERT_TRUE(m_nginx.start(m_dir, m_port, conf.str(), why)) << why;
        m_control.connectTimeout = 2;
        m_control.readTimeout = 3;
        m_control.extraHeaders.addField("Accept-Encoding", "gzip");
    }

    void TearDown() override {
        m_nginx.stop();
        TempDirTest::TearDown();
    }

    std::string url(const char* path) const { return engine_test::loopbackUrl(m_port, path); }

    // The connection numbers nginx logged, one per request.
    std::vector<std::string> loggedConnections() const {
        std::vector<std::string> numbers;
        std::istringstream log(file_test::readBytes(m_dir + "/access.log"));
        for (std::string line; std::getline(log, line);)
            numbers.push_back(line.substr(0, line.find(' ')));
        return numbers;
    }

    test_support::NginxPeer m_nginx;
    std::string m_page;
    uint16_t m_port = 0;
    HttpControl m_control;
};

TEST_F(NginxPeerTest, KeepAliveGzipChunkedAndARedirect) {
    HttpClient client;
    client.setTarget("127.0.0.1", m_port);
    file_test::RecordingLog log;
    DataBuffer body;
    HttpResult result;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(client.quickRequest(url("/page.html").c_str(), m_control, body, result, &log));
        EXPECT_EQ(result.responseHeader.statusCode, 200);
        StringBuffer encoding, transfer;
        result.responseHeader.fields.getField("Content-Encoding", encoding);
        result.responseHeader.fields.getField("Transfer-Encoding", transfer);
        EXPECT_STREQ(encoding.getString(), "gzip");
        EXPECT_STREQ(transfer.getString(), "chunked");
        EXPECT_EQ(body.getSize(), m_page.size());
        EXPECT_TRUE(test_support::bytesOf(body) == m_page);
    }
    ASSERT_TRUE(client.quickRequest(url("/moved").c_str(), m_control, body, result, &log));
    EXPECT_TRUE(result.wasRedirected);
    EXPECT_EQ(std::string(result.finalRedirectUrl.getString()), url("/page.html"));
    EXPECT_EQ(body.getSize(), m_page.size());

    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::vector<std::string> connections = loggedConnections();
    ASSERT_EQ(connections.size(), 5u) << file_test::readBytes(m_dir + "/access.log");
    // The three pages and the 301 came over one kept-alive connection; the followed redirect
    // used a connection of its own.
    EXPECT_EQ(connections[0], connections[1]);
    EXPECT_EQ(connections[1], connections[2]);
    EXPECT_EQ(connections[2], connections[3]);
    EXPECT_NE(connections[3], connections[4]);
}

} // namespace
