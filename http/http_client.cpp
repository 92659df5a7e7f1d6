#include "http/http_client.h"

#include "base/ascii.h"
#include "base/data_buffer.h"
#include "base/log_base.h"
#include "base/url_parse.h"
#include "http/cache/cache_policy.h"
#include "http/cookie_mgr.h"
#include "http/date_parser.h"
#include "http/gzip_body.h"
#include "http/http_conn_pool.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "http/limits.h"
#include "http/request_builder.h"
#include "http/url_admission.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

void logError(LogBase* log, const char* text) {
    if (log != nullptr)
        log->LogError(text);
}

// The largest body the settings allow.
uint32_t bodyLimit(const HttpControl& control) {
    return control.maxContentLength > 0 ? static_cast<uint32_t>(control.maxContentLength)
                                        : HttpLimits::kMaxBodyBytes;
}

// Whether a body longer than the maximum is cut there rather than failing the request.
bool cutsOversizeBody(const HttpControl& control) {
    return control.cutOversizeBody && control.maxContentLength > 0;
}

bool isFollowedRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// 1xx answers that precede the real response (100 Continue, 103 Early Hints...). 101 is final:
// the connection has changed protocol.
bool isInterim(int status) {
    return status >= 100 && status < 200 && status != 101;
}

// Whether the last of the codings in a Transfer-Encoding value ("gzip, chunked") is chunked.
bool lastCodingIsChunked(const StringBuffer& transferEncoding) {
    const char* text = transferEncoding.getString();
    const char* comma = std::strrchr(text, ',');
    StringBuffer last(comma != nullptr ? comma + 1 : text);
    last.trim();
    return last.equalsIgnoreCase("chunked");
}

// The hexadecimal size at the start of a chunk line, after blanks; false when there is none.
bool chunkSize(const DataBuffer& line, uint64_t& size) {
    const unsigned char* p = line.getData();
    uint32_t n = line.getSize();
    uint32_t i = 0;
    while (i < n && (p[i] == ' ' || p[i] == '\t'))
        ++i;
    bool any = false;
    size = 0;
    for (; i < n; ++i) {
        int digit = hexDigitValue(static_cast<char>(p[i]));
        if (digit < 0)
            break;
        any = true;
        if (size < (uint64_t{1} << 40))
            size = size * 16 + static_cast<uint64_t>(digit);
    }
    return any;
}

bool isBlankLine(const DataBuffer& line) {
    for (uint32_t i = 0; i < line.getSize(); ++i) {
        unsigned char c = line.getData()[i];
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
            return false;
    }
    return true;
}

// Before a connect, plain or secure: the settings' time-outs, the job's address cache, and a
// deadline like a response's, so that the look-up, the connect and a TLS handshake cannot take
// longer than a response may (nor run past the settings' own deadline).
template <typename Stream> void prepareConnect(Stream& stream, HttpControl& control, uint32_t maxResponseMs) {
    stream.setConnectTimeoutSec(static_cast<uint32_t>(control.connectTimeout));
    stream.setReadTimeoutMs(static_cast<uint32_t>(control.readTimeout) * 1000);
    stream.setHostCache(&control.hostAddresses);
    stream.setDeadlineFromNow(control.deadline.cap(maxResponseMs));
}

void logTooLarge(LogBase* log, const char* text, const HttpControl& control) {
    if (log != nullptr) {
        log->LogError(text);
        log->LogDataLong("maxContentLength", control.maxContentLength);
    }
}

} // namespace

struct HttpClient::Connection {
    ZelcoraSocket* socket = nullptr;
    TlsChannel* tls = nullptr;
    bool isTls = false;
    bool pooled = false;
    std::unique_ptr<ZelcoraSocket> ownSocket;
    std::unique_ptr<TlsChannel> ownTls;

    HttpStream& stream() {
        return isTls ? static_cast<HttpStream&>(*tls) : static_cast<HttpStream&>(*socket);
    }
    bool connected() const { return isTls ? tls->isConnected() : socket->isConnected(); }
    void close(LogBase* log) {
        if (isTls)
            tls->close(log);
        else
            socket->close();
    }
};

bool HttpClient::isConnected() const {
    return m_isTls ? m_tls.isConnected() : m_socket.isConnected();
}

void HttpClient::closeConnection(LogBase* log) {
    m_tls.close(log);
    m_socket.close();
    m_reused = false;
}

