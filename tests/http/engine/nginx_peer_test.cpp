// The request engine against a real peer: nginx, started by the test on a loopback port with a
// configuration written by the test. Keep-alive reuse is proven by the connection numbers nginx
// logs; gzip is switched on, so its responses are also chunked; a 301 is followed.
#include "../../support/file_test_support.h"
#include "base/data_buffer.h"
#include "http/http_client.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "tool_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <set>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const char* const kNginx = "/usr/sbin/nginx";

uint16_t freePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool portOpen(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool open = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return open;
}

class NginxPeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TOOL(access(kNginx, X_OK) == 0, "nginx (make deps installs it)");
        char pattern[] = "/tmp/dunmere-nginx-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        std::filesystem::create_directories(m_dir + "/www");
        std::string page;
        for (int i = 0; i < 3000; ++i)
            page += "<p>line " + std::to_string(i) + " of a page served by nginx</p>\n";
        m_page = "<html><body>\n" + page + "</body></html>\n";
        file_test::writeBytes(m_dir + "/www/page.html", m_page);
        m_port = freePort();
        std::ostringstream conf;
        // The test runs as root of its own user namespace, where only that user exists.
        conf << "user root root;\ndaemon off;\nmaster_process off;\nworker_processes 1;\n"
             << "error_log " << m_dir << "/error.log;\npid " << m_dir << "/nginx.pid;\n"
             << "events { worker_connections 64; }\n"
             << "http {\n"
             << "  log_format conn '$connection $request';\n"
             << "  access_log " << m_dir << "/access.log conn;\n"
             << "  client_body_temp_path " << m_dir << "/body;\n  proxy_temp_path " << m_dir << "/proxy;\n"
             << "  fastcgi_temp_path " << m_dir << "/fastcgi;\n  uwsgi_temp_path " << m_dir << "/uwsgi;\n"
             << "  scgi_temp_path " << m_dir << "/scgi;\n"
             << "  keepalive_timeout 30;\n  gzip on;\n  gzip_min_length 1;\n  gzip_types text/plain;\n"
             << "  types { text/html html; }\n"
             << "  server {\n    listen 127.0.0.1:" << m_port << ";\n    root " << m_dir << "/www;\n"
             << "    location = /moved { return 301 /page.html; }\n  }\n}\n";
        file_test::writeBytes(m_dir + "/nginx.conf", conf.str());
        m_pid = fork();
        ASSERT_GE(m_pid, 0);
        if (m_pid == 0) {
            execl(kNginx, kNginx, "-p", m_dir.c_str(), "-c", (m_dir + "/nginx.conf").c_str(), nullptr);
            _exit(127);
        }
        for (int i = 0; i < 100 && !portOpen(m_port); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(portOpen(m_port)) << file_test::readBytes(m_dir + "/error.log");
        m_control.connectTimeout = 2;
        m_control.readTimeout = 3;
        m_control.extraHeaders.addField("Accept-Encoding", "gzip");
    }

    void TearDown() override {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
        if (!m_dir.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_dir, ec);
        }
    }

    std::string url(const char* path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    // The connection numbers nginx logged, one per request.
    std::vector<std::string> loggedConnections() const {
        std::vector<std::string> numbers;
        std::istringstream log(file_test::readBytes(m_dir + "/access.log"));
        for (std::string line; std::getline(log, line);)
            numbers.push_back(line.substr(0, line.find(' ')));
        return numbers;
    }

    std::string m_dir;
    std::string m_page;
    uint16_t m_port = 0;
    pid_t m_pid = -1;
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
        EXPECT_TRUE(std::string(reinterpret_cast<const char*>(body.getData()), body.getSize()) == m_page);
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
