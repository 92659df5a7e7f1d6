#include "dns_test_server.h"

#include <arpa/inet.h>
#include <cctype>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test_support {

namespace {

constexpr uint16_t kTypeA = 1;
constexpr uint16_t kTypeAaaa = 28;
constexpr size_t kHeaderSize = 12;

void put16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v & 0xFF));
}

uint16_t get16(const std::string& in, size_t at) {
    return static_cast<uint16_t>((static_cast<unsigned char>(in[at]) << 8) |
                                 static_cast<unsigned char>(in[at + 1]));
}

} // namespace

DnsTestServer::~DnsTestServer() {
    stop();
}

bool DnsTestServer::add(const std::string& name, const std::string& address) {
    unsigned char bytes[16];
    std::string raw;
    if (inet_pton(AF_INET, address.c_str(), bytes) == 1)
        raw.assign(reinterpret_cast<char*>(bytes), 4);
    else if (inet_pton(AF_INET6, address.c_str(), bytes) == 1)
        raw.assign(reinterpret_cast<char*>(bytes), 16);
    else
        return false;
    std::string key;
    for (char c : name)
        key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records[key].push_back(raw);
    return true;
}

bool DnsTestServer::start(const std::string& address, uint16_t port) {
    sockaddr_storage storage{};
    socklen_t length;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else {
        return false;
    }
    m_fd = ::socket(storage.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&storage), length) != 0)
        return false;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&storage), &length);
    m_port = ntohs(storage.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    m_thread = std::thread([this] { serve(); });
    return true;
}

void DnsTestServer::stop() {
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void DnsTestServer::serve() {
    char buffer[512];
    while (!m_stopping) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        sockaddr_storage from{};
        socklen_t fromLength = sizeof(from);
        ssize_t n =
            ::recvfrom(m_fd, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n <= 0)
            continue;
        ++m_queries;
        if (m_silent)
            continue;
        std::string reply = answer(std::string(buffer, static_cast<size_t>(n)));
        if (!reply.empty())
            ::sendto(m_fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }
}

std::string DnsTestServer::answer(const std::string& query) const {
    if (query.size() < kHeaderSize + 5 || get16(query, 4) != 1)
        return std::string();
    std::string name;
    size_t at = kHeaderSize;
    while (at < query.size() && query[at] != 0) {
        size_t label = static_cast<unsigned char>(query[at]);
        if (label > 63 || at + 1 + label >= query.size())
            return std::string();
        if (!name.empty())
            name.push_back('.');
        for (size_t i = 0; i < label; ++i)
            name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(query[at + 1 + i]))));
        at += 1 + label;
    }
    if (at + 5 > query.size())
        return std::string();
    uint16_t type = get16(query, at + 1);
    std::string question = query.substr(kHeaderSize, at + 5 - kHeaderSize);

    std::vector<std::string> answers;
    bool known;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_records.find(name);
        known = found != m_records.end();
        if (known) {
            for (const std::string& raw : found->second) {
                if ((type == kTypeA && raw.size() == 4) || (type == kTypeAaaa && raw.size() == 16))
                    answers.push_back(raw);
            }
        }
    }
    std::string reply = query.substr(0, 2);
    put16(reply, static_cast<uint16_t>(0x8180 | (known ? 0 : 3))); // a recursive answer; NXDOMAIN
    put16(reply, 1);
    put16(reply, static_cast<uint16_t>(answers.size()));
    put16(reply, 0);
    put16(reply, 0);
    reply += question;
    for (const std::string& raw : answers) {
        put16(reply, 0xC00C); // the name of the question
        put16(reply, type);
        put16(reply, 1);
        put16(reply, 0);
        put16(reply, 60);
        put16(reply, static_cast<uint16_t>(raw.size()));
        reply += raw;
    }
    return reply;
}

} // namespace test_support
