#include "fixture_server.h"

#include "gzip_bytes.h"
#include "loopback.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test_support {

namespace {

// The value of a header field in a request block, "" when absent.
std::string headerValue(const std::string& block, const char* name) {
    std::string needle = std::string("\r\n") + name + ":";
    for (size_t i = 0; i + needle.size() <= block.size(); ++i) {
        if (strncasecmp(block.c_str() + i, needle.c_str(), needle.size()) == 0) {
            size_t start = i + needle.size();
            size_t end = block.find("\r\n", start);
            std::string value = block.substr(start, end - start);
            while (!value.empty() && value.front() == ' ')
                value.erase(0, 1);
            return value;
        }
    }
    return "";
}

std::string chunkedBody(const std::string& body) {
    std::string out;
    const size_t piece = 1000;
    for (size_t at = 0; at < body.size(); at += piece) {
        std::string part = body.substr(at, piece);
        char size[16];
        std::snprintf(size, sizeof(size), "%zx\r\n", part.size());
        out += size + part + "\r\n";
    }
    return out + "0\r\n\r\n";
}

} // namespace

std::vector<FixtureSite> loadFixtureSites(const std::string& dir, FixtureServer& server) {
    std::vector<FixtureSite> sites = readSiteFolders(dir);
    for (const FixtureSite& site : sites) {
        for (const auto& [path, sitePage] : site.pages) {
            FixturePage page;
            page.status = sitePage.status;
            page.body = sitePage.body;
            page.delayMs = sitePage.delayMs;
            page.chunked = sitePage.chunked;
            page.gzip = site.gzip;
            if (!sitePage.location.empty())
                page.headers += "Location: " + sitePage.location + "\r\n";
            page.headers += "Content-Type: text/html" +
                            (site.charset.empty() ? "" : "; charset=" + site.charset) + "\r\n";
            for (const std::string& host : site.hosts)
                server.addPage(host, path, page);
        }
    }
    return sites;
}

FixtureServer::~FixtureServer() {
    stop();
}

void FixtureServer::add(const std::string& host, const std::string& path, const std::string& body,
                        const std::string& contentType) {
    FixturePage page;
    page.body = body;
    page.headers = "Content-Type: " + contentType + "\r\n";
    addPage(host, path, page);
}

void FixtureServer::addPage(const std::string& host, const std::string& path, const FixturePage& page) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pages[host + " " + path] = page;
}

bool FixtureServer::lookup(const std::string& host, const std::string& path, FixturePage& page) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_pages.find(host + " " + path);
    if (it == m_pages.end())
        it = m_pages.find("* " + path);
    if (it == m_pages.end())
        return false;
    page = it->second;
    return true;
}

bool FixtureServer::start(uint16_t port) {
    return listenOn(false, port);
}

bool FixtureServer::startIpv6(uint16_t port) {
    return listenOn(true, port);
}

bool FixtureServer::listenOn(bool ipv6, uint16_t port) {
    std::signal(SIGPIPE, SIG_IGN);
    m_listenFd = listenOnLoopback(ipv6, port, 64, m_port);
    if (m_listenFd < 0)
        return false;
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

void FixtureServer::acceptLoop() {
    while (!m_stopping) {
        reapFinished();
        if (!waitReadable(m_listenFd, 50))
            continue;
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        uint64_t id = m_nextConnection++;
        Connection& connection = m_connections[id];
        connection.fd = fd;
        connection.thread = std::thread([this, fd, id] { serve(fd, id); });
    }
}

void FixtureServer::reapFinished() {
    std::vector<std::thread> ended;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (uint64_t id : m_finished) {
            auto it = m_connections.find(id);
            ended.push_back(std::move(it->second.thread));
            m_connections.erase(it);
        }
        m_finished.clear();
    }
    // Outside the lock: an ending thread may still be on its way out of it.
    for (std::thread& thread : ended)
        thread.join();
}

void FixtureServer::serve(int fd, uint64_t id) {
    std::string pending;
    while (!m_stopping) {
        size_t end = pending.find("\r\n\r\n");
        if (end == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            int rc = ::poll(&p, 1, 50);
            if (rc == 0)
                continue;
            char buffer[4096];
            ssize_t n = rc > 0 ? ::recv(fd, buffer, sizeof(buffer), 0) : -1;
            if (n <= 0)
                break;
            pending.append(buffer, static_cast<size_t>(n));
            continue;
        }
        std::string block = pending.substr(0, end + 2);
        pending.erase(0, end + 4);
        size_t firstBlank = block.find(' ');
        size_t secondBlank = block.find(' ', firstBlank + 1);
        std::string path = block.substr(firstBlank + 1, secondBlank - firstBlank - 1);
        std::string host = headerValue(block, "Host");
        host = host.substr(0, host.find(':'));
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(host + " " + path);
        }
        FixturePage page;
        if (!lookup(host, path, page)) {
            page.status = 404;
            page.body = "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>";
        }
        if (page.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(page.delayMs));
        std::string body = page.gzip ? gzipBytes(page.body.data(), page.body.size()) : page.body;
        std::string response = "HTTP/1.1 " + std::to_string(page.status) + " " + reasonPhrase(page.status) +
                               "\r\n" + page.headers + (page.gzip ? "Content-Encoding: gzip\r\n" : "");
        if (page.chunked)
            response += "Transfer-Encoding: chunked\r\n\r\n" + chunkedBody(body);
        else
            response += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        sendAll(fd, response.data(), response.size());
        if (strcasecmp(headerValue(block, "Connection").c_str(), "close") == 0)
            break;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    // stop() may have taken the thread over already; it then joins it itself.
    auto it = m_connections.find(id);
    if (it != m_connections.end()) {
        it->second.fd = -1;
        m_finished.push_back(id);
    }
    ::close(fd);
}

std::vector<std::string> FixtureServer::requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

int FixtureServer::countRequests(const std::string& hostAndPath) const {
    int n = 0;
    for (const std::string& r : requests())
        n += r == hostAndPath;
    return n;
}

void FixtureServer::stop() {
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& [id, connection] : m_connections) {
            if (connection.fd >= 0)
                ::shutdown(connection.fd, SHUT_RDWR);
            threads.push_back(std::move(connection.thread));
        }
        m_connections.clear();
        m_finished.clear();
    }
    for (std::thread& t : threads)
        t.join();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
    }
}

} // namespace test_support
