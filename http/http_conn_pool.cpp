#include "http/http_conn_pool.h"

#include "base/string_buffer.h"
#include "http/cache/cache_time.h"
#include "http/cache/http_cache.h"
#include "http/http_client.h"
#include "http/http_control.h"

#include <strings.h>

HttpConnPool::~HttpConnPool() {
    closeAll();
}

HttpClient* HttpConnPool::connectionAt(int i) const {
    return static_cast<HttpClient*>(m_connections.elementAt(i));
}

void HttpConnPool::closeAll() {
    for (int i = 0; i < m_connections.getSize(); ++i) {
        HttpClient* client = connectionAt(i);
        if (client != nullptr)
            client->closeConnection(nullptr);
    }
    m_connections.removeAllObjects();
}

HttpClient* HttpConnPool::getConnection(const char* host, int port, const HttpControl& control,
                                        LogBase* log) {
    bool viaProxy = control.proxyDomain.getSize() > 0;
    const char* wantedHost = viaProxy ? control.proxyDomain.getString() : (host == nullptr ? "" : host);
    int wantedPort = viaProxy ? control.proxyPort : port;
    for (int i = 0; i < m_connections.getSize();) {
        HttpClient* client = connectionAt(i);
        if (client == nullptr) {
            m_connections.removeAt(i);
            continue;
        }
        if (client->getPort() == wantedPort && strcasecmp(client->getHost(), wantedHost) == 0) {
            if (m_maxConnections != 0) {
                m_connections.removeAt(i);
                m_connections.appendPtr(client);
            }
            return client;
        }
        ++i;
    }
    if (m_maxConnections != 0 && m_connections.getSize() >= m_maxConnections) {
        auto* oldest = static_cast<HttpClient*>(m_connections.removeAt(0));
        if (oldest != nullptr) {
            oldest->closeConnection(log);
            delete oldest;
        }
    }
    auto* client = new HttpClient();
    client->setTarget(wantedHost, wantedPort);
    m_connections.appendPtr(client);
    return client;
}

namespace {

// The flag of a DNS cache entry for a host whose name did not resolve.
constexpr unsigned char kHostInvalid = CacheEntry::kFailedMarker;

void dnsKey(const char* host, StringBuffer& key) {
    key.setString("dns://");
    key.append(host == nullptr ? "" : host);
    key.toLowerCase();
}

void writeDnsEntry(const HttpCache& cache, const char* host, unsigned char flag, LogBase* log) {
    CacheEntry entry;
    dnsKey(host, entry.key);
    double now = CacheTime::nowOle();
    CacheTime::makeStamp(now, entry.created);
    CacheTime::makeStamp(now, entry.expires);
    entry.flags[0] = flag;
    cache.writeEntry(entry, log);
}

} // namespace

bool HttpConnPool::dnsLookup(const HttpCache& cache, const char* host, bool& invalid, LogBase* log) {
    invalid = false;
    StringBuffer key;
    dnsKey(host, key);
    CacheEntry entry;
    if (cache.loadEntry(key.getString(), entry, log) == HttpCache::Lookup::kMissing)
        return false;
    invalid = entry.flags[0] != 0;
    return true;
}

void HttpConnPool::markHostInvalid(const HttpCache& cache, const char* host, LogBase* log) {
    bool invalid = false;
    if (!dnsLookup(cache, host, invalid, log) || invalid)
        writeDnsEntry(cache, host, kHostInvalid, log);
}

void HttpConnPool::markHostValid(const HttpCache& cache, const char* host, LogBase* log) {
    bool invalid = false;
    if (dnsLookup(cache, host, invalid, log) && invalid)
        writeDnsEntry(cache, host, 0, log);
}
