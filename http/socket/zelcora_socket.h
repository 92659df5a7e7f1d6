// ZelcoraSocket: the blocking TCP stream under every HTTP connection, plain or beneath the TLS
// channel. It connects over IPv4 or IPv6, trying each address of the host in turn within one
// connect time-out, waits for readiness before every receive and sends in bounded pieces. Header
// blocks and lines are read from a small read-ahead buffer, filled by one receive of whatever has
// arrived, so a header costs a receive or two rather than one per byte; every receive hands out
// what is left in that buffer first. Every operation reports its failures to the caller's log and
// answers a plain boolean. One socket belongs to one connection and one thread at a time.
//
// Besides the per-read time-out a socket can carry a deadline: once it has passed, every wait
// fails at once, the name look-up and connect included. The HTTP engine sets one per connect and
// per response, so that a server that sends a byte every few seconds cannot hold a connection
// for ever.
#pragma once

#include "base/zelcora_object.h"
#include "http/fetch_failure.h"
#include "http/limits.h"
#include "http/socket/deadline.h"
#include "http/socket/host_resolver.h"
#include "http/socket/http_stream.h"

#include <cstdint>

class DataBuffer;
class HostAddressCache;
class LogBase;

// Told of the bytes a transfer moved; may ask for the transfer to stop.
class ProgressMonitor {
public:
    virtual ~ProgressMonitor() = default;
    // True when the transfer should stop.
    virtual bool abortRequested() = 0;
    virtual void bytesMoved(uint32_t n) = 0;
};

class ZelcoraSocket : public ZelcoraObject, public HttpStream {
public:
    static constexpr uint32_t kDefaultReadTimeoutMs = 30000;
    static constexpr uint32_t kDefaultConnectTimeoutSec = 7;
    static constexpr uint32_t kSendPiece = 4096;

    ZelcoraSocket();
    ~ZelcoraSocket() override;
    ZelcoraSocket(const ZelcoraSocket&) = delete;
    ZelcoraSocket& operator=(const ZelcoraSocket&) = delete;

    // Process-wide start-up of the socket layer, done once whatever the number of callers.
    static bool startup(LogBase* log);

    // Closes any open socket and creates a fresh IPv4 or IPv6 stream socket.
    bool createSocket(bool ipv6, LogBase* log);
    // Where connects look names up and record addresses that timed out; null: a look-up of
    // their own every time.
    void setHostCache(HostAddressCache* cache) { m_hostCache = cache; }
    // Connects to a host name or address literal, trying the host's addresses in turn; name
    // look-up and every attempt together end within the connect time-out and the deadline.
    // "localhost" means 127.0.0.1; a literal is never looked up. dnsFailed tells a name that did
    // not resolve from other failures.
    bool connect(const char* host, uint16_t port, LogBase* log, bool& dnsFailed);
    void close();
    bool isConnected() const override { return m_connected; }
    // The operating system's handle, for the TLS channel that runs over this socket; -1 when none.
    int handle() const { return m_handle; }

    // 0 becomes 1 and values above 500000 become 500000.
    void setReadTimeoutMs(uint32_t ms) override;
    uint32_t getReadTimeoutMs() const override { return m_readTimeoutMs; }
    // Whether the socket can take data within `ms` milliseconds.
    bool isWritableWithin(uint32_t ms);
    // Whether an idle connection has something to read: the peer closed it, reset it, or sent
    // bytes nobody asked for (some may already sit in the read-ahead). Either way it can carry no
    // further request.
    bool hasUnexpectedInput();
    // 0 means no time-out of its own: the deadline, if any, bounds the connect, else it blocks.
    void setConnectTimeoutSec(uint32_t s) { m_connectTimeoutSec = s; }
    uint32_t getConnectTimeoutSec() const { return m_connectTimeoutSec; }
    // Every wait fails once `ms` milliseconds from now have passed, until clearDeadline().
    void setDeadlineFromNow(uint32_t ms) override;
    void clearDeadline() override { m_deadline.clear(); }
    // Milliseconds left before the deadline (UINT32_MAX without one).
    uint32_t msLeft() const { return m_deadline.msLeft(); }
    // Waits until the socket can be read (or written) within the read time-out and the
    // deadline; for a stream layered over this socket. timedOut tells a time-out from a failure.
    bool waitReady(bool forWriting, LogBase* log, bool& timedOut);
    bool setBlocking(bool blocking);
    // The socket error code of the last failed send, 0 when the last send succeeded.
    int lastSendError() const { return m_lastSendError; }
    // Why the last connect failed: Dns, Refused or Timeout.
    FetchFailure connectFailure() const { return m_connectFailure; }

