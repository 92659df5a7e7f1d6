// The three request header sets, line by line in the order they are sent.
#include "http/request_builder.h"

#include "base/content_coding.h"
#include "base/string_buffer.h"
#include "base/url_parse.h"
#include "http/cookie.h"
#include "http/cookie_mgr.h"
#include "http/http_control.h"

namespace {

const char* const kMsieAccept =
    "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
    "application/msword, application/x-shockwave-flash, */*";
const char* const kMsieUserAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 1.0.3705; .NET CLR 1.1.4322)";
const char* const kFirefoxUserAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.7.7) Gecko/20050414 Firefox/1.0.3";
// The blank between the last asterisk and the slash is what that browser sent.
const char* const kFirefoxAccept =
    "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,* /*;q=0.5";
const char* const kFirefoxAcceptCharset = "ISO-8859-1,utf-8;q=0.7,*;q=0.7";
const char* const kFirefoxAcceptLanguage = "en-us,en;q=0.5";
const char* const kMsieAcceptLanguage = "en-us";

// "name: value" and CR LF; nothing when the value is empty.
void appendLine(StringBuffer& out, const char* name, const char* value) {
    if (value == nullptr || value[0] == '\0') {
        return;
    }
    out.append(name);
    out.append(": ");
    out.append(value);
    out.append("\r\n");
}

// The value when set, else the fixed default.
const char* orDefault(const StringBuffer& value, const char* fallback) {
    return value.getSize() > 0 ? value.getString() : fallback;
}

// Appends `text` as a request target: blanks, control bytes (CR and LF among them) and bytes
// of 0x80 and above are percent-encoded, so no link text can split the request line or add a
// header line; existing %XX escapes and every other byte go out as they are.
void appendTarget(StringBuffer& out, const char* text) {
    static const char kHex[] = "0123456789ABCDEF";
    if (text == nullptr) {
        return;
    }
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        if (*p <= ' ' || *p >= 0x7F) {
            out.appendChar('%');
            out.appendChar(kHex[*p >> 4]);
            out.appendChar(kHex[*p & 0x0F]);
        } else {
            out.appendChar(static_cast<char>(*p));
        }
    }
}

void appendRequestLine(const char* url, const char* path, const char* query, const HttpControl& control,
                       StringBuffer& out) {
    out.setString("GET ");
    if (control.proxyDomain.getSize() > 0) {
        StringBuffer target;
        getUrlWithoutFragment(url, target);
        appendTarget(out, target.getString());
    } else {
        appendTarget(out, path);
        if (query != nullptr && query[0] != '\0') {
            out.appendChar('?');
            appendTarget(out, query);
        }
    }
    out.append(" HTTP/1.1\r\n");
}

// The host lower-cased, without a port, and cut at the first blank or control byte so that it
// can never end the line early.
void appendHostLine(const char* host, StringBuffer& out) {
    StringBuffer h;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(host != nullptr ? host : "");
    for (; *p > ' ' && *p != 0x7F; ++p) {
        h.appendChar(static_cast<char>(*p));
    }
    h.truncateAtChar(':');
    h.toLowerCase();
    appendLine(out, "Host", h.getString());
}

void appendConditionalLine(const char* etag, const SystemTime& lastModified, StringBuffer& out) {
    if (etag != nullptr && etag[0] != '\0') {
        appendLine(out, "If-None-Match", etag);
        return;
    }
    if (lastModified.year == 0) {
        return;
    }
    SystemTime local = lastModified;
    DateParser::utcToLocal(lastModified, local);
    StringBuffer date;
    DateParser::formatRfc822(local, date);
    appendLine(out, "If-Modified-Since", date.getString());
}

} // namespace

void buildGetRequest(const char* url, const char* host, const char* path, const char* query,
                     const HttpControl& control, bool conditional, const char* etag,
                     const SystemTime& lastModified, StringBuffer& out) {
    if (control.useMsieHeaders) {
        buildRequestMsie(url, host, path, query, control, out);
    } else if (control.useFirefoxHeaders) {
        buildRequestFirefox(url, host, path, query, control, out);
    } else {
        buildRequestConfigurable(url, host, path, query, control, conditional, etag, lastModified, out);
    }
}

