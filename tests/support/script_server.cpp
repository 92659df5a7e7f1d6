#include "script_server.h"

#include "loopback.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace test_support {

ScriptStep send(const std::string& bytes) {
    return {ScriptStep::Kind::Send, bytes, 0};
}
ScriptStep expect(const std::string& ending) {
    return {ScriptStep::Kind::Expect, ending, 0};
}
ScriptStep readBytes(int n) {
    return {ScriptStep::Kind::Read, "", n};
}
ScriptStep delay(int ms) {
    return {ScriptStep::Kind::Delay, "", ms};
}
ScriptStep drip(int ms, const std::string& bytes) {
    return {ScriptStep::Kind::Drip, bytes, ms};
}
ScriptStep closeConnection() {
    return {ScriptStep::Kind::Close, "", 0};
}
ScriptStep resetConnection() {
    return {ScriptStep::Kind::Reset, "", 0};
}

bool parseScript(std::istream& in, const std::string& dir, Script& out, std::string& error) {
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        size_t space = line.find(' ');
        std::string word = line.substr(0, space);
        std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (word == "send") {
            out.push_back(send(unescape(rest)));
        } else if (word == "sendfile") {
            std::ifstream file(dir + rest, std::ios::binary);
            if (!file) {
                error = "line " + std::to_string(number) + ": cannot open " + rest;
                return false;
            }
            std::stringstream bytes;
            bytes << file.rdbuf();
            out.push_back(send(bytes.str()));
        } else if (word == "sendrepeat" || word == "drip") {
            size_t gap = rest.find(' ');
            int n = std::atoi(rest.substr(0, gap).c_str());
            std::string text = gap == std::string::npos ? "" : unescape(rest.substr(gap + 1));
            if (word == "drip") {
                out.push_back(drip(n, text));
            } else {
                std::string repeated;
                for (int i = 0; i < n; ++i)
                    repeated += text;
                out.push_back(send(repeated));
            }
        } else if (word == "expect") {
            out.push_back(expect(unescape(rest)));
        } else if (word == "read") {
            out.push_back(readBytes(std::atoi(rest.c_str())));
        } else if (word == "delay") {
            out.push_back(delay(std::atoi(rest.c_str())));
        } else if (word == "close") {
            out.push_back(closeConnection());
        } else if (word == "reset") {
            out.push_back(resetConnection());
        } else {
            error = "line " + std::to_string(number) + ": unknown step " + word;
            return false;
        }
    }
    return true;
}

ScriptServer::ScriptServer() = default;

ScriptServer::~ScriptServer() {
    stop();
}

void ScriptServer::addScript(Script script) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_scripts.push_back(std::move(script));
}

namespace {

void sendAll(int fd, SSL* ssl, const char* p, size_t n) {
    if (ssl == nullptr)
        return test_support::sendAll(fd, p, n);
    writeAll(p, n, [ssl](const char* q, size_t k) { return SSL_write(ssl, q, static_cast<int>(k)); });
}

} // namespace

bool ScriptServer::start(uint16_t port, int backlog) {
    // A client that leaves early must not end the test process through a write to its socket.
    std::signal(SIGPIPE, SIG_IGN);
    m_listenFd = listenOnLoopback(false, port, backlog, m_port);
    if (m_listenFd < 0)
        return false;
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

bool ScriptServer::startTls(const std::string& certificatePem, const std::string& keyPem, uint16_t port) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    BIO* certBio = BIO_new_mem_buf(certificatePem.data(), static_cast<int>(certificatePem.size()));
    BIO* keyBio = BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size()));
    X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    bool ok = cert != nullptr && key != nullptr && SSL_CTX_use_certificate(ctx, cert) == 1 &&
              SSL_CTX_use_PrivateKey(ctx, key) == 1;
    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(certBio);
    BIO_free(keyBio);
    if (!ok) {
        SSL_CTX_free(ctx);
        return false;
    }
    m_tls = ctx;
    return start(port);
}

