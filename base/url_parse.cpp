// The URL split of the HTTP client. The whole parse works on offsets into one copy of the URL,
// so it reads every byte at most a few times and never past the terminator.
#include "base/url_parse.h"

#include "base/string_buffer.h"

#include <strings.h>

namespace {

// The offsets of the parts inside the (backslash-converted) copy of the URL; the copy has the
// same length as the URL, so the offsets hold for the URL itself too.
struct UrlSpans {
    int hostStart = 0;
    int hostEnd = 0;
    bool pathGiven = false; // false: no '/' after the host, the path is "/"
    int pathStart = -1;     // without a given path: the text between host and query
    int pathEnd = -1;
    int queryStart = -1; // -1: no '?'
    int hash = -1;       // the '#' that starts the removed fragment, -1 when none
    int fragmentEnd = -1;
};

// Offset of the first `c` in s[from, end), or -1.
int findFirst(const char* s, int from, int end, char c) {
    for (int i = from; i < end; ++i) {
        if (s[i] == c) {
            return i;
        }
    }
    return -1;
}

// Offset of the last `c` in s[from, end), or -1.
int findLast(const char* s, int from, int end, char c) {
    for (int i = end - 1; i >= from; --i) {
        if (s[i] == c) {
            return i;
        }
    }
    return -1;
}

// The length of a known scheme prefix at the start of `s`, 0 when there is none; "https://"
// sets the port to 443.
int skipScheme(const char* s, int& port) {
    struct Scheme {
        const char* prefix;
        int length;
        bool tls;
    };
    static const Scheme kSchemes[] = {
        {"http://", 7, false}, {"https://", 8, true}, {"file:///", 8, false}, {"ftp://", 6, false}};
    for (const Scheme& scheme : kSchemes) {
        if (strncasecmp(s, scheme.prefix, scheme.length) == 0) {
            if (scheme.tls) {
                port = 443;
            }
            return scheme.length;
        }
    }
    return 0;
}

// Reads the decimal port number at `p` (leading blanks skipped). The port is left as it is when
// no digits follow or the number is above 65535.
void readPort(const char* p, int& port) {
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    int value = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        ++digits;
        if (value > 65535) {
            return;
        }
    }
    if (digits > 0) {
        port = value;
    }
}

// Lower-cases and trims the host, and cuts it at the first byte that cannot belong to a host
// name ('#' included, so that a fragment written straight after the host never reaches it).
void cleanHost(StringBuffer& host) {
    host.toLowerCase();
    host.trim();
    static const char kCuts[] = {':', '%', '&', '?', '=', ' ', '#'};
    for (char c : kCuts) {
        host.truncateAtChar(c);
    }
    host.trim();
}

// The offset of the first '/', '?' or '#' in s[from, n), or n.
int authorityEnd(const char* s, int from, int n) {
    for (int i = from; i < n; ++i) {
        if (s[i] == '/' || s[i] == '?' || s[i] == '#') {
            return i;
        }
    }
    return n;
}