void HttpClient::setTarget(const char* host, int port) {
    m_host.setString(host == nullptr ? "" : host);
    m_port = port;
}

bool HttpClient::quickRequest(const char* url, HttpControl& control, DataBuffer& body, HttpResult& result,
                              LogBase* log) {
    result.clear();
    if (request(url, false, 0, true, control, body, result, log))
        return true;
    if (!result.socketNotWriteable)
        return false;
    if (log != nullptr)
        log->LogInfo("Socket not writeable, re-opening connection with HTTP server");
    closeConnection(log);
    if (!openConnection(control, m_host.getString(), m_port, m_isTls, log))
        return false;
    if (log != nullptr)
        log->LogInfo("New connection established, re-trying GET");
    return request(url, false, 0, true, control, body, result, log);
}

bool HttpClient::openConnection(HttpControl& control, const char* host, int port, bool tls, LogBase* log) {
    if (host == nullptr) {
        logError(log, "hostname is NULL");
        return false;
    }
    if (log != nullptr)
        log->LogData("OpenConnection", host);
    closeConnection(log);
    bool viaProxy = control.proxyDomain.getSize() > 0;
    const char* target = viaProxy ? control.proxyDomain.getString() : host;
    int targetPort = viaProxy ? control.proxyPort : port;
    if (log != nullptr) {
        log->LogInfo(viaProxy ? "Connecting via proxy..." : "Connecting to HTTP server...");
        log->LogData("ConnectingTo", target);
    }
    bool dnsFailed = false;
    m_isTls = tls;
    if (tls) {
        m_tls.setServerName(target);
        m_tls.setPort(targetPort);
        prepareConnect(m_tls, control, m_maxResponseMs);
        return m_tls.connect(log, dnsFailed);
    }
    prepareConnect(m_socket, control, m_maxResponseMs);
    return m_socket.connect(target, static_cast<uint16_t>(targetPort), log, dnsFailed);
}

bool HttpClient::connect(Connection& connection, HttpControl& control, const RequestUrl& url, bool fresh,
                         bool& dnsFailed, LogBase* log) {
    bool viaProxy = control.proxyDomain.getSize() > 0;
    const char* host = viaProxy ? control.proxyDomain.getString() : url.host.getString();
    int port = viaProxy ? control.proxyPort : url.port;
    if (log != nullptr) {
        log->LogData(viaProxy ? "proxyDomain" : "httpServer", host);
        log->LogDataLong("port", port);
    }
    dnsFailed = false;
    bool ok;
    if (connection.isTls) {
        if (log != nullptr)
            log->LogInfo("Using HTTPS.");
        connection.tls->setServerName(host);
        connection.tls->setPort(port);
        prepareConnect(*connection.tls, control, m_maxResponseMs);
        ok = connection.tls->connect(log, dnsFailed);
    } else {
        prepareConnect(*connection.socket, control, m_maxResponseMs);
        ok = connection.socket->connect(host, static_cast<uint16_t>(port), log, dnsFailed);
    }
    if (ok)
        return true;
    logError(log, viaProxy ? "Failed to connect to proxy server" : "Failed to connect to HTTP server");
    if (dnsFailed)
        logError(log, fresh ? "Domain name lookup failed." : "Domain name lookup failed..");
    connection.close(log);
    return false;
}

