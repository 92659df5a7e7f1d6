// HttpClient: the request engine, one object per kept-alive connection, held by the connection
// pool. A GET admits and parses the URL, connects (directly, through a proxy, or over TLS),
// sends the request, reads and parses the response header (skipping 1xx interim answers), reads
// the body by length, in chunks or until the server closes, decodes gzip, applies the size limit
// (failing, or cutting the body when the settings ask for it), saves cookies or updates the disk
// cache, honours "connection: close" and follows 301, 302, 303, 307 and 308 redirects. Before connecting it
// answers from the disk cache when a fresh entry exists (an expired one with validators makes
// the request conditional, and a 304 refreshes it), and refuses a host the DNS cache marks as
// not resolving (cache_policy.h, HttpConnPool's DNS cache). Results go into an HttpResult and a
// DataBuffer owned by the caller; every failure is a false result with its reason in the log.
//
// Nothing a server sends can hold the engine or exhaust memory: the header block, chunk lines,
// bodies and the decoded output are bounded (http/limits.h and maxContentLength), and one
// response must arrive within HttpLimits::kMaxResponseMs. A response that breaks a bound
// fails, and its connection is closed; so is every connection whose response was not read to
// its end, so the next request on it never reads the rest of an earlier answer.
#pragma once

#include "base/string_buffer.h"
#include "base/zelcora_object.h"
#include "http/limits.h"
#include "http/socket/zelcora_socket.h"
#include "http/tls/tls_channel.h"

struct CachedResponse;
class DataBuffer;
class HttpControl;
class HttpResult;
class HttpStream;
class LogBase;
struct RequestUrl;

class HttpClient : public ZelcoraObject {
public:
    HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // The host and port this client's connection is for (the pool's key).
    void setTarget(const char* host, int port);
    const char* getHost() const { return m_host.getString(); }
    int getPort() const { return m_port; }
    bool isTls() const { return m_isTls; }
    // The time one response, header and body, may take (HttpLimits::kMaxResponseMs unless set).
    void setMaxResponseMs(uint32_t ms) { m_maxResponseMs = ms; }
    // Whether this client's own connection is open.
    bool isConnected() const;
    void closeConnection(LogBase* log);

    // Clears the result, runs the request on this pooled connection and, when the connection
    // turned out not to be writable, re-opens it once and repeats the request.
    bool quickRequest(const char* url, HttpControl& control, DataBuffer& body, HttpResult& result,
                      LogBase* log);
    bool request(const char* url, bool isRedirect, int depth, bool usePooled, HttpControl& control,
                 DataBuffer& body, HttpResult& result, LogBase* log);
    bool followRedirect(const char* url, int depth, HttpControl& control, DataBuffer& body,
                        HttpResult& result, LogBase* log);
    // Closes this client's connection and connects again to host:port (or to the proxy).
    bool openConnection(HttpControl& control, const char* host, int port, bool tls, LogBase* log);

    // Reads the body the response header announces. Works on a plain or a secure stream alike.
    // `cut` tells that the body was longer than maxContentLength and only its start was kept
    // (cutOversizeBody); the stream is then closed, as after every response not read to its end.
    static bool readBody(HttpControl& control, HttpStream& stream, DataBuffer& body, HttpResult& result,
                         bool& cut, LogBase* log);

private:
    // One connection: this client's own (pooled), or one that lives for a single request.
    struct Connection;
    bool connect(Connection& connection, HttpControl& control, const RequestUrl& url, bool fresh,
                 bool& dnsFailed, LogBase* log);
    bool exchange(const char* url, bool isRedirect, int depth, Connection& connection, HttpControl& control,
                  const RequestUrl& parsed, const CachedResponse& cached, DataBuffer& body,
                  HttpResult& result, LogBase* log);
    // A fresh cache entry is the answer; a stored 301 or 302 is followed at once.
    bool answerFromCache(const char* url, int depth, HttpControl& control, CachedResponse& cached,
                         DataBuffer& body, HttpResult& result, LogBase* log);

    StringBuffer m_host;
    int m_port = 80;
    bool m_isTls = false;
    ZelcoraSocket m_socket;
    TlsChannel m_tls;
    // Set once this client's connection has carried a request, so a failure on it may be a
    // server that closed a kept-alive connection.
    bool m_reused = false;
    uint32_t m_maxResponseMs = HttpLimits::kMaxResponseMs;
};
