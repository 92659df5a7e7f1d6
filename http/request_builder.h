// The text of a GET request in one of the three header sets the client can send: the
// configurable set (the default, and the only one the crawler sends), and the fixed sets that
// imitate MSIE 6 and Firefox 1.0. Only GET is ever built, and building never fails. The request
// engine calls buildGetRequest once per request, after admitUrl has accepted and parsed the URL.
#pragma once

#include "http/date_parser.h"

class HttpControl;
class StringBuffer;

// Replaces `out` with the request in the set the settings select: useMsieHeaders the MSIE set,
// else useFirefoxHeaders the Firefox set, else the configurable set (which alone sends the
// conditional lines).
void buildGetRequest(const char* url, const char* host, const char* path, const char* query,
                     const HttpControl& control, bool conditional, const char* etag,
                     const SystemTime& lastModified, StringBuffer& out);

// Each set replaces `out` with the whole request text: the request line
// "GET <target> HTTP/1.1", the header lines (each ending in CR LF) and the empty line. The target
// is the path, with '?' and the query when the query is not empty; with a proxy it is the whole
// URL instead, without its fragment. In the target, blanks, control bytes and bytes of 0x80 and
// above are percent-encoded (CR and LF included); everything else, existing %XX escapes too, is
// sent as it is. The Host line carries the host lower-cased, without a port, cut at the first
// blank or control byte.
//
// The configurable set: for a conditional request "If-None-Match" (when `etag` is not empty) or
// else "If-Modified-Since" (when lastModified is set, its year not 0; lastModified is a UTC time,
// written in RFC 822 form in the local zone); the extra headers; Accept, Accept-Charset,
// Accept-Language, Referer, User-Agent; the Cookie and Authorization lines; Host (when
// sendHostHeader is set); Connection. A line whose value is empty is left out.
void buildRequestConfigurable(const char* url, const char* host, const char* path, const char* query,
                              const HttpControl& control, bool conditional, const char* etag,
                              const SystemTime& lastModified, StringBuffer& out);
// The MSIE set: fixed Accept, User-Agent and Connection values; Accept-Language from the settings
// when set; Accept-Encoding gzip.
void buildRequestMsie(const char* url, const char* host, const char* path, const char* query,
                      const HttpControl& control, StringBuffer& out);
// The Firefox set: fixed User-Agent, Accept (written "* /*;q=0.5", with the blank), Keep-Alive and
// Connection values; Accept-Charset and Accept-Language from the settings when set; Accept-Encoding
// gzip.
void buildRequestFirefox(const char* url, const char* host, const char* path, const char* query,
                         const HttpControl& control, StringBuffer& out);

// "Cookie: " and the cookies of cookieDir that match host and path, when cookieDir is set,
// sendCookies is on and some cookie matches.
void appendCookieHeader(const HttpControl& control, const char* host, const char* path, StringBuffer& out);
// "Authorization: Basic " and the Base64 of login ":" password, when both are set.
void appendAuthorizationHeader(const HttpControl& control, StringBuffer& out);
// One line per field of extraHeaders, fields with an empty value left out.
void appendExtraHeaders(const HttpControl& control, StringBuffer& out);
