// libFuzzer target for URLs: the split into parts, the resolution of a reference against a base,
// and the registrable (base) domain of a host. The input is a URL, a line feed and a reference.
// A URL's parts written back as a URL parse to the same parts; an absolute URL, once resolved,
// resolves to itself against the same base; the base domain ends the host and is its own base domain.
#include "base/domain_helpers.h"
#include "base/url_parse.h"
#include "base/url_resolve.h"
#include "fuzz_support.h"

#include <cctype>
#include <cstdio>

namespace {

struct UrlParts {
    StringBuffer host, login, password, path, query, fragment;
    int port = 0;

    void parse(const char* url) {
        fuzz::check(parseUrl(url, host, port, login, password, path, query, fragment));
    }
    bool operator==(const UrlParts& o) const {
        return host.equalsSb(o.host) && port == o.port && login.equalsSb(o.login) &&
               password.equalsSb(o.password) && path.equalsSb(o.path) && query.equalsSb(o.query) &&
               fragment.equalsSb(o.fragment);
    }
    void write(StringBuffer& url) const {
        url.setString("http://");
        if (login.getSize() > 0 || password.getSize() > 0) {
            url.append(login.getString());
            url.append(":");
            url.append(password.getString());
            url.append("@");
        }
        url.append(host.getString());
        char port[16];
        std::snprintf(port, sizeof port, ":%d", this->port);
        url.append(port);
        url.append(path.getString());
        // Always a '?' and a '#': the fragment starts after the last '#' of the query (of the
        // path when there is no query), and the path, query and fragment may hold either byte.
        url.append("?");
        url.append(query.getString());
        url.append("#");
        url.append(fragment.getString());
    }
};

// A scheme, as "http:" or "mailto:", makes a URL absolute: it then resolves to itself. A URL
// without one (the result of a base without a scheme) is a relative reference again.
bool hasScheme(const StringBuffer& url) {
    const char* p = url.getString();
    if (!std::isalpha(static_cast<unsigned char>(*p)))
        return false;
    while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '+' || *p == '-' || *p == '.')
        ++p;
    return *p == ':';
}

bool endsWith(const StringBuffer& text, const StringBuffer& tail) {
    int n = text.getSize(), m = tail.getSize();
    return m <= n && std::memcmp(text.getString() + n - m, tail.getString(), m) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Text text(data, size);
    const char* newline = static_cast<const char*>(std::memchr(text.get(), '\n', size));
    StringBuffer url;
    url.appendN(text.get(), newline ? static_cast<int>(newline - text.get()) : static_cast<int>(size));
    const char* reference = newline ? newline + 1 : "";

    UrlParts parts;
    parts.parse(url.getString());
    StringBuffer written;
    parts.write(written);
    UrlParts again;
    again.parse(written.getString());
    fuzz::check(again == parts);

    StringBuffer resolved;
    if (resolveUrlReference(url.getString(), reference, resolved) && hasScheme(resolved)) {
        // A reference with an empty path keeps the base's path as written, dot segments and all
        // (as RFC 3986 has it), so the fixed point is reached one resolution later.
        StringBuffer twice;
        fuzz::check(resolveUrlReference(url.getString(), resolved.getString(), twice));
        StringBuffer thrice;
        fuzz::check(resolveUrlReference(url.getString(), twice.getString(), thrice));
        fuzz::check(thrice.equalsSb(twice));
    }

    // The base domain of a host name in the form DNS carries, as the crawler asks for it.
    StringBuffer host;
    if (toAsciiHost(parts.host.getString(), host)) {
        StringBuffer base;
        getBaseDomain(host.getString(), base);
        StringBuffer baseOfBase;
        getBaseDomain(base.getString(), baseOfBase);
        fuzz::check(baseOfBase.equalsSb(base));
        fuzz::check(endsWith(host, base));
    }
    return 0;
}
