#include "http/tls/tls_channel.h"

#include "base/log_base.h"
#include "http/limits.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <mutex>

namespace {

// The process-wide client context: one trust store, loaded once, shared by every channel.
struct ClientContext {
    SSL_CTX* ctx = nullptr;
    int firstErrorIndex = -1;
};

// Remembers the first certificate problem of the chain and lets the handshake go on: a failed
// check is reported, not fatal.
int recordFirstError(int preverifyOk, X509_STORE_CTX* store) {
    if (preverifyOk == 0) {
        auto* ssl =
            static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        SSL_CTX* ctx = ssl != nullptr ? SSL_get_SSL_CTX(ssl) : nullptr;
        int index =
            ctx != nullptr ? static_cast<int>(reinterpret_cast<intptr_t>(SSL_CTX_get_app_data(ctx))) : -1;
        if (index >= 0 && SSL_get_ex_data(ssl, index) == nullptr) {
            intptr_t error = X509_STORE_CTX_get_error(store);
            SSL_set_ex_data(ssl, index, reinterpret_cast<void*>(error));
        }
    }
    return 1;
}

const ClientContext& clientContext() {
    static ClientContext context;
    static std::once_flag once;
    std::call_once(once, [] {
        OPENSSL_init_ssl(0, nullptr);
        SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
        if (ctx == nullptr)
            return;
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        SSL_CTX_set_default_verify_paths(ctx);
        context.firstErrorIndex = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
        SSL_CTX_set_app_data(ctx, reinterpret_cast<void*>(static_cast<intptr_t>(context.firstErrorIndex)));
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, recordFirstError);
        context.ctx = ctx;
    });
    return context;
}

// The name the certificate check of the old platform gave a verification result.
const char* trustErrorName(long error) {
    switch (error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
        return "CERT_E_EXPIRED";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
        return "CERT_E_UNTRUSTEDROOT";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "CERT_E_CN_NO_MATCH";
    case X509_V_ERR_CERT_REVOKED:
        return "CERT_E_REVOKED";
    case X509_V_ERR_UNABLE_TO_GET_CRL:
    case X509_V_ERR_CRL_HAS_EXPIRED:
    case X509_V_ERR_CRL_NOT_YET_VALID:
    case X509_V_ERR_CRL_SIGNATURE_FAILURE:
        return "CERT_E_REVOCATION_FAILURE";
    case X509_V_ERR_INVALID_PURPOSE:
        return "CERT_E_WRONG_USAGE";
    case X509_V_ERR_PATH_LENGTH_EXCEEDED:
        return "CERT_E_PATHLENCONST";
    case X509_V_ERR_INVALID_CA:
        return "CERT_E_ROLE";
    case X509_V_ERR_UNHANDLED_CRITICAL_EXTENSION:
        return "CERT_E_CRITICAL";
    case X509_V_ERR_CERT_SIGNATURE_FAILURE:
    case X509_V_ERR_CERT_CHAIN_TOO_LONG:
        return "CERT_E_CHAINING";
    case X509_V_ERR_UNABLE_TO_DECODE_ISSUER_PUBLIC_KEY:
    case X509_V_ERR_UNABLE_TO_DECRYPT_CERT_SIGNATURE:
        return "CERT_E_MALFORMED";
    default:
        return "(unknown)";
    }
}

bool isIpAddress(const char* name) {
    in_addr v4{};
    in6_addr v6{};
    return inet_pton(AF_INET, name, &v4) == 1 || inet_pton(AF_INET6, name, &v6) == 1;
}

void logOpenSslError(LogBase* log) {
    unsigned long code = ERR_get_error();
    if (log != nullptr && code != 0) {
        char text[256];
        ERR_error_string_n(code, text, sizeof(text));
        log->LogData("openssl", text);
    }
    ERR_clear_error();
}

enum class Outcome { Done, Failed, TimedOut, Ended };

// Runs one OpenSSL call on the non-blocking socket until it completes, waiting for the socket
// whenever the call asks, each wait bounded by the read time-out and the deadline.
template <typename Call>
Outcome runCall(SSL* ssl, ZelcoraSocket& socket, LogBase* log, Call call, int& result) {
    for (;;) {
        ERR_clear_error();
        result = call();
        if (result > 0)
            return Outcome::Done;
        int error = SSL_get_error(ssl, result);
        bool timedOut = false;
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            if (socket.waitReady(error == SSL_ERROR_WANT_WRITE, log, timedOut))
                continue;
            return timedOut ? Outcome::TimedOut : Outcome::Failed;
        }
        if (error == SSL_ERROR_ZERO_RETURN)
            return Outcome::Ended;
        if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0)
            return Outcome::Ended; // the peer closed the connection without a close-notify alert
        if (error == SSL_ERROR_SSL &&
            ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
            ERR_clear_error();
            return Outcome::Ended;
        }
        logOpenSslError(log);
        return Outcome::Failed;
    }
}

} // namespace