bool HttpClient::request(const char* url, bool isRedirect, int depth, bool usePooled, HttpControl& control,
                         DataBuffer& body, HttpResult& result, LogBase* log) {
    result.socketNotWriteable = false;
    result.cacheStatus = 0;
    result.reserved2 = 0;
    result.fromCache = false;
    body.clear();
    if (control.deadline.expired()) {
        // Also ends a chain of redirects once the budget is gone.
        logError(log, "The time budget for this site is spent.");
        result.noteFailure(FetchFailure::Budget, url);
        return false;
    }

    RequestUrl parsed;
    UrlAdmission admission = admitUrl(url, control, parsed, log);
    if (admission == UrlAdmission::kAboutBlank)
        return true;
    if (admission != UrlAdmission::kAccepted || parsed.host.getSize() == 0) {
        // A URL without a host ("http://") is no address to look up.
        bool invalid =
            admission != UrlAdmission::kRefusedMedia && admission != UrlAdmission::kTlsProxyRefused;
        if (admission == UrlAdmission::kAccepted)
            logError(log, "The URL names no host.");
        result.noteFailure(invalid ? FetchFailure::InvalidUrl : FetchFailure::Other, url);
        return false;
    }
    // A redirect target's own credentials are never used.
    if (!isRedirect && parsed.login.getSize() > 0 && parsed.password.getSize() > 0) {
        control.login.setSb(parsed.login);
        control.password.setSb(parsed.password);
    }

    CachedResponse cached;
    cacheLookup(url, control, result, cached, log);
    if (cached.found && !cached.expired && result.cacheStatus == 1)
        return answerFromCache(url, depth, control, cached, body, result, log);

    // The DNS cache, kept in HttpCache, for the host this request resolves.
    bool dnsCache = control.useHttpCache && control.httpCache.numRoots() > 0;
    const char* dnsHost =
        control.proxyDomain.getSize() > 0 ? control.proxyDomain.getString() : parsed.host.getString();
    bool hostWasInvalid = false;
    if (dnsCache && HttpConnPool::dnsLookup(control.httpCache, dnsHost, hostWasInvalid, log) &&
        hostWasInvalid && control.cachePolicy.honourNegativeDns) {
        logError(log, "Domain name is marked as invalid in the cache.");
        result.noteFailure(FetchFailure::Dns, dnsHost);
        if (log != nullptr)
            log->LogData("domain", dnsHost);
        return false;
    }

    Connection connection;
    connection.isTls = parsed.isTls;
    connection.pooled = usePooled;
    bool reused = false;
    if (usePooled) {
        connection.socket = &m_socket;
        connection.tls = &m_tls;
        // A kept-alive connection the server has closed (or that belongs to the other scheme)
        // is opened anew rather than written to.
        bool alive = m_isTls == parsed.isTls && isConnected() &&
                     !(m_isTls ? m_tls.hasUnexpectedInput() : m_socket.hasUnexpectedInput());
        if (alive) {
            reused = m_reused;
        } else {
            closeConnection(log);
            m_isTls = parsed.isTls;
        }
    } else {
        connection.ownSocket = std::make_unique<ZelcoraSocket>();
        connection.ownTls = std::make_unique<TlsChannel>();
        connection.socket = connection.ownSocket.get();
        connection.tls = connection.ownTls.get();
    }
    if (!connection.connected()) {
        bool dnsFailed = false;
        bool connected = connect(connection, control, parsed, !usePooled, dnsFailed, log);
        if (dnsCache && control.cachePolicy.updateCache) {
            if (!connected && dnsFailed)
                HttpConnPool::markHostInvalid(control.httpCache, dnsHost, log);
            else if (hostWasInvalid)
                HttpConnPool::markHostValid(control.httpCache, dnsHost, log);
        }
        if (!connected) {
            FetchFailure cause =
                connection.isTls ? connection.tls->connectFailure() : connection.socket->connectFailure();
            result.noteFailure(cause == FetchFailure::None ? FetchFailure::Other : cause, dnsHost);
            return false;
        }
    }
    if (!connection.connected()) {
        logError(log, "Unable to connect to HTTP server.");
        return false;
    }
    if (usePooled)
        m_reused = true;
    bool ok = exchange(url, isRedirect, depth, connection, control, parsed, cached, body, result, log);
    if (!ok && reused && result.responseHeader.statusLine.getSize() == 0 && body.getSize() == 0) {
        // A kept-alive connection the server closed just as the request went out: nothing came
        // back, so the request is safe to repeat on a new connection.
        result.socketNotWriteable = true;
    }
    connection.stream().clearDeadline();
    if (!connection.pooled)
        connection.close(log);
    return ok;
}

bool HttpClient::answerFromCache(const char* url, int depth, HttpControl& control, CachedResponse& cached,
                                 DataBuffer& body, HttpResult& result, LogBase* log) {
    parseCachedHeaderText(cached.headerText, result.responseHeader);
    body.takeFrom(cached.body);
    result.fromCache = true;
    int status = result.responseHeader.statusCode;
    if (isFollowedRedirect(status))
        return followRedirect(url, depth, control, body, result, log);
    return true;
}