    bool sendBytes(const void* data, uint32_t count, LogBase* log, ProgressMonitor* monitor = nullptr);
    // Waits for data and receives up to `count` bytes once; `count` receives the number read.
    // Bytes left in the read-ahead come first, without a wait.
    bool receiveOnce(void* buffer, uint32_t& count, bool& timedOut, LogBase* log,
                     ProgressMonitor* monitor = nullptr);
    // Fills exactly `count` bytes.
    bool receiveExact(void* buffer, uint32_t count, LogBase* log, ProgressMonitor* monitor = nullptr);
    // Receives exactly n bytes (1 to 0xC000000) and appends them to `out`.
    bool receiveBytesToBuffer(uint32_t n, DataBuffer& out, LogBase* log, ProgressMonitor* monitor);
    bool receiveBytesToBuffer(uint32_t n, DataBuffer& out, LogBase* log) override {
        return receiveBytesToBuffer(n, out, log, nullptr);
    }
    // Receives until the peer closes, appending; true when anything at all arrived. At most
    // `maxBytes` are taken (0: the bulk ceiling); more fails with "Response body is too large.".
    bool receiveUntilClosed(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool& tooLarge,
                            ProgressMonitor* monitor);
    bool receiveUntilClosed(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool& tooLarge) override {
        return receiveUntilClosed(out, log, maxBytes, tooLarge, nullptr);
    }
    bool receiveUntilClosed(DataBuffer& out, LogBase* log, uint32_t maxBytes = 0) {
        bool tooLarge = false;
        return receiveUntilClosed(out, log, maxBytes, tooLarge, nullptr);
    }
    // One receive of up to 20000 bytes, appended.
    bool receiveSome(DataBuffer& out, LogBase* log, ProgressMonitor* monitor = nullptr);

    bool sendAll(const void* data, uint32_t count, LogBase* log) override {
        return sendBytes(data, count, log);
    }
    void closeStream(LogBase*) override { close(); }

protected:
    bool nextByte(unsigned char& b, LogBase* log) override;

private:
    enum class Attempt { kConnected, kFailed, kTimedOut };
    bool resolve(const char* host, const Deadline& connectBy, HostAddressList& out, LogBase* log,
                 bool& dnsFailed);
    // One address; `code` receives the socket error code of a failure.
    Attempt connectTo(const HostAddress& address, uint16_t port, const Deadline& connectBy, LogBase* log,
                      int& code);
    // True when writable within `ms`; `connectError` receives a pending connect error.
    bool waitWritable(uint32_t ms, LogBase* log, int& connectError);
    void onConnected();
    // True when data (or the peer's close) can be read within `ms`.
    bool waitReadable(uint32_t ms, LogBase* log, ProgressMonitor* monitor, bool& timedOut);

    bool m_connected = false;
    int m_handle = -1;
    // Received but not yet handed out: bytes m_aheadStart to m_aheadEnd of m_readAhead.
    unsigned char m_readAhead[HttpLimits::kReadAheadBytes];
    uint32_t m_aheadStart = 0;
    uint32_t m_aheadEnd = 0;
    uint32_t m_readTimeoutMs = kDefaultReadTimeoutMs;
    uint32_t m_connectTimeoutSec = kDefaultConnectTimeoutSec;
    int m_lastSendError = 0;
    FetchFailure m_connectFailure = FetchFailure::None;
    Deadline m_deadline;
    HostAddressCache* m_hostCache = nullptr;
};