TlsChannel::TlsChannel() = default;

TlsChannel::~TlsChannel() {
    close(nullptr);
}

void TlsChannel::freeSession() {
    if (m_ssl != nullptr)
        SSL_free(static_cast<SSL*>(m_ssl));
    m_ssl = nullptr;
    m_pending.clear();
    m_pendingStart = 0;
    m_sessionEnded = false;
}

bool TlsChannel::isConnected() const {
    return m_ssl != nullptr && m_socket.isConnected() && !m_sessionEnded;
}

bool TlsChannel::connect(LogBase* log, bool& dnsFailed) {
    close(nullptr);
    dnsFailed = false;
    m_handshakeFailed = false;
    const ClientContext& context = clientContext();
    if (context.ctx == nullptr) {
        if (log != nullptr)
            log->LogError("Error creating credentials");
        return false;
    }
    if (!m_socket.connect(m_serverName.getString(), static_cast<uint16_t>(m_port), log, dnsFailed))
        return false;
    m_socket.setBlocking(false);
    SSL* ssl = SSL_new(context.ctx);
    if (ssl == nullptr) {
        if (log != nullptr)
            log->LogError("Error initializing security context");
        m_socket.close();
        return false;
    }
    m_ssl = ssl;
    SSL_set_fd(ssl, m_socket.handle());
    StringBuffer name(m_serverName.getString());
    name.trim();
    if (isIpAddress(name.getString())) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), name.getString());
    } else {
        SSL_set_tlsext_host_name(ssl, name.getString());
        SSL_set1_host(ssl, name.getString());
    }
    if (!handshake(log)) {
        m_handshakeFailed = true;
        if (log != nullptr)
            log->LogError("Error performing handshake");
        freeSession();
        m_socket.close();
        return false;
    }
    checkServerCertificate(log);
    logConnectionInfo(log);
    if (log != nullptr)
        log->LogInfo("Secure Channel Established.");
    return true;
}

bool TlsChannel::handshake(LogBase* log) {
    SSL* ssl = static_cast<SSL*>(m_ssl);
    int result = 0;
    Outcome outcome = runCall(
        ssl, m_socket, log, [ssl] { return SSL_connect(ssl); }, result);
    if (outcome == Outcome::Done)
        return true;
    if (log != nullptr) {
        if (outcome == Outcome::TimedOut || outcome == Outcome::Ended)
            log->LogError("Error reading data from server in handshake loop");
        else
            log->LogError("Aborting because of fatal error");
    }
    return false;
}

void TlsChannel::checkServerCertificate(LogBase* log) {
    SSL* ssl = static_cast<SSL*>(m_ssl);
    X509* certificate = SSL_get1_peer_certificate(ssl);
    if (certificate == nullptr) {
        if (log != nullptr) {
            log->LogError("Certificate parameter is null in VerifyServerCertificate");
            log->LogError("Error authenticating server credentials!");
        }
        return;
    }
    X509_free(certificate);
    long error = X509_V_OK;
    int index = clientContext().firstErrorIndex;
    void* first = index >= 0 ? SSL_get_ex_data(ssl, index) : nullptr;
    if (first != nullptr)
        error = static_cast<long>(reinterpret_cast<intptr_t>(first));
    else
        error = SSL_get_verify_result(ssl);
    if (error == X509_V_OK)
        return;
    if (log != nullptr) {
        log->LogData("WinVerifyTrustError", trustErrorName(error));
        log->LogError("Error authenticating server credentials!");
    }
}

void TlsChannel::logConnectionInfo(LogBase* log) {
    if (log == nullptr)
        return;
    SSL* ssl = static_cast<SSL*>(m_ssl);
    log->EnterContext("ConnectionInfo", 1);
    const SSL_CIPHER* cipher = SSL_get_current_cipher(ssl);
    if (cipher == nullptr) {
        log->LogError("Error querying context attributes");
        log->LeaveContext();
        return;
    }
    log->LogData("protocol", SSL_get_version(ssl));
    log->LogData("cipher", SSL_CIPHER_get_name(cipher));
    log->LogDataLong("cipherStrength", SSL_CIPHER_get_bits(cipher, nullptr));
    const EVP_MD* digest = SSL_CIPHER_get_handshake_digest(cipher);
    if (digest != nullptr) {
        log->LogData("hash", EVP_MD_get0_name(digest));
        log->LogDataLong("hashStrength", EVP_MD_get_size(digest) * 8);
    }
    int kx = SSL_CIPHER_get_kx_nid(cipher);
    log->LogData("keyExchange", kx == NID_undef ? "(none)" : OBJ_nid2sn(kx));
    EVP_PKEY* key = nullptr;
    if (SSL_get_peer_tmp_key(ssl, &key) == 1 && key != nullptr) {
        log->LogDataLong("keyExchangeStrength", EVP_PKEY_get_bits(key));
        EVP_PKEY_free(key);
    }
    log->LeaveContext();
}