bool HttpClient::exchange(const char* url, bool isRedirect, int depth, Connection& connection,
                          HttpControl& control, const RequestUrl& parsed, const CachedResponse& cached,
                          DataBuffer& body, HttpResult& result, LogBase* log) {
    (void)isRedirect;
    HttpStream& stream = connection.stream();
    StringBuffer path(parsed.path.getString());
    if (path.getSize() == 0)
        path.setString("/");
    if (!connection.isTls && !connection.socket->isWritableWithin(HttpLimits::kWritableWaitMs)) {
        logError(log, "Socket connection to HTTP server is not writeable.");
        result.socketNotWriteable = true;
        connection.close(log);
        return false;
    }

    StringBuffer requestText;
    bool conditional = cached.revalidates();
    buildGetRequest(url, parsed.host.getString(), path.getString(), parsed.query.getString(), control,
                    conditional, cached.etag.getString(), cached.lastModified, requestText);
    stream.setDeadlineFromNow(control.deadline.cap(m_maxResponseMs));
    if (!stream.sendAll(requestText.getString(), static_cast<uint32_t>(requestText.getSize()), log)) {
        result.socketNotWriteable = true;
        connection.close(log);
        return false;
    }

    DataBuffer headerBytes;
    HttpResponseHeader& header = result.responseHeader;
    for (int interim = 0;; ++interim) {
        headerBytes.clear();
        if (!stream.readHeaderBlock(headerBytes, log, HttpLimits::kMaxHeaderBlock)) {
            // A stream still open was waiting when its time ran out; a closed one was shut.
            result.noteFailure(stream.isConnected() ? FetchFailure::Timeout : FetchFailure::Other,
                               parsed.host.getString());
            connection.close(log);
            logError(log, "Failed to get response header");
            recordFailedUrl(url, control, log);
            return false;
        }
        headerBytes.appendByte(0);
        header.parse(reinterpret_cast<const char*>(headerBytes.getData()));
        if (!isInterim(header.statusCode))
            break;
        if (log != nullptr)
            log->LogDataLong("interimStatus", header.statusCode);
        if (interim + 1 >= HttpLimits::kMaxInterimResponses) {
            logError(log, "Too many interim responses.");
            connection.close(log);
            return false;
        }
    }
    if (header.statusCode == 0) {
        logError(log, "Invalid response header received");
        if (log != nullptr) {
            StringBuffer received;
            uint32_t n = headerBytes.getSize() - 1;
            received.appendN(headerBytes.getData(),
                             static_cast<int>(n < HttpLimits::kInvalidHeaderLogBytes
                                                  ? n
                                                  : HttpLimits::kInvalidHeaderLogBytes));
            log->LogData("received", received.getString());
        }
        connection.close(log);
        if (depth >= HttpLimits::kMaxHeaderRetries)
            return false;
        bool retried = request(url, true, depth + 1, false, control, body, result, log);
        if (!retried)
            recordFailedUrl(url, control, log);
        return retried;
    }

    bool cut = false;
    if (!readBody(control, stream, body, result, cut, log)) {
        connection.close(log);
        return false;
    }

    if (body.getSize() > 10 && body.getData()[0] == 0x1F && body.getData()[1] == 0x8B) {
        DataBuffer plain;
        GunzipLimits limits;
        limits.maxOutput = control.maxContentLength > 0 ? static_cast<uint32_t>(control.maxContentLength)
                                                        : HttpLimits::kMaxInflatedBytes;
        limits.cutAtMax = cutsOversizeBody(control);
        limits.inputIsPrefix = cut;
        GunzipResult unzipped = gunzipBody(body.getData(), body.getSize(), plain, limits, log);
        if (unzipped == GunzipResult::kTooLarge) {
            logTooLarge(log, "Content length more than the maximum allowed...", control);
            body.clear();
            connection.close(log);
            return false;
        }
        if (unzipped == GunzipResult::kFailed) {
            // Compressed bytes are no page; handing them on would have them analysed as text.
            logError(log, "Failed to decode the gzip body.");
            body.clear();
            return false;
        }
        cut = cut || unzipped == GunzipResult::kCut;
        body.takeFrom(plain);
    }
    if (control.maxContentLength != 0 && body.getSize() > static_cast<uint32_t>(control.maxContentLength)) {
        logTooLarge(log, "Content length more than the maximum allowed...", control);
        return false;
    }
    if (cut && log != nullptr) {
        log->LogInfo("Response body cut at the maximum length.");
        log->LogDataLong("maxContentLength", control.maxContentLength);
    }

    // A response whose cookies are saved is not cached, nor is the start of a cut body.
    if (control.cookieDir.getSize() > 0 && control.saveCookies && header.fields.hasField("Set-Cookie"))
        CookieMgr::saveResponseCookies(control.cookieDir.getString(), header.fields,
                                       m_host.getSize() > 0 ? m_host.getString() : parsed.host.getString(),
                                       log);
    else if (!cut)
        cacheUpdate(url, control, result, body, log);

    if (connection.pooled) {
        StringBuffer connectionField;
        if (header.fields.getField("connection", connectionField) &&
            connectionField.equalsIgnoreCase("close")) {
            if (log != nullptr)
                log->LogInfo("Got connection:close header");
            connection.close(log);
        }
    }

    if (isFollowedRedirect(header.statusCode)) {
        connection.stream().clearDeadline();
        return followRedirect(url, depth, control, body, result, log);
    }
    if (header.statusCode == 304 && conditional) {
        // The kept-aside entry is still good: it is the answer, with a new expiration.
        cacheRevalidated(url, control, header, cached, log);
        parseCachedHeaderText(cached.headerText, result.responseHeader);
        body.clear();
        body.appendDb(cached.body);
        result.fromCache = true;
    }
    return true;
}