void buildRequestConfigurable(const char* url, const char* host, const char* path, const char* query,
                              const HttpControl& control, bool conditional, const char* etag,
                              const SystemTime& lastModified, StringBuffer& out) {
    appendRequestLine(url, path, query, control, out);
    if (conditional) {
        appendConditionalLine(etag, lastModified, out);
    }
    appendExtraHeaders(control, out);
    appendLine(out, "Accept", control.accept.getString());
    appendLine(out, "Accept-Charset", control.acceptCharset.getString());
    appendLine(out, "Accept-Language", control.acceptLanguage.getString());
    appendLine(out, "Referer", control.referer.getString());
    appendLine(out, "User-Agent", control.userAgent.getString());
    appendCookieHeader(control, host, path, out);
    appendAuthorizationHeader(control, out);
    if (control.sendHostHeader) {
        appendHostLine(host, out);
    }
    appendLine(out, "Connection", control.connection.getString());
    out.append("\r\n");
}

void buildRequestMsie(const char* url, const char* host, const char* path, const char* query,
                      const HttpControl& control, StringBuffer& out) {
    appendRequestLine(url, path, query, control, out);
    appendLine(out, "Accept", kMsieAccept);
    appendLine(out, "Referer", control.referer.getString());
    appendLine(out, "Accept-Language", orDefault(control.acceptLanguage, kMsieAcceptLanguage));
    appendLine(out, "Accept-Encoding", "gzip");
    appendLine(out, "User-Agent", kMsieUserAgent);
    appendCookieHeader(control, host, path, out);
    appendAuthorizationHeader(control, out);
    appendLine(out, "Connection", "Keep-Alive");
    appendHostLine(host, out);
    out.append("\r\n");
}

void buildRequestFirefox(const char* url, const char* host, const char* path, const char* query,
                         const HttpControl& control, StringBuffer& out) {
    appendRequestLine(url, path, query, control, out);
    appendHostLine(host, out);
    appendLine(out, "User-Agent", kFirefoxUserAgent);
    appendLine(out, "Accept", kFirefoxAccept);
    appendLine(out, "Accept-Charset", orDefault(control.acceptCharset, kFirefoxAcceptCharset));
    appendLine(out, "Accept-Encoding", "gzip");
    appendLine(out, "Accept-Language", orDefault(control.acceptLanguage, kFirefoxAcceptLanguage));
    appendLine(out, "Keep-Alive", "300");
    appendLine(out, "Connection", "keep-alive");
    appendLine(out, "Referer", control.referer.getString());
    appendCookieHeader(control, host, path, out);
    appendAuthorizationHeader(control, out);
    out.append("\r\n");
}

void appendCookieHeader(const HttpControl& control, const char* host, const char* path, StringBuffer& out) {
    if (control.cookieDir.getSize() == 0 || !control.sendCookies) {
        return;
    }
    CookieJar jar;
    if (!CookieMgr::loadCookies(control.cookieDir.getString(), host, jar, nullptr)) {
        return;
    }
    StringBuffer value;
    CookieMgr::buildCookieHeaderValue(jar, host, path, value);
    value.trim();
    appendLine(out, "Cookie", value.getString());
}

void appendAuthorizationHeader(const HttpControl& control, StringBuffer& out) {
    if (control.login.getSize() == 0 || control.password.getSize() == 0) {
        return;
    }
    StringBuffer credentials;
    credentials.appendSb(control.login);
    credentials.appendChar(':');
    credentials.appendSb(control.password);
    StringBuffer encoded;
    ContentCoding coding; // line length 0: one line, no breaks
    coding.encodeBase64(credentials.getString(), static_cast<uint32_t>(credentials.getSize()), encoded);
    out.append("Authorization: Basic ");
    out.appendSb(encoded);
    out.append("\r\n");
}

void appendExtraHeaders(const HttpControl& control, StringBuffer& out) {
    const MimeHeader& extra = control.extraHeaders;
    for (int i = 0; i < extra.getNumFields(); ++i) {
        const MimeField* f = extra.getFieldAt(i);
        appendLine(out, f->getName(), f->getValue());
    }
}
