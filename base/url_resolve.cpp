// Reference resolution: split both texts into scheme, authority, path, query and fragment, take
// each part from the reference or the base, merge the paths and remove dot segments. Every step
// works on offsets into one copy of each text and reads each byte a bounded number of times, so a
// long hostile link costs linear time.
#include "base/url_resolve.h"

#include "base/string_buffer.h"

#include <cctype>

namespace {

// A part of a URL text: [from, to), or undefined when `to` is -1. An empty part that is present
// ("http://h?" has an empty query) differs from an absent one.
struct Range {
    int from = 0;
    int to = -1;

    bool defined() const { return to >= 0; }
    int length() const { return to - from; }
};

// The five parts of a URL reference, as offsets into `text`.
struct Reference {
    const char* text = "";
    Range scheme;
    Range authority;
    Range path; // always defined, possibly empty
    Range query;
    Range fragment;
};

bool isSchemeByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

// The offset of the first of `stops` in s[from, n), or n.
int findAny(const char* s, int from, int n, const char* stops) {
    for (int i = from; i < n; ++i) {
        for (const char* p = stops; *p != '\0'; ++p) {
            if (s[i] == *p) {
                return i;
            }
        }
    }
    return n;
}

// Splits s[0, n) into its parts: a scheme is a letter followed by letters, digits, '+', '-' or '.'
// and ended by ':'; an authority follows "//" and runs to the next '/', '?' or '#'.
Reference split(const char* s, int n) {
    Reference r;
    r.text = s;
    int pos = 0;
    if (n > 0 && std::isalpha(static_cast<unsigned char>(s[0]))) {
        int i = 1;
        while (i < n && isSchemeByte(s[i])) {
            ++i;
        }
        if (i < n && s[i] == ':') {
            r.scheme = {0, i};
            pos = i + 1;
        }
    }
    if (pos + 1 < n && s[pos] == '/' && s[pos + 1] == '/') {
        int end = findAny(s, pos + 2, n, "/?#");
        r.authority = {pos + 2, end};
        pos = end;
    }
    int pathEnd = findAny(s, pos, n, "?#");
    r.path = {pos, pathEnd};
    pos = pathEnd;
    if (pos < n && s[pos] == '?') {
        int end = findAny(s, pos + 1, n, "#");
        r.query = {pos + 1, end};
        pos = end;
    }
    if (pos < n && s[pos] == '#') {
        r.fragment = {pos + 1, n};
    }
    return r;
}

// The text with its ends trimmed of blanks and control bytes and every '\' read as '/'.
void normalizedCopy(const char* text, StringBuffer& copy) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    int from = 0;
    while (s[from] != 0 && s[from] <= ' ') {
        ++from;
    }
    int to = from;
    for (int i = from; s[i] != 0; ++i) {
        if (s[i] > ' ') {
            to = i + 1;
        }
    }
    copy.clear();
    copy.appendN(text + from, to - from);
    copy.replaceChar('\\', '/');
}

void appendRange(StringBuffer& out, const Reference& r, const Range& range) {
    if (range.defined() && range.length() > 0) {
        out.appendN(r.text + range.from, range.length());
    }
}

// Drops the last segment of `out` and the '/' before it (a path without '/' becomes empty).
// Scanning back from the end keeps the whole removal linear in the path length.
void dropLastSegment(StringBuffer& out) {
    const char* s = out.getString();
    int i = out.getSize() - 1;
    while (i >= 0 && s[i] != '/') {
        --i;
    }
    out.shorten(out.getSize() - (i >= 0 ? i : 0));
}

