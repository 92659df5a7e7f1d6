#include "http/socket/zelcora_socket.h"

#include "base/data_buffer.h"
#include "base/log_base.h"
#include "base/platform.h"
#include "base/string_buffer.h"
#include "http/socket/host_address_cache.h"
#include "http/socket/socket_errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A monitored wait is cut into slices so that the monitor is asked regularly.
constexpr uint32_t kMonitorSliceMs = 200;
constexpr uint32_t kMinSliceMs = 10;

std::once_flag g_startupOnce;

void logLastOsError(int err, LogBase* log) {
    if (log == nullptr)
        return;
    StringBuffer text;
    Platform::AppendErrorText(err, text);
    log->LogError(text.getString());
}

// poll() that resumes after a signal with the time still left.
int pollFor(int fd, short events, uint32_t ms, short& revents) {
    uint32_t start = Platform::GetTickCount();
    for (;;) {
        pollfd p{fd, events, 0};
        uint32_t spent = Platform::GetTickCount() - start;
        int wait = spent >= ms ? 0 : static_cast<int>(ms - spent);
        int rc = ::poll(&p, 1, wait);
        if (rc < 0 && errno == EINTR)
            continue;
        revents = p.revents;
        return rc;
    }
}

} // namespace

ZelcoraSocket::ZelcoraSocket() {
    startup(nullptr);
}

ZelcoraSocket::~ZelcoraSocket() {
    close();
}

bool ZelcoraSocket::startup(LogBase*) {
    // A write to a connection the peer has closed must fail, not end the process. Plain sends
    // pass MSG_NOSIGNAL, but the TLS library writes to the socket itself, so the signal is
    // ignored process-wide, once.
    std::call_once(g_startupOnce, [] { std::signal(SIGPIPE, SIG_IGN); });
    return true;
}

bool ZelcoraSocket::createSocket(bool ipv6, LogBase* log) {
    startup(log);
    close();
    m_handle = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_handle < 0) {
        int err = errno;
        m_handle = -1;
        SocketErrors::logSocketError(SocketErrors::fromErrno(err), log);
        return false;
    }
    return true;
}

void ZelcoraSocket::close() {
    if (m_handle >= 0) {
        ::shutdown(m_handle, SHUT_RDWR);
        ::close(m_handle);
        m_handle = -1;
    }
    m_connected = false;
    m_aheadStart = 0;
    m_aheadEnd = 0;
}

void ZelcoraSocket::setReadTimeoutMs(uint32_t ms) {
    if (ms == 0)
        ms = 1;
    if (ms > HttpLimits::kMaxReadTimeoutMs)
        ms = HttpLimits::kMaxReadTimeoutMs;
    m_readTimeoutMs = ms;
}

void ZelcoraSocket::setDeadlineFromNow(uint32_t ms) {
    m_deadline = Deadline::fromNow(ms);
}

// ---- Connecting ----

bool ZelcoraSocket::resolve(const char* host, const Deadline& connectBy, HostAddressList& out, LogBase* log,
                            bool& dnsFailed) {
    bool silent = false;
    bool found;
    if (m_hostCache != nullptr) {
        found = m_hostCache->addressesOf(host, connectBy.msLeft(), out, log, silent);
    } else {
        HostAddress address;
        found = HostResolver::literal(host, address);
        if (found)
            out.assign(1, address);
        else
            found =
                HostResolver::resolve(host, connectBy.msLeft(), out, log) == HostResolver::Outcome::kFound;
    }
    if (found)
        return true;
    dnsFailed = true;
    if (log != nullptr) {
        log->LogError("Cannot get host by name.");
        log->LogData("hostname", host);
    }
    return false;
}

