// DnsTestServer: a tiny name server on a loopback UDP port for tests of name resolution. It
// answers A and AAAA questions from a table of names, in the order the addresses were added,
// NXDOMAIN for names it does not know and an empty answer for a known name without addresses
// of the asked family. In silent mode it reads every query and answers none, like a resolver
// whose upstream never replies. Queries it saw are counted.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

class DnsTestServer {
public:
    DnsTestServer() = default;
    ~DnsTestServer();
    DnsTestServer(const DnsTestServer&) = delete;
    DnsTestServer& operator=(const DnsTestServer&) = delete;

    // Adds an address (dotted IPv4 or IPv6 text) to a name; false when the text is neither.
    bool add(const std::string& name, const std::string& address);
    void setSilent(bool silent) { m_silent = silent; }
    // Listens on `address`:`port` (port 0: any free port).
    bool start(const std::string& address = "127.0.0.1", uint16_t port = 53);
    void stop();
    uint16_t port() const { return m_port; }
    int queryCount() const { return m_queries.load(); }

private:
    void serve();
    // The reply to one query; empty when the query cannot be read.
    std::string answer(const std::string& query) const;

    mutable std::mutex m_mutex;
    std::map<std::string, std::vector<std::string>> m_records; // name -> raw address bytes
    std::atomic<bool> m_silent{false};
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_queries{0};
    std::thread m_thread;
    int m_fd = -1;
    uint16_t m_port = 0;
};

} // namespace test_support
