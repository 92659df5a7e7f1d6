// HostResolver: turns a host name into the addresses a connect tries, IPv4 and IPv6, in the
// order the resolver gives them. It reads /etc/hosts and /etc/resolv.conf as the system's own
// resolver does, but asks the name servers itself, so that a look-up ends at the caller's time
// limit however the servers behave. This is the one file that knows c-ares; everything else sees
// HostAddress lists.
#pragma once

#include <cstdint>
#include <vector>

class LogBase;
class StringBuffer;

// One address of a host, ready for a socket.
struct HostAddress {
    bool isIpv6 = false;
    uint8_t bytes[16] = {}; // network order; 4 bytes for IPv4
    bool operator==(const HostAddress& other) const;
    void toText(StringBuffer& out) const;
};

using HostAddressList = std::vector<HostAddress>;

namespace HostResolver {

enum class Outcome {
    kFound,    // at least one address
    kNotFound, // the servers answered, but with no address (or the name is not valid)
    kNoAnswer, // the servers did not answer within the time
};

// "localhost" (any case) is 127.0.0.1 and a dotted IPv4 or an IPv6 literal (bracketed or not)
// is itself; neither is ever looked up. False for any other text.
bool literal(const char* host, HostAddress& out);
// Looks the name up within `ms` milliseconds (UINT32_MAX: only the resolver's own retries bound
// it). At most HttpLimits::kMaxHostAddresses addresses are kept, without repeats.
Outcome resolve(const char* host, uint32_t ms, HostAddressList& out, LogBase* log);

} // namespace HostResolver