bool ZelcoraSocket::connect(const char* host, uint16_t port, LogBase* log, bool& dnsFailed) {
    dnsFailed = false;
    m_connectFailure = FetchFailure::Dns;
    if (host == nullptr)
        return false;
    StringBuffer name(host);
    name.trim();
    if (name.getSize() == 0)
        return false;
    startup(log);
    close();

    // One budget for the look-up and every address: the connect time-out, cut by the deadline.
    uint32_t budget = m_connectTimeoutSec == 0 ? UINT32_MAX : m_connectTimeoutSec * 1000;
    budget = m_deadline.cap(budget);
    Deadline connectBy = budget == UINT32_MAX ? Deadline() : Deadline::fromNow(budget);
    HostAddressList addresses;
    if (!resolve(name.getString(), connectBy, addresses, log, dnsFailed))
        return false;

    m_connectFailure = FetchFailure::Refused;
    int code = 0;
    for (const HostAddress& address : addresses) {
        Attempt attempt = connectTo(address, port, connectBy, log, code);
        if (attempt == Attempt::kConnected) {
            m_connectFailure = FetchFailure::None;
            return true;
        }
        if (attempt == Attempt::kTimedOut || connectBy.expired())
            m_connectFailure = FetchFailure::Timeout;
        if (attempt == Attempt::kTimedOut) {
            if (m_hostCache != nullptr)
                m_hostCache->markTimedOut(address);
            break;
        }
        if (connectBy.expired())
            break;
    }
    if (log != nullptr)
        log->LogError("Connect function failed.");
    SocketErrors::logSocketError(code, log);
    close();
    return false;
}

bool ZelcoraSocket::setBlocking(bool blocking) {
    int flags = ::fcntl(m_handle, F_GETFL, 0);
    if (flags < 0)
        return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return ::fcntl(m_handle, F_SETFL, flags) == 0;
}

ZelcoraSocket::Attempt ZelcoraSocket::connectTo(const HostAddress& address, uint16_t port,
                                                const Deadline& connectBy, LogBase* log, int& code) {
    if (!createSocket(address.isIpv6, log) || m_handle < 0) {
        if (log != nullptr)
            log->LogError("Cannot connect, invalid socket.");
        code = SocketErrors::fromErrno(errno);
        return Attempt::kFailed;
    }
    sockaddr_storage storage{};
    socklen_t length;
    if (address.isIpv6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        std::memcpy(&v6->sin6_addr, address.bytes, 16);
        length = sizeof(sockaddr_in6);
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        std::memcpy(&v4->sin_addr, address.bytes, 4);
        length = sizeof(sockaddr_in);
    }
    bool timed = connectBy.isSet();
    if (timed)
        setBlocking(false);
    int rc = ::connect(m_handle, reinterpret_cast<const sockaddr*>(&storage), length);
    int err = rc == 0 ? 0 : errno;
    if (rc != 0 && timed && (err == EINPROGRESS || err == EINTR)) {
        int pending = 0;
        if (waitWritable(connectBy.msLeft(), log, pending)) {
            rc = 0;
        } else if (pending == 0) {
            code = SocketErrors::kWouldBlock;
            return Attempt::kTimedOut;
        } else {
            code = pending;
        }
    } else if (rc != 0) {
        code = SocketErrors::fromErrno(err);
    }
    if (timed)
        setBlocking(true);
    if (rc == 0) {
        onConnected();
        return Attempt::kConnected;
    }
    if (log != nullptr) {
        StringBuffer text;
        address.toText(text);
        log->LogDataLong("sockError", code);
        log->LogData("address", text.getString());
    }
    return Attempt::kFailed;
}

