// CookieMgr: turns the Set-Cookie fields of responses into per-domain XML cookie files and
// builds the value of the Cookie request line from them. Stateless; every operation works on
// the files in the cookie directory it is given. The request engine saves the cookies of a
// response with saveResponseCookies and the request building reads them through loadCookies and
// buildCookieHeaderValue.
//
// A cookie file holds the cookies of one registrable domain ("h_dom.xml" for a.h.dom and
// b.h.dom alike): root element "cookies", one "cookie" element per cookie with the attributes
// "key" (domain, ',', path), "v" (version), "expire" (when set), "maxAge" (when not 0), "secure"
// and "discard" ("yes", when set), and inside it one element per name/value pair whose tag is
// the cookie name and whose content is its value.
#pragma once

class Cookie;
class CookieJar;
class LogBase;
class MimeHeader;
class StringBuffer;

class CookieMgr {
public:
    // Appends to `out` a cookie for every "Set-Cookie" (version 0) and "Set-Cookie2" (version 1)
    // field of `header`, read with parseSetCookieValue. A cookie without a domain takes
    // `defaultDomain`; without one it is dropped.
    static void extractSetCookies(const MimeHeader& header, const char* defaultDomain, CookieJar& out);

    // Reads one Set-Cookie value into `cookie`: the parts between ';' (quotes respected), trimmed,
    // empty ones skipped. "secure" and "discard" set those flags; "domain", "path", "expires" and
    // "max-age" set those fields; "version" is taken when 0 or 1; "port", "comment" and
    // "commentUrl" are ignored (all names ignoring case). Every other part is a name/value pair
    // (a word without '=' gets an empty value).
    static void parseSetCookieValue(const char* value, Cookie& cookie);

    // The path of the cookie file of `domain` in `dir`: the domain trimmed, lower-cased, without
    // a leading '.', reduced to its registrable domain, every '.' written as '_', then ".xml".
    // False, with `out` empty, when there is no directory or no domain, or when the registrable
    // domain holds a byte that has no place in a host name (so a file never lands outside `dir`).
    static bool cookieFilePath(const char* dir, const char* domain, StringBuffer& out);

    // Replaces the content of `jar` with the cookies of the file of `host`'s domain. False when
    // there is no such file or it cannot be read.
    static bool loadCookies(const char* dir, const char* host, CookieJar& jar, LogBase* log);

    // Stores a cookie in the file of its domain, replacing the cookie of the same domain and
    // path and updating its pairs; a pair whose name cannot be an element tag is not stored.
    static bool saveCookie(const char* dir, const Cookie& cookie, LogBase* log);

    // Saves every Set-Cookie of a response from `host`; cookies without a domain take "." and the
    // registrable domain of the host. False when any cookie could not be saved.
    static bool saveResponseCookies(const char* dir, const MimeHeader& header, const char* host,
                                    LogBase* log);

    // Replaces `out` with the Cookie value for a request to `host` and `path`: every pair of the
    // cookies whose domain is the host or a parent domain of it (a leading '.' of the domain
    // ignored) and whose path is empty, "/" or a prefix of the request path, written
    // name="value" with "; " between pairs; a name is written once. Expiry and the secure flag
    // are not looked at.
    static void buildCookieHeaderValue(const CookieJar& jar, const char* host, const char* path,
                                       StringBuffer& out);
};