// Appends `path` to `out` with its "." and ".." segments removed, step by step as RFC 3986
// describes it: the input is consumed from the left, and a ".." takes the last segment written so
// far away again.
void appendWithoutDotSegments(const char* path, int n, StringBuffer& out) {
    auto startsWith = [&](int i, const char* text) {
        for (int k = 0; text[k] != '\0'; ++k) {
            if (i + k >= n || path[i + k] != text[k]) {
                return false;
            }
        }
        return true;
    };
    StringBuffer result;
    int i = 0;
    while (i < n) {
        int rest = n - i;
        if (startsWith(i, "../")) {
            i += 3;
        } else if (startsWith(i, "./") || startsWith(i, "/./")) {
            i += 2;
        } else if (rest == 2 && startsWith(i, "/.")) {
            result.appendChar('/');
            i = n;
        } else if (startsWith(i, "/../")) {
            dropLastSegment(result);
            i += 3;
        } else if (rest == 3 && startsWith(i, "/..")) {
            dropLastSegment(result);
            result.appendChar('/');
            i = n;
        } else if ((rest == 1 && startsWith(i, ".")) || (rest == 2 && startsWith(i, ".."))) {
            i = n;
        } else {
            int end = findAny(path, i + 1, n, "/");
            result.appendN(path + i, end - i);
            i = end;
        }
    }
    out.appendSb(result);
}

void appendPath(const Reference& r, StringBuffer& out) {
    appendWithoutDotSegments(r.text + r.path.from, r.path.length(), out);
}

// The base path up to and including its last '/', then the reference path; "/" stands in for the
// empty path of a base that has a host.
void appendMergedPath(const Reference& base, const Reference& ref, StringBuffer& out) {
    StringBuffer merged;
    if (base.authority.defined() && base.path.length() == 0) {
        merged.appendChar('/');
    } else {
        int lastSlash = -1;
        for (int i = base.path.from; i < base.path.to; ++i) {
            if (base.text[i] == '/') {
                lastSlash = i;
            }
        }
        if (lastSlash >= 0) {
            merged.appendN(base.text + base.path.from, lastSlash + 1 - base.path.from);
        }
    }
    appendRange(merged, ref, ref.path);
    appendWithoutDotSegments(merged.getString(), merged.getSize(), out);
}

// The parts of the result, each taken from the reference or the base.
struct Target {
    const Reference* scheme;
    const Reference* authority;
    const Reference* query;
};

// Which text gives the scheme, the authority and the query of the result; the path is written
// by appendTargetPath.
Target chooseParts(const Reference& base, const Reference& ref) {
    const Reference* scheme = ref.scheme.defined() ? &ref : &base;
    if (ref.scheme.defined() || ref.authority.defined()) {
        return {scheme, &ref, &ref};
    }
    bool keepsBaseQuery = ref.path.length() == 0 && !ref.query.defined();
    return {scheme, &base, keepsBaseQuery ? &base : &ref};
}

void appendTargetPath(const Reference& base, const Reference& ref, StringBuffer& out) {
    if (ref.scheme.defined() || ref.authority.defined() ||
        (ref.path.length() > 0 && ref.text[ref.path.from] == '/')) {
        appendPath(ref, out);
    } else if (ref.path.length() == 0) {
        appendRange(out, base, base.path);
    } else {
        appendMergedPath(base, ref, out);
    }
}

} // namespace

bool resolveUrlReference(const char* base, const char* reference, StringBuffer& out) {
    out.clear();
    if (base == nullptr || reference == nullptr) {
        return false;
    }
    StringBuffer refText, baseText;
    normalizedCopy(reference, refText);
    normalizedCopy(base, baseText);
    Reference ref = split(refText.getString(), refText.getSize());
    Reference baseParts = split(baseText.getString(), baseText.getSize());
    if (!baseParts.scheme.defined() || !baseParts.authority.defined()) {
        // Read as the URL parse reads a text without a known scheme: the host comes first.
        baseText.prepend("//");
        baseParts = split(baseText.getString(), baseText.getSize());
    }

    Target target = chooseParts(baseParts, ref);
    bool hasScheme = target.scheme->scheme.defined();
    if (hasScheme) {
        appendRange(out, *target.scheme, target.scheme->scheme);
        out.appendChar(':');
    }
    if (target.authority->authority.defined()) {
        // Without a scheme the result is written the way the URL parse reads it: host first.
        if (hasScheme) {
            out.append("//");
        }
        appendRange(out, *target.authority, target.authority->authority);
    }
    appendTargetPath(baseParts, ref, out);
    if (target.query->query.defined()) {
        out.appendChar('?');
        appendRange(out, *target.query, target.query->query);
    }
    if (ref.fragment.defined()) {
        out.appendChar('#');
        appendRange(out, ref, ref.fragment);
    }
    return out.getSize() > 0;
}