bool ScriptServer::startUnanswered(uint16_t port) {
    m_listenFd = listenOnLoopback(false, port, 0, m_port);
    if (m_listenFd < 0)
        return false;
    for (int i = 0; i < 4; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(m_port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        m_queueFillers.push_back(fd);
    }
    // The kernel completes the queued handshakes asynchronously.
    ::usleep(100 * 1000);
    return true;
}

void ScriptServer::acceptLoop() {
    while (!m_stopping) {
        if (!waitReadable(m_listenFd, 50))
            continue;
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        int index = m_accepted.fetch_add(1);
        m_received.push_back(std::make_shared<std::string>());
        m_openFds.push_back(fd);
        m_connections.emplace_back([this, fd, index] { play(fd, index); });
    }
}

const Script& ScriptServer::scriptFor(int index) const {
    static const Script empty;
    if (m_scripts.empty())
        return empty;
    return m_scripts[static_cast<size_t>(index) < m_scripts.size() ? static_cast<size_t>(index)
                                                                   : m_scripts.size() - 1];
}

void ScriptServer::play(int fd, int index) {
    Script script;
    std::shared_ptr<std::string> received;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        script = scriptFor(index);
        received = m_received[static_cast<size_t>(index)];
    }
    SSL* ssl = nullptr;
    if (m_tls != nullptr) {
        ssl = SSL_new(static_cast<SSL_CTX*>(m_tls));
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) != 1) {
            ERR_clear_error();
            SSL_free(ssl);
            ssl = nullptr;
            script.clear();
        }
    }
    auto receiveSome = [&]() {
        if ((ssl == nullptr || SSL_pending(ssl) == 0) && !waitReadable(fd, 50))
            return true; // nothing yet; the caller looks at m_stopping
        char buffer[4096];
        ssize_t n =
            ssl != nullptr ? SSL_read(ssl, buffer, sizeof(buffer)) : ::recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        received->append(buffer, static_cast<size_t>(n));
        return true;
    };
    auto receivedSize = [&]() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return received->size();
    };
    auto endsWith = [&](const std::string& ending) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return received->size() >= ending.size() &&
               received->compare(received->size() - ending.size(), ending.size(), ending) == 0;
    };
    bool closed = false;
    size_t consumed = 0;
    auto receiveUntil = [&](auto done) {
        while (!m_stopping && !done()) {
            if (!receiveSome()) {
                closed = true;
                break;
            }
        }
        consumed = receivedSize();
    };
    for (const ScriptStep& step : script) {
        if (m_stopping || closed)
            break;
        switch (step.kind) {
        case ScriptStep::Kind::Send:
            sendAll(fd, ssl, step.data.data(), step.data.size());
            break;
        case ScriptStep::Kind::Drip:
            for (char c : step.data) {
                if (m_stopping)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(step.amount));
                sendAll(fd, ssl, &c, 1);
            }
            break;
        case ScriptStep::Kind::Expect:
            // Reads until what arrived since the last expectation ends with the text.
            receiveUntil([&] { return receivedSize() > consumed && endsWith(step.data); });
            break;
        case ScriptStep::Kind::Read:
            receiveUntil([&] { return receivedSize() >= consumed + static_cast<size_t>(step.amount); });
            break;
        case ScriptStep::Kind::Delay:
            for (int waited = 0; waited < step.amount && !m_stopping; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            break;
        case ScriptStep::Kind::Close:
            if (ssl != nullptr)
                SSL_shutdown(ssl);
            closed = true;
            break;
        case ScriptStep::Kind::Reset: {
            linger hard{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
            closed = true;
            break;
        }
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int& open : m_openFds) {
            if (open == fd)
                open = -1;
        }
    }
    if (ssl != nullptr) {
        ERR_clear_error();
        SSL_free(ssl);
    }
    ::close(fd);
    m_finished.fetch_add(1);
}

std::string ScriptServer::received(int i) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (i < 0 || static_cast<size_t>(i) >= m_received.size())
        return std::string();
    return *m_received[static_cast<size_t>(i)];
}

bool ScriptServer::waitForFinished(int n, int ms) const {
    for (int waited = 0; waited < ms; waited += 10) {
        if (m_finished.load() >= n)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return m_finished.load() >= n;
}

void ScriptServer::stop() {
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int fd : m_openFds) {
            if (fd >= 0)
                ::shutdown(fd, SHUT_RDWR);
        }
        connections.swap(m_connections);
    }
    for (std::thread& t : connections)
        t.join();
    for (int fd : m_queueFillers)
        ::close(fd);
    m_queueFillers.clear();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
    }
    if (m_tls != nullptr) {
        SSL_CTX_free(static_cast<SSL_CTX*>(m_tls));
        m_tls = nullptr;
    }
}

} // namespace test_support
