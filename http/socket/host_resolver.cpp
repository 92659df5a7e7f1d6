#include "http/socket/host_resolver.h"

#include "base/log_base.h"
#include "base/string_buffer.h"
#include "http/limits.h"
#include "http/socket/deadline.h"

#include <ares.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>

namespace {

std::once_flag g_libraryOnce;
int g_libraryStatus = ARES_ENOTINITIALIZED;

bool libraryReady() {
    std::call_once(g_libraryOnce, [] { g_libraryStatus = ares_library_init(ARES_LIB_INIT_ALL); });
    return g_libraryStatus == ARES_SUCCESS;
}

// One family's question on a channel of its own: two questions on one UDP socket steal each
// other's "port unreachable" errors, and a resolver that refuses would then be waited for.
struct Query {
    ares_channel channel = nullptr;
    bool done = false;
    int status = ARES_ENOTFOUND;
    HostAddressList found;
};

void onAnswer(void* arg, int status, int, ares_addrinfo* result) {
    auto* query = static_cast<Query*>(arg);
    query->done = true;
    query->status = status;
    if (result == nullptr)
        return;
    for (ares_addrinfo_node* node = result->nodes; node != nullptr; node = node->ai_next) {
        HostAddress address;
        if (node->ai_family == AF_INET && node->ai_addr != nullptr) {
            const auto* v4 = reinterpret_cast<const sockaddr_in*>(node->ai_addr);
            std::memcpy(address.bytes, &v4->sin_addr, 4);
        } else if (node->ai_family == AF_INET6 && node->ai_addr != nullptr) {
            const auto* v6 = reinterpret_cast<const sockaddr_in6*>(node->ai_addr);
            address.isIpv6 = true;
            std::memcpy(address.bytes, &v6->sin6_addr, 16);
        } else {
            continue;
        }
        query->found.push_back(address);
    }
    ares_freeaddrinfo(result);
}

// Channels for look-ups, one per family, lent to one look-up at a time and kept for the next:
// setting one up reads /etc/resolv.conf and takes some 70 KB, so that happens neither per look-up
// nor per thread, only when more look-ups than ever before run at once. A channel is used only
// by the look-up holding it, so no look-up waits on another.
class ChannelPool {
public:
    struct Channels {
        ares_channel ipv6 = nullptr;
        ares_channel ipv4 = nullptr;
    };

    ~ChannelPool() {
        for (Channels& channels : m_idle)
            destroy(channels);
    }
    // False, with a message in the log, when c-ares could not set up new ones.
    bool take(Channels& out, LogBase* log) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_idle.empty()) {
                out = m_idle.back();
                m_idle.pop_back();
                return true;
            }
        }
        out = Channels();
        if (create(out.ipv6, log) && create(out.ipv4, log))
            return true;
        destroy(out);
        return false;
    }
    // Back from a look-up that has cancelled whatever it left open.
    void give(const Channels& channels) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_idle.push_back(channels);
    }

private:
    static bool create(ares_channel& channel, LogBase* log) {
        // c-ares left to itself retries a silent server for half a minute; short tries let the
        // caller's deadline be what ends a look-up.
        // A pooled channel keeps its socket to the server between look-ups, which spares each
        // look-up opening, connecting and closing one.
        ares_options options{};
        options.timeout = static_cast<int>(HttpLimits::kResolverTryMs);
        options.tries = HttpLimits::kResolverTries;
        options.flags = ARES_FLAG_STAYOPEN;
        int status = ares_init_options(&channel, &options, ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_FLAGS);
        if (status == ARES_SUCCESS)
            return true;
        channel = nullptr;
        if (log != nullptr) {
            log->LogError("Name resolution could not be started.");
            log->LogData("resolverStatus", ares_strerror(status));
        }
        return false;
    }
    static void destroy(Channels& channels) {
        for (ares_channel channel : {channels.ipv6, channels.ipv4}) {
            if (channel != nullptr)
                ares_destroy(channel);
        }
    }

    std::mutex m_mutex;
    std::vector<Channels> m_idle;
};

ChannelPool& channelPool() {
    static ChannelPool pool;
    return pool;
}

void start(Query& query, ares_channel channel, const char* host, int family) {
    query.channel = channel;
    ares_addrinfo_hints hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    ares_getaddrinfo(channel, host, nullptr, &hints, onAnswer, &query);
}

int waitMs(const timeval& tv) {
    return static_cast<int>(tv.tv_sec * 1000 + (tv.tv_usec + 999) / 1000);
}

