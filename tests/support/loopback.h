// What the test servers share: a listener on the loopback address, a wait for bytes to read and a
// send of every byte.
#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test_support {

// A socket listening on 127.0.0.1 (or ::1) at `port` (0: any free port), the port it got in
// `actual`; -1 when it cannot listen.
inline int listenOnLoopback(bool ipv6, uint16_t port, int backlog, uint16_t& actual) {
    int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in6 address6{};
    address6.sin6_family = AF_INET6;
    address6.sin6_port = htons(port);
    address6.sin6_addr = in6addr_loopback;
    auto* bound = ipv6 ? reinterpret_cast<sockaddr*>(&address6) : reinterpret_cast<sockaddr*>(&address);
    socklen_t length = ipv6 ? sizeof(address6) : sizeof(address);
    if (::bind(fd, bound, length) != 0 || ::listen(fd, backlog) != 0) {
        ::close(fd);
        return -1;
    }
    ::getsockname(fd, bound, &length);
    actual = ntohs(ipv6 ? address6.sin6_port : address.sin_port);
    return fd;
}

// Waits up to `ms` for the descriptor to become readable; false on timeout.
inline bool waitReadable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, ms);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

// Hands every byte to `write` (a send on a socket or a TLS session) until done or the peer goes.
template <typename Write> void writeAll(const char* p, size_t n, Write write) {
    while (n > 0) {
        auto sent = write(p, n);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return;
        p += sent;
        n -= static_cast<size_t>(sent);
    }
}

inline void sendAll(int fd, const char* p, size_t n) {
    writeAll(p, n, [fd](const char* q, size_t k) { return ::send(fd, q, k, MSG_NOSIGNAL); });
}

// Name look-ups and fixed ports are for the private network namespace only.
inline bool inPrivateNetwork() {
    const char* flag = std::getenv("DUNMERE_PRIVATE_NET");
    return flag != nullptr && std::strcmp(flag, "1") == 0;
}

// A port of 127.0.0.1 that nothing listens on at the moment of asking.
inline uint16_t freeLoopbackPort() {
    uint16_t port = 0;
    int fd = listenOnLoopback(false, 0, 1, port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

// A socket connected to 127.0.0.1 at `port`; -1 when nothing answers there.
inline int connectToLoopback(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

} // namespace test_support
