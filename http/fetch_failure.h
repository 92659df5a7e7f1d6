// Why a page could not be had, decided where the failure happens: the socket layer knows a name
// that did not resolve from a refused or silent address, the facade knows an error status, the
// analysis knows a parked or for-sale page. The domain job reports the cause with its word.
#pragma once

enum class FetchFailure {
    None,
    Dns,
    Refused,
    Timeout,
    Tls,
    HttpStatus,
    Parked,
    ForSale,
    DeadPage,
    Budget,
    InvalidUrl,
    Other,
};

constexpr int kFetchFailureCount = static_cast<int>(FetchFailure::Other) + 1;

// The word for a cause, as the log, the summary and the JSON lines carry it.
inline const char* fetchFailureWord(FetchFailure failure) {
    static const char* const kWords[kFetchFailureCount] = {
        "none",   "dns",      "refused",   "timeout", "tls",         "http-status",
        "parked", "for-sale", "dead-page", "budget",  "invalid-url", "other",
    };
    int i = static_cast<int>(failure);
    return i >= 0 && i < kFetchFailureCount ? kWords[i] : "other";
}
