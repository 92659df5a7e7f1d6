// What the request engine does with a requested URL before anything goes on the wire: the
// admission checks (media files, about:blank, length, parse, TLS through a proxy) with their log
// messages, and the resolution of a redirect target against the URL that produced it. The
// engine calls admitUrl first on every request and buildRedirectUrl for a redirect it follows.
#pragma once

#include "base/string_buffer.h"

class HttpControl;
class LogBase;

enum class UrlAdmission {
    kAccepted,        // parsed; the request goes on
    kAboutBlank,      // the request succeeds with an empty body and nothing is sent
    kRefusedMedia,    // the URL names a media file
    kTooLong,         // longer than maxUrlLen
    kParseFailed,     // no URL
    kTlsProxyRefused, // an https URL while a proxy is set
};

// The parts of an admitted URL (see parseUrl) and whether it goes over TLS.
struct RequestUrl {
    StringBuffer host;
    int port = 80;
    StringBuffer login;
    StringBuffer password;
    StringBuffer path;
    StringBuffer query;
    StringBuffer fragment;
    bool isTls = false;
};

// Runs the checks in order on the URL, logging to `log` (may be null):
// 1. a media URL (isRefusedMediaUrl of the lower-cased URL): "Does not support URLs with this
//    file extension" and the item "url";
// 2. a URL containing "about:blank" (any case): "Skipping about:blank" and "url" (an info line);
// 3. longer than control.maxUrlLen: "URL is longer than the maximum allowed length.", the
//    items "maxUrlLen" and "url";
// 4. the parse: "Failed to parse URL" and "url" (only a null URL fails);
// 5. a URL beginning with "https:" (any case) goes over TLS, which fails while a proxy is set:
//    "Proxies for SSL are not yet supported.".
// The URL as given (not lower-cased) is parsed into `parsed` and logged.
UrlAdmission admitUrl(const char* url, const HttpControl& control, RequestUrl& parsed, LogBase* log);

// True when the (lower-cased) URL ends with one of the media extensions the client refuses:
// .asf .mp3 .rm .mpeg .mpg .avi .mov .mp4 .wmv .pps .wma .wvx .wax .asx .wms .wmz .wmd. The query
// counts as part of the URL.
bool isRefusedMediaUrl(const char* lowerCaseUrl);

// Replaces `out` with the absolute URL of a redirect: the location resolved against `base` as a
// browser resolves a link (see resolveUrlReference), so "next.html", "../up", "?page=2" and
// "//host/x" keep as much of the base as they leave out, and a location with a scheme ("HTTP://o/"
// in any letter case) is absolute. Answers false, with `out` empty, when no URL comes of it.
bool buildRedirectUrl(const char* base, const char* location, StringBuffer& out);