bool HttpClient::followRedirect(const char* url, int depth, HttpControl& control, DataBuffer& body,
                                HttpResult& result, LogBase* log) {
    if (depth >= HttpLimits::kMaxRedirects) {
        logError(log, "Aborted to avoid infinite redirects.");
        return false;
    }
    StringBuffer location;
    result.responseHeader.fields.getField("Location", location);
    location.trim();
    if (location.getSize() == 0) {
        logError(log, "Got 301/302 redirect, but no new location.");
        return false;
    }
    if (log != nullptr)
        log->LogData("redirectUrl", location.getString());
    StringBuffer newUrl;
    if (!buildRedirectUrl(url, location.getString(), newUrl) || newUrl.getSize() == 0) {
        if (log != nullptr) {
            log->LogError("Failed to construct new URL");
            log->LogData("location", location.getString());
            log->LogData("url", url);
        }
        result.noteFailure(FetchFailure::InvalidUrl, location.getString());
        return false;
    }
    result.wasRedirected = true;
    result.finalRedirectUrl.setSb(newUrl);
    if (!control.followRedirects)
        return true;
    result.responseHeader.clear();
    body.clear();

    // Credentials go only to the host they were given for: a redirect to another host, and
    // every redirect after it, goes without them.
    StringBuffer fromHost, toHost, login, password;
    getUrlHost(url, fromHost);
    getUrlHost(newUrl.getString(), toHost);
    bool withheld = control.login.getSize() > 0 && !fromHost.equalsIgnoreCaseSb(toHost);
    if (withheld) {
        login.setSb(control.login);
        password.setSb(control.password);
        control.login.clear();
        control.password.clear();
    }
    bool ok = request(newUrl.getString(), true, depth + 1, false, control, body, result, log);
    if (withheld) {
        control.login.setSb(login);
        control.password.setSb(password);
    }
    if (!ok)
        recordFailedUrl(newUrl.getString(), control, log);
    return ok;
}

namespace {

// The body's pieces, read against `limit`: past it the body is cut (when `mayCut`) or the read
// fails. A cut leaves the rest of the response on the wire, so the stream is closed.
struct BodyReader {
    const HttpControl& control;
    HttpStream& stream;
    DataBuffer& body;
    uint32_t limit;
    bool mayCut;
    bool& cut;
    LogBase* log;

    bool fail(const char* text) {
        stream.closeStream(log);
        logError(log, text);
        return false;
    }
    bool tooLarge(const char* text) {
        stream.closeStream(log);
        logTooLarge(log, text, control);
        return false;
    }

    bool byLength(uint32_t length) {
        if (length > limit) {
            if (!mayCut)
                return tooLarge("Content length more than the maximum allowed.");
            length = limit;
            cut = true;
        }
        if (!stream.receiveBytesToBuffer(length, body, log))
            return fail("Failed to get response data");
        if (cut)
            stream.closeStream(log);
        return true;
    }

