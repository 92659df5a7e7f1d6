#include "http/http_conn_pool.h"

#include "base/string_buffer.h"
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