void ZelcoraSocket::onConnected() {
    m_connected = true;
    // Sends are bounded by the read time-out too, so a peer that stops reading cannot block one.
    timeval sendLimit{static_cast<time_t>(m_readTimeoutMs / 1000),
                      static_cast<suseconds_t>((m_readTimeoutMs % 1000) * 1000)};
    ::setsockopt(m_handle, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof(sendLimit));
    int one = 1;
    ::setsockopt(m_handle, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
}

bool ZelcoraSocket::waitWritable(uint32_t ms, LogBase* log, int& connectError) {
    connectError = 0;
    if (m_handle < 0) {
        if (log != nullptr)
            log->LogError("invalid socket, not ready for writing.");
        return false;
    }
    short revents = 0;
    int rc = pollFor(m_handle, POLLOUT, ms, revents);
    if (rc < 0) {
        if (log != nullptr)
            log->LogError("select returned a socket error");
        connectError = SocketErrors::fromErrno(errno);
        return false;
    }
    if (rc == 1) {
        int err = 0;
        socklen_t len = sizeof(err);
        if (::getsockopt(m_handle, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0)
            return true;
        connectError = SocketErrors::fromErrno(err != 0 ? err : ECONNREFUSED);
        return false;
    }
    if (log != nullptr)
        log->LogError("socket is not ready for writing");
    return false;
}

bool ZelcoraSocket::isWritableWithin(uint32_t ms) {
    if (m_handle < 0)
        return false;
    short revents = 0;
    return pollFor(m_handle, POLLOUT, ms, revents) == 1 && (revents & (POLLERR | POLLHUP)) == 0;
}

bool ZelcoraSocket::hasUnexpectedInput() {
    if (m_handle < 0 || m_aheadStart < m_aheadEnd)
        return true;
    short revents = 0;
    return pollFor(m_handle, POLLIN, 0, revents) != 0;
}

// ---- Sending ----

bool ZelcoraSocket::sendBytes(const void* data, uint32_t count, LogBase* log, ProgressMonitor* monitor) {
    m_lastSendError = 0;
    if (count == 0 || data == nullptr)
        return false;
    if (m_handle < 0) {
        if (log != nullptr)
            log->LogError("No socket exists for sending");
        return false;
    }
    const auto* p = static_cast<const unsigned char*>(data);
    uint32_t sent = 0;
    int idle = 0;
    while (sent < count) {
        if (monitor != nullptr && monitor->abortRequested()) {
            if (log != nullptr)
                log->LogError("Socket send aborted by application");
            return false;
        }
        uint32_t piece = count - sent < kSendPiece ? count - sent : kSendPiece;
        ssize_t n = ::send(m_handle, p + sent, piece, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_lastSendError = SocketErrors::fromErrno(errno);
            SocketErrors::logSocketError(m_lastSendError, log);
            if (log != nullptr) {
                log->LogError("Error sending on socket");
                log->LogDataLong("send_size", static_cast<int>(piece));
            }
            return false;
        }
        if (n == 0) {
            if (++idle > HttpLimits::kMaxIdleSends) {
                m_lastSendError = SocketErrors::kWouldBlock;
                if (log != nullptr)
                    log->LogError("Error sending on socket");
                return false;
            }
            Platform::Sleep(HttpLimits::kIdleSendPauseMs);
            continue;
        }
        idle = 0;
        sent += static_cast<uint32_t>(n);
        if (monitor != nullptr)
            monitor->bytesMoved(static_cast<uint32_t>(n));
    }
    return true;
}

// ---- Receiving ----

bool ZelcoraSocket::waitReadable(uint32_t ms, LogBase* log, ProgressMonitor* monitor, bool& timedOut) {
    timedOut = false;
    if (ms == 0)
        ms = 1;
    uint32_t left = msLeft();
    bool deadlineCuts = left < ms;
    if (deadlineCuts)
        ms = left;
    uint32_t waited = 0;
    for (;;) {
        uint32_t slice = ms - waited;
        if (monitor != nullptr && slice > kMonitorSliceMs)
            slice = kMonitorSliceMs;
        if (monitor != nullptr && slice < kMinSliceMs)
            slice = kMinSliceMs;
        short revents = 0;
        int rc = pollFor(m_handle, POLLIN, slice, revents);
        if (rc < 0) {
            if (log != nullptr)
                log->LogError("The peer has closed the socket (TCP) connection");
            close();
            return false;
        }
        if (rc > 0)
            return true;
        waited += slice;
        if (waited >= ms)
            break;
        if (monitor != nullptr && monitor->abortRequested())
            return false;
    }
    timedOut = true;
    if (deadlineCuts && log != nullptr)
        log->LogError("The response took longer than the time allowed for it.");
    return false;
}

bool ZelcoraSocket::waitReady(bool forWriting, LogBase* log, bool& timedOut) {
    timedOut = false;
    if (m_handle < 0)
        return false;
    uint32_t ms = m_readTimeoutMs == 0 ? 60000 : m_readTimeoutMs;
    uint32_t left = msLeft();
    bool deadlineCuts = left < ms;
    if (deadlineCuts)
        ms = left;
    short revents = 0;
    int rc = pollFor(m_handle, forWriting ? POLLOUT : POLLIN, ms, revents);
    if (rc > 0)
        return true;
    if (rc == 0) {
        timedOut = true;
        if (log != nullptr)
            log->LogError(deadlineCuts ? "The response took longer than the time allowed for it."
                                       : "WaitForData timed out.");
    }
    return false;
}

bool ZelcoraSocket::receiveOnce(void* buffer, uint32_t& count, bool& timedOut, LogBase* log,
                                ProgressMonitor* monitor) {
    timedOut = false;
    if (m_aheadStart < m_aheadEnd) {
        count = std::min(count, m_aheadEnd - m_aheadStart);
        std::memcpy(buffer, m_readAhead + m_aheadStart, count);
        m_aheadStart += count;
        if (monitor != nullptr)
            monitor->bytesMoved(count);
        return true;
    }
    if (m_handle < 0) {
        count = 0;
        if (log != nullptr)
            log->LogError("This socket is not connected");
        return false;
    }
    if (!waitReadable(m_readTimeoutMs == 0 ? 60000 : m_readTimeoutMs, log, monitor, timedOut)) {
        if (timedOut && m_handle >= 0 && log != nullptr)
            log->LogError("WaitForData timed out.");
        if (m_handle < 0)
            timedOut = false;
        count = 0;
        return false;
    }
    ssize_t n;
    do {
        n = ::recv(m_handle, buffer, count, 0);
    } while (n < 0 && errno == EINTR);
    if (n == 0) {
        if (log != nullptr)
            log->LogError("The peer has closed the socket (TCP) connection");
        close();
        count = 0;
        return false;
    }
    if (n < 0) {
        logLastOsError(errno, log);
        if (log != nullptr)
            log->LogError("Failed to receive on the TCP socket");
        count = 0;
        return false;
    }
    count = static_cast<uint32_t>(n);
    if (monitor != nullptr)
        monitor->bytesMoved(count);
    return true;
}

bool ZelcoraSocket::receiveExact(void* buffer, uint32_t count, LogBase* log, ProgressMonitor* monitor) {
    auto* p = static_cast<unsigned char*>(buffer);
    uint32_t received = 0;
    while (received < count) {
        uint32_t n = count - received;
        bool timedOut = false;
        if (!receiveOnce(p + received, n, timedOut, log, monitor))
            return false;
        received += n;
    }
    return true;
}

bool ZelcoraSocket::receiveBytesToBuffer(uint32_t n, DataBuffer& out, LogBase* log,
                                         ProgressMonitor* monitor) {
    if (n == 0 || n > HttpLimits::kMaxBulkReceive)
        return false;
    uint32_t done = 0;
    while (done < n) {
        uint32_t piece = n - done > HttpLimits::kMaxReceivePiece ? HttpLimits::kMaxReceivePiece : n - done;
        std::unique_ptr<unsigned char[]> block(new unsigned char[piece]);
        if (!receiveExact(block.get(), piece, log, monitor))
            return false;
        if (!out.append(block.get(), piece))
            return false;
        done += piece;
    }
    return true;
}

bool ZelcoraSocket::receiveUntilClosed(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool& tooLarge,
                                       ProgressMonitor* monitor) {
    tooLarge = false;
    if (maxBytes == 0 || maxBytes > HttpLimits::kMaxBulkReceive)
        maxBytes = HttpLimits::kMaxBulkReceive;
    std::unique_ptr<unsigned char[]> scratch(new unsigned char[HttpLimits::kReceiveBatchBytes]);
    uint32_t total = 0;
    for (;;) {
        uint32_t n = HttpLimits::kReceiveBatchBytes;
        bool timedOut = false;
        if (!receiveOnce(scratch.get(), n, timedOut, log, monitor) || n == 0)
            break;
        if (n > maxBytes - total) {
            if (log != nullptr)
                log->LogError("Response body is too large.");
            close();
            tooLarge = true;
            return false;
        }
        out.reserveForGrowth(n, maxBytes);
        out.append(scratch.get(), n);
        total += n;
    }
    return total > 0;
}

bool ZelcoraSocket::receiveSome(DataBuffer& out, LogBase* log, ProgressMonitor* monitor) {
    unsigned char scratch[HttpLimits::kReceiveBatchBytes];
    uint32_t n = HttpLimits::kReceiveBatchBytes;
    bool timedOut = false;
    bool ok = receiveOnce(scratch, n, timedOut, log, monitor);
    if (ok)
        out.append(scratch, n);
    return ok || out.getSize() > 0;
}

bool ZelcoraSocket::nextByte(unsigned char& b, LogBase* log) {
    if (m_aheadStart == m_aheadEnd) {
        uint32_t n = sizeof(m_readAhead);
        bool timedOut = false;
        if (!receiveOnce(m_readAhead, n, timedOut, log))
            return false;
        m_aheadStart = 0;
        m_aheadEnd = n;
    }
    b = m_readAhead[m_aheadStart++];
    return true;
}
