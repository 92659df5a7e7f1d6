// FixtureServer: a small web server on 127.0.0.1 for tests that fetch whole sites. It answers
// every request from a table of pages keyed by Host (without port) and path, keeps connections
// alive, and records each request it saw, so a test can check what was fetched and in which
// order. A page not in the table is a 404. Pages may be added before or after start.
#pragma once

#include "site_folder.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

struct FixturePage {
    int status = 200;
    std::string headers; // extra header lines, each ending in CR LF
    std::string body;
    int delayMs = 0;      // pause before answering
    bool gzip = false;    // the body goes out gzip-compressed, with Content-Encoding: gzip
    bool chunked = false; // the body goes out in chunks instead of with a length
};

class FixtureServer;

// The site folders of `dir` (see site_folder.h), their pages added to `server` under every host
// name of their site.
using FixtureSite = SiteFolder;
std::vector<FixtureSite> loadFixtureSites(const std::string& dir, FixtureServer& server);

class FixtureServer {
public:
    FixtureServer() = default;
    ~FixtureServer();
    FixtureServer(const FixtureServer&) = delete;
    FixtureServer& operator=(const FixtureServer&) = delete;

    // host "*" answers for any host that has no page of its own at that path.
    void add(const std::string& host, const std::string& path, const std::string& body,
             const std::string& contentType = "text/html");
    void addPage(const std::string& host, const std::string& path, const FixturePage& page);
    bool start(uint16_t port = 0);
    // The same on the IPv6 loopback address ::1.
    bool startIpv6(uint16_t port = 0);
    void stop();
    uint16_t port() const { return m_port; }

    // Every request seen, as "host path", in order.
    std::vector<std::string> requests() const;
    int countRequests(const std::string& hostAndPath) const;

private:
    struct Connection {
        std::thread thread;
        int fd = -1;
    };

    bool listenOn(bool ipv6, uint16_t port);
    void acceptLoop();
    // Joins the threads of connections that have ended, so a long run keeps few threads.
    void reapFinished();
    void serve(int fd, uint64_t id);
    bool lookup(const std::string& host, const std::string& path, FixturePage& page) const;

    mutable std::mutex m_mutex;
    std::map<std::string, FixturePage> m_pages;
    std::vector<std::string> m_requests;
    // Open connections by number; a connection's thread adds its number to m_finished as it ends.
    std::map<uint64_t, Connection> m_connections;
    std::vector<uint64_t> m_finished;
    uint64_t m_nextConnection = 0;
    std::thread m_acceptThread;
    std::atomic<bool> m_stopping{false};
    int m_listenFd = -1;
    uint16_t m_port = 0;
};

} // namespace test_support
