#include "http/http_response_header.h"

#include <cctype>
#include <cstring>
#include <strings.h>

void HttpResponseHeader::clear() {
    statusCode = 0;
    statusText.clear();
    statusLine.clear();
    fields.clear();
    contentLength = 0;
    hasContentLength = false;
}

namespace {

// Reads a decimal number at p, clamped to the range of a signed 32-bit value; false when no
// digit is there.
bool readDecimal(const char* p, int& value) {
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return false;
    long long v = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        v = v * 10 + (*p - '0');
        if (v > INT32_MAX)
            v = INT32_MAX;
        ++p;
    }
    value = static_cast<int>(v);
    return true;
}

const char* findNoCase(const char* text, const char* needle) {
    size_t n = std::strlen(needle);
    for (const char* p = text; *p != 0; ++p) {
        if (strncasecmp(p, needle, n) == 0)
            return p;
    }
    return nullptr;
}

} // namespace

void HttpResponseHeader::parse(const char* text) {
    clear();
    if (text == nullptr)
        return;
    const char* cr = std::strchr(text, '\r');
    statusLine.appendN(text,
                       cr != nullptr ? static_cast<int>(cr - text) : static_cast<int>(std::strlen(text)));
    if (std::strncmp(text, "HTTP", 4) != 0)
        return;
    const char* blank = std::strchr(text, ' ');
    if (blank == nullptr || (cr != nullptr && blank > cr))
        return;
    int code = 0;
    if (!readDecimal(blank + 1, code))
        return;
    statusCode = code;
    const char* reason = std::strchr(blank + 1, ' ');
    if (reason == nullptr || cr == nullptr || reason > cr)
        return;
    statusText.appendN(reason + 1, static_cast<int>(cr - reason - 1));
    statusText.trim();

    const char* length = findNoCase(text, "\r\nContent-Length:");
    if (length != nullptr) {
        hasContentLength = true;
        const char* p = length + 17;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!readDecimal(p, contentLength))
            contentLength = 0;
    }
    const char* rest = cr;
    while (*rest == '\r' || *rest == '\n' || *rest == ' ' || *rest == '\t')
        ++rest;
    fields.parseHeaderText(rest);
}
