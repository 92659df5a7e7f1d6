// HostAddressCache: what one job has learnt about host names, so that redirects and subpages of
// a site resolve once. It keeps the addresses of every host looked up (or that the name did not
// resolve), the addresses whose connect timed out, and whether the name servers fell silent.
// One cache per HttpMan, reached through its HttpControl; used by one thread.
#pragma once

#include "http/socket/host_resolver.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class HostAddressCache {
public:
    // The addresses of `host`: a literal as itself, a known host from the cache, any other by a
    // look-up within `ms` milliseconds. False when the name does not resolve; `silent` is then
    // set when that is because the name servers did not answer (now or earlier in this job).
    bool addressesOf(const char* host, uint32_t ms, HostAddressList& out, LogBase* log, bool& silent);
    // A connect to this address ran out of time.
    void markTimedOut(const HostAddress& address);
    // True when the host resolves only to addresses whose connect timed out in this job, or the
    // name servers fell silent in it: a further request to it can only time out again.
    bool unreachable(const char* host, uint32_t ms, LogBase* log);

private:
    struct Entry {
        bool resolved = false;
        HostAddressList addresses;
    };

    std::unordered_map<std::string, Entry> m_hosts;
    HostAddressList m_timedOut;
    bool m_resolverSilent = false;
};
