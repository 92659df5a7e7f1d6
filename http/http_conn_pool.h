// HttpConnPool: the open connections of one HTTP facade, so that consecutive requests to one
// server reuse a kept-alive connection. A most-recently-used list of fixed capacity: the least
// recently used connection is closed and deleted to make room. Owns its HttpClients. Belongs to
// one thread. Also the DNS cache, a thin layer over the HttpCache disk cache that remembers host
// names whose look-up failed.
#pragma once

#include "base/ext_ptr_array.h"

class HttpCache;
class HttpClient;
class HttpControl;
class LogBase;

class HttpConnPool {
public:
    static constexpr int kDefaultMaxConnections = 10;

    HttpConnPool() = default;
    ~HttpConnPool();
    HttpConnPool(const HttpConnPool&) = delete;
    HttpConnPool& operator=(const HttpConnPool&) = delete;

    // 0 means no limit (and no reordering).
    void setMaxConnections(int n) { m_maxConnections = n < 0 ? 0 : n; }
    int getMaxConnections() const { return m_maxConnections; }

    // The connection for host:port (or for the proxy, when one is set), made when there is none;
    // it connects on its first request.
    HttpClient* getConnection(const char* host, int port, const HttpControl& control, LogBase* log);

    int numConnections() const { return m_connections.getSize(); }
    // Connection i, least recently used first.
    HttpClient* connectionAt(int i) const;
    // Closes and deletes every connection.
    void closeAll();

    // The DNS cache: HttpCache entries keyed "dns://" and the host name, lower-cased, whose flag
    // is 1 for a host whose name did not resolve and 0 for one known to resolve. dnsLookup
    // answers whether the host has an entry and, in `invalid`, whether it is marked as not
    // resolving. markHostInvalid marks a host without an entry, or one already invalid (whose
    // entry is written again); a host known to resolve is left as it is. markHostValid clears
    // the mark of an invalid host.
    static bool dnsLookup(const HttpCache& cache, const char* host, bool& invalid, LogBase* log);
    static void markHostInvalid(const HttpCache& cache, const char* host, LogBase* log);
    static void markHostValid(const HttpCache& cache, const char* host, LogBase* log);

private:
    int m_maxConnections = kDefaultMaxConnections;
    ExtPtrArray m_connections;
};