// Finds the parts of `s` (length n); the credentials are written straight to their outputs.
UrlSpans findSpans(const char* s, int n, int& port, StringBuffer& login, StringBuffer& password) {
    UrlSpans spans;
    int start = skipScheme(s, port);

    // User information lives only in the authority, which ends at the first '/', '?' or '#'; an
    // '@' further on ("/@team/x", "?mail=a@b/c") is part of the path or query. With several '@'
    // the host follows the last, as browsers read it.
    int at = findLast(s, start, authorityEnd(s, start, n), '@');
    if (at >= 0) {
        int colon = findFirst(s, start, at, ':');
        if (colon >= 0) {
            login.appendN(s + start, colon - start);
            password.appendN(s + colon + 1, at - colon - 1);
        }
        start = at + 1;
    }

    int colon = findFirst(s, start, n, ':');
    int slash = findFirst(s, start, n, '/');
    int question = findFirst(s, start, n, '?');
    spans.hostStart = start;
    if (slash >= 0) {
        bool portGiven = colon >= 0 && colon < slash;
        spans.hostEnd = portGiven ? colon : slash;
        if (portGiven) {
            readPort(s + colon + 1, port);
        }
        spans.pathGiven = true;
        spans.pathStart = slash;
        int pathQuestion = findFirst(s, slash, n, '?');
        spans.pathEnd = pathQuestion >= 0 ? pathQuestion : n;
        spans.queryStart = pathQuestion >= 0 ? pathQuestion + 1 : -1;
    } else {
        // No path: the host part ends at the first '?' or '#', and a port before that point is
        // honoured.
        int hash = findFirst(s, start, n, '#');
        int stop = question >= 0 ? question : n;
        if (hash >= 0 && hash < stop) {
            stop = hash;
        }
        bool portGiven = colon >= 0 && colon < stop;
        spans.hostEnd = portGiven ? colon : stop;
        if (portGiven) {
            readPort(s + colon + 1, port);
        }
        spans.pathStart = stop;
        spans.pathEnd = question >= 0 ? question : n;
        spans.queryStart = question >= 0 ? question + 1 : -1;
    }

    if (spans.queryStart >= 0 && spans.queryStart < n) {
        spans.hash = findLast(s, spans.queryStart, n, '#');
        spans.fragmentEnd = n;
    } else if (spans.pathEnd > spans.pathStart) {
        spans.hash = findLast(s, spans.pathStart, spans.pathEnd, '#');
        spans.fragmentEnd = spans.pathEnd;
    }
    return spans;
}

void appendSpan(StringBuffer& out, const char* s, int from, int to) {
    if (to > from) {
        out.appendN(s + from, to - from);
    }
}

} // namespace

bool parseUrl(const char* url, StringBuffer& host, int& port, StringBuffer& login, StringBuffer& password,
              StringBuffer& path, StringBuffer& query, StringBuffer& fragment) {
    host.clear();
    login.clear();
    password.clear();
    path.clear();
    query.clear();
    fragment.clear();
    port = 80;
    if (url == nullptr) {
        return false;
    }
    StringBuffer copy(url);
    copy.replaceChar('\\', '/');
    const char* s = copy.getString();
    int n = copy.getSize();
    UrlSpans spans = findSpans(s, n, port, login, password);

    appendSpan(host, s, spans.hostStart, spans.hostEnd);
    cleanHost(host);

    bool fragmentInQuery = spans.hash >= 0 && spans.queryStart >= 0 && spans.hash >= spans.queryStart;
    if (!spans.pathGiven) {
        path.setString("/");
    } else {
        int pathEnd = spans.hash >= 0 && !fragmentInQuery ? spans.hash : spans.pathEnd;
        appendSpan(path, s, spans.pathStart, pathEnd);
    }
    if (spans.queryStart >= 0) {
        appendSpan(query, s, spans.queryStart, fragmentInQuery ? spans.hash : n);
    }
    if (spans.hash >= 0) {
        appendSpan(fragment, s, spans.hash + 1, spans.fragmentEnd);
    }
    return true;
}

bool getUrlHost(const char* url, StringBuffer& host) {
    StringBuffer login, password, path, query, fragment;
    int port = 80;
    return parseUrl(url, host, port, login, password, path, query, fragment);
}

bool getUrlPath(const char* url, StringBuffer& path) {
    StringBuffer host, login, password, query, fragment;
    int port = 80;
    return parseUrl(url, host, port, login, password, path, query, fragment);
}

void getUrlWithoutFragment(const char* url, StringBuffer& out) {
    out.clear();
    if (url == nullptr) {
        return;
    }
    StringBuffer copy(url);
    copy.replaceChar('\\', '/');
    StringBuffer login, password;
    int port = 80;
    UrlSpans spans = findSpans(copy.getString(), copy.getSize(), port, login, password);
    out.setString(url);
    if (spans.hash >= 0) {
        out.removeChunk(spans.hash, spans.fragmentEnd - spans.hash);
    }
}
