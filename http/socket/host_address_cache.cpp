#include "http/socket/host_address_cache.h"

#include "base/log_base.h"
#include "base/string_buffer.h"
#include "http/limits.h"

bool HostAddressCache::addressesOf(const char* host, uint32_t ms, HostAddressList& out, LogBase* log,
                                   bool& silent) {
    out.clear();
    silent = false;
    HostAddress address;
    if (HostResolver::literal(host, address)) {
        out.push_back(address);
        return true;
    }
    StringBuffer name(host == nullptr ? "" : host);
    name.trim();
    name.toLowerCase();
    auto known = m_hosts.find(name.getString());
    if (known != m_hosts.end()) {
        out = known->second.addresses;
        silent = !known->second.resolved && m_resolverSilent;
        return known->second.resolved;
    }
    if (m_resolverSilent) {
        // Every name of a job lies under the same domain and its name servers: once they have
        // let one look-up run out of time, the next would only wait as long again.
        if (log != nullptr)
            log->LogInfo("The name servers did not answer earlier in this job.");
        silent = true;
        return false;
    }
    HostResolver::Outcome outcome = HostResolver::resolve(name.getString(), ms, out, log);
    if (outcome == HostResolver::Outcome::kNoAnswer) {
        m_resolverSilent = true;
        silent = true;
    }
    if (m_hosts.size() >= HttpLimits::kMaxCachedHosts)
        m_hosts.clear();
    Entry& entry = m_hosts[name.getString()];
    entry.resolved = outcome == HostResolver::Outcome::kFound;
    entry.addresses = out;
    return entry.resolved;
}

void HostAddressCache::markTimedOut(const HostAddress& address) {
    for (const HostAddress& known : m_timedOut) {
        if (known == address)
            return;
    }
    if (m_timedOut.size() < HttpLimits::kMaxCachedHosts)
        m_timedOut.push_back(address);
}

bool HostAddressCache::unreachable(const char* host, uint32_t ms, LogBase* log) {
    HostAddressList addresses;
    bool silent = false;
    if (!addressesOf(host, ms, addresses, log, silent))
        return silent;
    for (const HostAddress& address : addresses) {
        bool timedOut = false;
        for (const HostAddress& known : m_timedOut)
            timedOut = timedOut || known == address;
        if (!timedOut)
            return false;
    }
    return true;
}
