// ScriptServer: an in-process TCP server on 127.0.0.1 for tests of the socket and HTTP layers.
// Each accepted connection plays one script: send bytes, pause, wait for what the client sends,
// close or reset. Scripts are taken in the order they were added, one per connection; a
// connection beyond the last script plays the last one again. Everything a connection received
// is kept, so a test can check the exact bytes a client sent.
//
// A script can also be read from a text file, one step per line:
//   send <text>      the text with \r, \n, \t, \\ and \xHH escapes
//   sendfile <path>  the bytes of a file (relative to the script's directory)
//   sendrepeat <n> <text>  the text n times
//   expect <text>    reads until the received bytes end with the text (escapes as for send)
//   read <n>         reads n bytes
//   delay <ms>       pauses
//   drip <ms> <text> sends the text one byte at a time with a pause before each
//   close            closes the connection
//   reset            closes it with a reset
// Lines starting with '#' and empty lines are ignored.
#pragma once

#include "escaped_text.h"

#include <atomic>
#include <cstdint>
#include <istream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

struct ScriptStep {
    enum class Kind { Send, Expect, Read, Delay, Drip, Close, Reset };
    Kind kind;
    std::string data;
    int amount = 0;
};

using Script = std::vector<ScriptStep>;

// Builders for scripts written in code.
ScriptStep send(const std::string& bytes);
ScriptStep expect(const std::string& ending);
ScriptStep readBytes(int n);
ScriptStep delay(int ms);
ScriptStep drip(int ms, const std::string& bytes);
ScriptStep closeConnection();
ScriptStep resetConnection();

// Reads a script's text; false (with the reason in `error`) when a line is not understood. `dir`
// (ending in '/') is where sendfile looks.
bool parseScript(std::istream& in, const std::string& dir, Script& out, std::string& error);

class ScriptServer {
public:
    ScriptServer();
    ~ScriptServer();
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

    void addScript(Script script);
    // Listens on 127.0.0.1 at `port` (0: any free port). `backlog` is passed to listen().
    bool start(uint16_t port = 0, int backlog = 16);
    // The same, with every connection a TLS session served with the given certificate.
    bool startTls(const std::string& certificatePem, const std::string& keyPem, uint16_t port = 0);
    // Listens at `port` (0: any free port) but never accepts, its accept queue filled by
    // connections of its own: further connects go unanswered until they time out.
    bool startUnanswered(uint16_t port = 0);
    void stop();
    uint16_t port() const { return m_port; }

    int connectionCount() const { return m_accepted.load(); }
    // What connection i received so far.
    std::string received(int i) const;
    // Waits until `n` connections have finished their scripts (or `ms` passed).
    bool waitForFinished(int n, int ms) const;

private:
    void acceptLoop();
    void play(int fd, int index);
    const Script& scriptFor(int index) const;

    std::vector<Script> m_scripts;
    void* m_tls = nullptr; // the server's SSL_CTX when connections are secure
    int m_listenFd = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_accepted{0};
    std::atomic<int> m_finished{0};
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_connections;
    std::vector<std::shared_ptr<std::string>> m_received;
    std::vector<int> m_openFds;
    std::vector<int> m_queueFillers;
};

} // namespace test_support
