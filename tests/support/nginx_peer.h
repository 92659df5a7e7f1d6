// nginx as a peer for tests: started in the foreground on a loopback port with a configuration
// written into the test's folder, and stopped when the peer goes out of scope.
#pragma once

#include "file_test_support.h"
#include "loopback.h"

#include <chrono>
#include <csignal>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace test_support {

class NginxPeer {
public:
    static constexpr const char* kBinary = "/usr/sbin/nginx";

    static bool installed() { return ::access(kBinary, X_OK) == 0; }

    ~NginxPeer() { stop(); }

    // Writes `dir`/nginx.conf with `httpBlock` inside the http block (whose server blocks listen on
    // `port`), starts nginx and waits until the port accepts; false with the error log in `why`.
    bool start(const std::string& dir, uint16_t port, const std::string& httpBlock, std::string& why) {
        // The test runs as root of its own user namespace, where only that user exists.
        std::ostringstream conf;
        conf << "user root root;\ndaemon off;\nmaster_process off;\nworker_processes 1;\n"
             << "error_log " << dir << "/nginx-error.log;\npid " << dir << "/nginx.pid;\n"
             << "events { worker_connections 256; }\nhttp {\n"
             << "  client_body_temp_path " << dir << "/nb;\n  proxy_temp_path " << dir << "/np;\n"
             << "  fastcgi_temp_path " << dir << "/nf;\n  uwsgi_temp_path " << dir << "/nu;\n"
             << "  scgi_temp_path " << dir << "/ns;\n  types { text/html html; }\n"
             << httpBlock << "}\n";
        file_test::writeBytes(dir + "/nginx.conf", conf.str());
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execl(kBinary, kBinary, "-p", dir.c_str(), "-c", (dir + "/nginx.conf").c_str(), nullptr);
            ::_exit(127);
        }
        // Generous: a loaded build machine may take seconds to start it.
        for (int i = 0; i < 200 && m_pid > 0; ++i) {
            int fd = connectToLoopback(port);
            if (fd >= 0) {
                ::close(fd);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        why = "nginx did not open port " + std::to_string(port) + ": " +
              file_test::readBytes(dir + "/nginx-error.log");
        return false;
    }

    void stop() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
};

} // namespace test_support
