// HttpResult: the outcome of the last request beside its body: redirect information, whether a
// cache answered, whether the connection could not be written, and the response header.
#pragma once

#include "base/string_buffer.h"
#include "http/fetch_failure.h"
#include "http/http_response_header.h"

class HttpResult {
public:
    HttpResult() = default;
    HttpResult(const HttpResult&) = delete;
    HttpResult& operator=(const HttpResult&) = delete;

    void clear() {
        wasRedirected = false;
        finalRedirectUrl.clear();
        reserved1 = 0;
        cacheStatus = 0;
        reserved2 = 0;
        fromCache = false;
        socketNotWriteable = false;
        failure = FetchFailure::None;
        failureDetail.clear();
        responseHeader.clear();
    }
    // Keeps the first cause of a failed request: a redirect's failure is the request's.
    void noteFailure(FetchFailure cause, const char* detail) {
        if (failure != FetchFailure::None)
            return;
        failure = cause;
        failureDetail.setString(detail == nullptr ? "" : detail);
    }

    bool wasRedirected = false;
    StringBuffer finalRedirectUrl;
    int reserved1 = 0; // kept in the record; nothing reads it
    // 0 nothing found in the disk cache, 1 an entry found, 2 a negative entry found.
    int cacheStatus = 0;
    int reserved2 = 0; // reset with cacheStatus; nothing reads it
    bool fromCache = false;
    // The connection could not be written (or a reused one had been closed by the server): the
    // one case the engine retries on a new connection.
    bool socketNotWriteable = false;
    // Why the request failed, when the engine knows (a status is left to the facade).
    FetchFailure failure = FetchFailure::None;
    StringBuffer failureDetail;
    HttpResponseHeader responseHeader;
};
