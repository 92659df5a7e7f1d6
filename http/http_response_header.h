// HttpResponseHeader: the status line and header fields of one response, as the request engine
// parsed them. Content-Length is read once here so the body reader need not look it up.
#pragma once

#include "base/string_buffer.h"
#include "http/mime_header.h"

class HttpResponseHeader {
public:
    HttpResponseHeader() = default;
    HttpResponseHeader(const HttpResponseHeader&) = delete;
    HttpResponseHeader& operator=(const HttpResponseHeader&) = delete;

    void clear();
    // Parses a header block. A text that does not begin with "HTTP", a blank and a decimal code
    // leaves statusCode 0, meaning no valid status line arrived. The reason phrase may be
    // missing, and lines may end in CR LF or a bare LF.
    void parse(const char* text);

    int statusCode = 0;
    StringBuffer statusText;
    StringBuffer statusLine;
    MimeHeader fields;
    int contentLength = 0;
    bool hasContentLength = false;
    // Content-Length was not a number, or several fields gave different values: the body's end
    // cannot be known from it.
    bool contentLengthInvalid = false;
};
