#include "http/http_response_header.h"

#include "http/mime_field.h"

#include <cctype>
#include <cstdint>
#include <cstring>

void HttpResponseHeader::clear() {
    statusCode = 0;
    statusText.clear();
    statusLine.clear();
    fields.clear();
    contentLength = 0;
    hasContentLength = false;
    contentLengthInvalid = false;
}

namespace {

// Reads a decimal number at p, clamped to the range of a signed 32-bit value, and moves p past
// it; false when no digit is there.
bool readDecimal(const char*& p, int& value) {
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

// One Content-Length value: a list of numbers ("12" or "12, 12"), all the same. False when a
// part is not a number or the parts differ; `value` is -1 before the first number is seen.
bool readContentLength(const char* text, int& value) {
    const char* p = text;
    for (;;) {
        while (*p == ' ' || *p == '\t')
            ++p;
        int number = 0;
        if (!readDecimal(p, number))
            return false;
        if (value >= 0 && number != value)
            return false;
        value = number;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == 0)
            return true;
        if (*p != ',')
            return false;
        ++p;
    }
}

} // namespace

void HttpResponseHeader::parse(const char* text) {
    clear();
    if (text == nullptr)
        return;
    size_t lineLength = std::strcspn(text, "\r\n");
    statusLine.appendN(text, static_cast<int>(lineLength));
    if (std::strncmp(text, "HTTP", 4) != 0)
        return;
    const char* line = statusLine.getString();
    const char* blank = std::strchr(line, ' ');
    if (blank == nullptr)
        return;
    const char* p = blank + 1;
    int code = 0;
    if (!readDecimal(p, code))
        return;
    statusCode = code;
    if (*p == ' ') {
        statusText.setString(p + 1);
        statusText.trim();
    }

    const char* rest = text + lineLength;
    while (*rest == '\r' || *rest == '\n' || *rest == ' ' || *rest == '\t')
        ++rest;
    fields.parseHeaderText(rest);

    int length = -1;
    for (int i = 0; i < fields.getNumFields(); ++i) {
        const MimeField* field = fields.getFieldAt(i);
        if (!field->nameIs("Content-Length"))
            continue;
        hasContentLength = true;
        if (!readContentLength(field->getValue(), length))
            contentLengthInvalid = true;
    }
    contentLength = hasContentLength && !contentLengthInvalid ? length : 0;
}