    bool chunked() {
        for (;;) {
            DataBuffer line;
            if (!stream.readCrlfLine(line, log, HttpLimits::kMaxChunkLine))
                return fail("Failed to get response data (a)");
            uint64_t size = 0;
            if (isBlankLine(line))
                return true;
            if (!chunkSize(line, size))
                return fail("Invalid chunk size in chunked response.");
            if (size == 0)
                return trailer();
            uint32_t room = limit - body.getSize();
            if (size > room) {
                if (!mayCut)
                    return tooLarge("Chunked response is too large.");
                size = room;
                cut = true;
            }
            if (size > 0) {
                body.reserveForGrowth(static_cast<uint32_t>(size), limit);
                if (!stream.receiveBytesToBuffer(static_cast<uint32_t>(size), body, log))
                    return fail("Failed to get response data (b)");
            }
            if (cut) {
                stream.closeStream(log);
                return true;
            }
            DataBuffer lineEnd;
            if (!stream.readCrlfLine(lineEnd, log, HttpLimits::kMaxChunkLine) || !isBlankLine(lineEnd))
                return fail("Failed to get response data (c)");
        }
    }

    // Header lines after the last chunk, up to an empty one. The body is whole whatever comes
    // here; a trailer that does not end leaves the connection unusable.
    bool trailer() {
        for (int i = 0; i < HttpLimits::kMaxTrailerLines; ++i) {
            DataBuffer line;
            if (!stream.readCrlfLine(line, log, HttpLimits::kMaxChunkLine))
                break;
            if (isBlankLine(line))
                return true;
        }
        stream.closeStream(log);
        return true;
    }

    // Neither a length nor chunks: the body runs until the server closes, or until the read
    // time-out when it keeps the connection open. The connection cannot carry another request.
    bool untilClose() {
        uint32_t room = limit - body.getSize();
        DataBuffer rest;
        bool tooLarge = false;
        stream.receiveUntilClosed(rest, log, mayCut ? room + HttpLimits::kUntilCloseCutSlack : room,
                                  tooLarge);
        stream.closeStream(log);
        if (tooLarge || rest.getSize() > room) {
            if (!mayCut) {
                logTooLarge(log, "Content length more than the maximum allowed...", control);
                return false;
            }
            rest.shorten(rest.getSize() - room);
            cut = true;
        }
        body.appendDb(rest);
        return true;
    }
};

} // namespace

bool HttpClient::readBody(HttpControl& control, HttpStream& stream, DataBuffer& body, HttpResult& result,
                          bool& cut, LogBase* log) {
    cut = false;
    const HttpResponseHeader& header = result.responseHeader;
    int status = header.statusCode;
    if (status < 200 || status == 204 || status == 304) {
        // Never a body; after a 101 the connection speaks another protocol.
        if (status == 101)
            stream.closeStream(log);
        return true;
    }

    StringBuffer transferEncoding;
    header.fields.getField("Transfer-Encoding", transferEncoding);
    transferEncoding.trim();
    bool hasCodings = transferEncoding.getSize() > 0;
    bool chunked = hasCodings && lastCodingIsChunked(transferEncoding);
    if (!hasCodings && header.contentLengthInvalid) {
        // Where the body ends cannot be known: neither it nor the connection can be used.
        stream.closeStream(log);
        logError(log, "Invalid Content-Length in response.");
        if (log != nullptr) {
            StringBuffer value;
            header.fields.getField("Content-Length", value);
            log->LogData("ContentLength", value.getString());
        }
        return false;
    }
    // Codings that do not end in chunked run until the server closes.
    bool untilClose = hasCodings ? !chunked : !header.hasContentLength;
    if (untilClose && !(status < 300 || isFollowedRedirect(status))) {
        // An error page or another 3xx without a length is not read; its bytes stay unread.
        stream.closeStream(log);
        return true;
    }

    BodyReader reader{control, stream, body, bodyLimit(control), cutsOversizeBody(control), cut, log};
    if (chunked) {
        if (!reader.chunked())
            return false;
        // A length beside the chunks is ignored; such a response may be read differently by
        // whatever sits between us and the server, so the connection is not trusted further.
        if (header.hasContentLength)
            stream.closeStream(log);
        return true;
    }
    if (untilClose)
        return reader.untilClose();
    if (header.contentLength == 0)
        return true;
    return reader.byLength(static_cast<uint32_t>(header.contentLength));
}