// Waits once for the sockets of the unfinished queries (at most `left` ms) and lets c-ares
// handle what arrived and what timed out.
void step(Query* queries[2], uint32_t left) {
    pollfd fds[2 * ARES_GETSOCK_MAXNUM];
    Query* owner[2 * ARES_GETSOCK_MAXNUM];
    nfds_t count = 0;
    int wait = -1;
    for (int q = 0; q < 2; ++q) {
        if (queries[q]->done)
            continue;
        ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
        int bits = ares_getsock(queries[q]->channel, sockets, ARES_GETSOCK_MAXNUM);
        for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
            short events = static_cast<short>((ARES_GETSOCK_READABLE(bits, i) ? POLLIN : 0) |
                                              (ARES_GETSOCK_WRITABLE(bits, i) ? POLLOUT : 0));
            if (events != 0) {
                owner[count] = queries[q];
                fds[count++] = pollfd{sockets[i], events, 0};
            }
        }
        timeval cap{}, next{};
        if (left != UINT32_MAX) {
            cap.tv_sec = left / 1000;
            cap.tv_usec = static_cast<suseconds_t>(left % 1000) * 1000;
        }
        timeval* until = ares_timeout(queries[q]->channel, left == UINT32_MAX ? nullptr : &cap, &next);
        if (until != nullptr && (wait < 0 || waitMs(*until) < wait))
            wait = waitMs(*until);
    }
    if (wait < 0)
        wait = static_cast<int>(left == UINT32_MAX ? HttpLimits::kResolverTryMs : left);
    int rc = ::poll(fds, count, wait);
    if (rc < 0)
        return;
    for (nfds_t i = 0; i < count; ++i) {
        bool readable = (fds[i].revents & (POLLIN | POLLERR | POLLHUP)) != 0;
        bool writable = (fds[i].revents & POLLOUT) != 0;
        if ((readable || writable) && !owner[i]->done)
            ares_process_fd(owner[i]->channel, readable ? fds[i].fd : ARES_SOCKET_BAD,
                            writable ? fds[i].fd : ARES_SOCKET_BAD);
    }
    for (int q = 0; q < 2; ++q) {
        if (!queries[q]->done)
            ares_process_fd(queries[q]->channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
    }
}

// Runs both questions until they have answered or the deadline has passed. Once the IPv4
// answer is in, the IPv6 one gets only a short grace, as browsers do.
void drive(Query& ipv6, Query& ipv4, const Deadline& deadline) {
    Query* queries[2] = {&ipv6, &ipv4};
    Deadline grace;
    while (!ipv6.done || !ipv4.done) {
        if (ipv4.done && !ipv4.found.empty() && !grace.isSet())
            grace = Deadline::fromNow(HttpLimits::kIpv6AnswerGraceMs);
        uint32_t left = grace.cap(deadline.msLeft());
        if (left == 0)
            break;
        step(queries, left);
    }
    for (Query* query : queries) {
        if (!query->done)
            ares_cancel(query->channel);
    }
}

void keep(HostAddressList& out, const HostAddress& address) {
    if (out.size() >= HttpLimits::kMaxHostAddresses)
        return;
    for (const HostAddress& known : out) {
        if (known == address)
            return;
    }
    out.push_back(address);
}

// IPv6 and IPv4 addresses alternate, IPv6 first, each family in the order the servers gave it,
// so that a family that does not work here costs one attempt, not all of them.
void merge(const Query& ipv6, const Query& ipv4, HostAddressList& out) {
    size_t longer = ipv6.found.size() > ipv4.found.size() ? ipv6.found.size() : ipv4.found.size();
    for (size_t i = 0; i < longer; ++i) {
        for (const Query* query : {&ipv6, &ipv4}) {
            if (i < query->found.size())
                keep(out, query->found[i]);
        }
    }
}

} // namespace

bool HostAddress::operator==(const HostAddress& other) const {
    return isIpv6 == other.isIpv6 && std::memcmp(bytes, other.bytes, isIpv6 ? 16 : 4) == 0;
}

void HostAddress::toText(StringBuffer& out) const {
    char text[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(isIpv6 ? AF_INET6 : AF_INET, bytes, text, sizeof(text));
    out.append(text);
}

bool HostResolver::literal(const char* host, HostAddress& out) {
    out = HostAddress();
    StringBuffer name(host == nullptr ? "" : host);
    name.trim();
    if (name.equalsIgnoreCase("localhost"))
        name.setString("127.0.0.1");
    if (::inet_pton(AF_INET, name.getString(), out.bytes) == 1)
        return true;
    std::string text = name.getString();
    if (text.size() > 2 && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    out.isIpv6 = ::inet_pton(AF_INET6, text.c_str(), out.bytes) == 1;
    return out.isIpv6;
}

HostResolver::Outcome HostResolver::resolve(const char* host, uint32_t ms, HostAddressList& out,
                                            LogBase* log) {
    out.clear();
    if (!libraryReady()) {
        if (log != nullptr)
            log->LogError("Name resolution could not be started.");
        return Outcome::kNoAnswer;
    }
    ChannelPool::Channels channels;
    if (!channelPool().take(channels, log))
        return Outcome::kNoAnswer;
    Deadline deadline = ms == UINT32_MAX ? Deadline() : Deadline::fromNow(ms);
    Query ipv6, ipv4;
    start(ipv6, channels.ipv6, host, AF_INET6);
    start(ipv4, channels.ipv4, host, AF_INET);
    // Every question still open when this returns is cancelled, so the channels are idle again.
    drive(ipv6, ipv4, deadline);
    channelPool().give(channels);
    merge(ipv6, ipv4, out);
    if (!out.empty())
        return Outcome::kFound;
    if (log != nullptr)
        log->LogData("resolverStatus", ares_strerror(ipv4.status));
    auto silent = [](int status) {
        return status == ARES_ETIMEOUT || status == ARES_ECANCELLED || status == ARES_EDESTRUCTION;
    };
    return silent(ipv4.status) || silent(ipv6.status) ? Outcome::kNoAnswer : Outcome::kNotFound;
}
