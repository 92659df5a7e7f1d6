// TlsChannel: the secure channel HTTPS requests travel over, a TLS session on top of a
// ZelcoraSocket. This is the one part of the library that knows OpenSSL; the request engine sees
// only this interface and the HttpStream it shares with plain connections.
//
// The server's certificate is checked against the system trust store (or the file named by
// SSL_CERT_FILE) and the host name; a failed check is logged under "WinVerifyTrustError" with
// the matching name and "Error authenticating server credentials!", and the connection goes on.
// TLS 1.2 and 1.3 are offered. Every wait of the handshake, of sending and of receiving is
// bounded by the read time-out and the socket's deadline.
#pragma once

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "http/socket/http_stream.h"
#include "http/socket/zelcora_socket.h"

#include <cstdint>

class LogBase;

class TlsChannel : public HttpStream {
public:
    TlsChannel();
    ~TlsChannel() override;
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    void setServerName(const char* name) { m_serverName.setString(name == nullptr ? "" : name); }
    const char* getServerName() const { return m_serverName.getString(); }
    void setPort(int port) { m_port = port; }
    int getPort() const { return m_port; }
    void setConnectTimeoutSec(uint32_t s) { m_socket.setConnectTimeoutSec(s); }
    void setHostCache(HostAddressCache* cache) { m_socket.setHostCache(cache); }
    void setReadTimeoutSec(uint32_t s) { m_socket.setReadTimeoutMs(s * 1000); }
    void setReadTimeoutMs(uint32_t ms) override { m_socket.setReadTimeoutMs(ms); }
    uint32_t getReadTimeoutMs() const override { return m_socket.getReadTimeoutMs(); }
    // Whether an idle session has something to read (a close-notify alert, a reset, stray bytes).
    bool hasUnexpectedInput() {
        return m_pendingStart < m_pending.getSize() || m_socket.hasUnexpectedInput();
    }

    // TCP connect, handshake with the server name, certificate check, connection information.
    // The deadline (setDeadlineFromNow) bounds all of it. dnsFailed tells a name that did not
    // resolve from other failures.
    bool connect(LogBase* log, bool& dnsFailed);
    // Why the last connect failed: the socket's reason, or Tls when the handshake failed.
    FetchFailure connectFailure() const {
        return m_handshakeFailed ? FetchFailure::Tls : m_socket.connectFailure();
    }
    bool isConnected() const override;
    // Encrypts and sends the whole message.
    bool sendSecure(const void* data, uint32_t count, LogBase* log);
    // One batch: waits for data and appends whatever decrypts from it; `ended` is set when the
    // server closed the session.
    bool receiveDecrypted(DataBuffer& out, LogBase* log, bool& ended);
    // Sends the close-notify alert and closes the socket.
    void close(LogBase* log);

    // The stream the request engine reads responses from.
    bool sendAll(const void* data, uint32_t count, LogBase* log) override {
        return sendSecure(data, count, log);
    }
    bool receiveBytesToBuffer(uint32_t n, DataBuffer& out, LogBase* log) override;
    bool receiveUntilClosed(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool& tooLarge) override;
    void setDeadlineFromNow(uint32_t ms) override { m_socket.setDeadlineFromNow(ms); }
    void clearDeadline() override { m_socket.clearDeadline(); }
    void closeStream(LogBase* log) override { close(log); }

protected:
    bool nextByte(unsigned char& b, LogBase* log) override;

private:
    bool handshake(LogBase* log);
    void checkServerCertificate(LogBase* log);
    void logConnectionInfo(LogBase* log);
    // Makes at least one decrypted byte available in m_pending; false at the end or on failure.
    bool fillPending(LogBase* log);
    void freeSession();

    StringBuffer m_serverName;
    int m_port = 443;
    bool m_handshakeFailed = false;
    ZelcoraSocket m_socket;
    void* m_ssl = nullptr;
    // Decrypted bytes not yet handed out, from m_pendingStart on.
    DataBuffer m_pending;
    uint32_t m_pendingStart = 0;
    bool m_sessionEnded = false;
};