bool TlsChannel::sendSecure(const void* data, uint32_t count, LogBase* log) {
    if (m_ssl == nullptr) {
        if (log != nullptr)
            log->LogError("Cannot send data, no context exists");
        return false;
    }
    if (count == 0 || data == nullptr)
        return false;
    SSL* ssl = static_cast<SSL*>(m_ssl);
    const auto* p = static_cast<const unsigned char*>(data);
    uint32_t sent = 0;
    while (sent < count) {
        uint32_t piece = count - sent;
        int result = 0;
        Outcome outcome = runCall(
            ssl, m_socket, log, [&] { return SSL_write(ssl, p + sent, static_cast<int>(piece)); }, result);
        if (outcome != Outcome::Done) {
            if (log != nullptr)
                log->LogError("Failed to send secure");
            return false;
        }
        sent += static_cast<uint32_t>(result);
    }
    return true;
}

bool TlsChannel::receiveDecrypted(DataBuffer& out, LogBase* log, bool& ended) {
    ended = false;
    if (m_ssl == nullptr) {
        if (log != nullptr)
            log->LogError("Cannot receive data, no context exists");
        return false;
    }
    if (m_sessionEnded) {
        ended = true;
        return true;
    }
    SSL* ssl = static_cast<SSL*>(m_ssl);
    unsigned char batch[HttpLimits::kReceiveBatchBytes];
    int result = 0;
    Outcome outcome = runCall(
        ssl, m_socket, log, [&] { return SSL_read(ssl, batch, sizeof(batch)); }, result);
    if (outcome == Outcome::Done) {
        out.append(batch, static_cast<uint32_t>(result));
        // Whatever else is already decrypted belongs to this batch.
        while (SSL_pending(ssl) > 0) {
            int more = SSL_read(ssl, batch, sizeof(batch));
            if (more <= 0)
                break;
            out.append(batch, static_cast<uint32_t>(more));
        }
        return true;
    }
    if (outcome == Outcome::Ended) {
        if (log != nullptr)
            log->LogInfo("End of session has been signalled.");
        m_sessionEnded = true;
        ended = true;
        return true;
    }
    if (log != nullptr)
        log->LogError("Failed to read SChannel response (3)");
    return false;
}

void TlsChannel::close(LogBase* log) {
    if (m_ssl != nullptr) {
        SSL* ssl = static_cast<SSL*>(m_ssl);
        // One attempt at the close-notify alert; a peer that is gone or slow does not hold us.
        if (m_socket.isConnected() && !m_sessionEnded) {
            ERR_clear_error();
            SSL_shutdown(ssl);
            ERR_clear_error();
        }
        if (log != nullptr)
            log->LogInfo("Secure Channel Shutdown.");
        freeSession();
    }
    m_socket.close();
}

// ---- The stream over the decrypted bytes ----

bool TlsChannel::fillPending(LogBase* log) {
    if (m_pendingStart < m_pending.getSize())
        return true;
    m_pending.clear();
    m_pendingStart = 0;
    while (m_pending.getSize() == 0) {
        bool ended = false;
        if (!receiveDecrypted(m_pending, log, ended))
            return false;
        if (ended && m_pending.getSize() == 0)
            return false;
    }
    return true;
}

bool TlsChannel::nextByte(unsigned char& b, LogBase* log) {
    if (!fillPending(log))
        return false;
    b = *m_pending.dataAt(static_cast<int>(m_pendingStart++));
    return true;
}

bool TlsChannel::receiveBytesToBuffer(uint32_t n, DataBuffer& out, LogBase* log) {
    if (n == 0 || n > HttpLimits::kMaxBulkReceive)
        return false;
    uint32_t done = 0;
    while (done < n) {
        if (!fillPending(log))
            return false;
        uint32_t available = m_pending.getSize() - m_pendingStart;
        uint32_t take = available < n - done ? available : n - done;
        out.reserveForGrowth(n - done);
        if (!out.append(m_pending.dataAt(static_cast<int>(m_pendingStart)), take))
            return false;
        m_pendingStart += take;
        done += take;
    }
    return true;
}

bool TlsChannel::receiveUntilClosed(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool& tooLarge) {
    tooLarge = false;
    if (maxBytes == 0 || maxBytes > HttpLimits::kMaxBulkReceive)
        maxBytes = HttpLimits::kMaxBulkReceive;
    uint32_t total = 0;
    while (fillPending(log)) {
        uint32_t available = m_pending.getSize() - m_pendingStart;
        if (available > maxBytes - total) {
            if (log != nullptr)
                log->LogError("Response body is too large.");
            close(nullptr);
            tooLarge = true;
            return false;
        }
        out.reserveForGrowth(available, maxBytes);
        out.append(m_pending.dataAt(static_cast<int>(m_pendingStart)), available);
        m_pendingStart += available;
        total += available;
    }
    return total > 0;
}
