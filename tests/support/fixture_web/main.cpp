// fixture_web: serves a directory of fixture sites (see loadFixtureSites) on 127.0.0.1 until it
// is sent SIGTERM or SIGINT, then writes how many requests it answered to standard error. With
// --hosts it prints the hosts-file lines of the sites' names instead and exits.
//   fixture_web <sites-dir> [port]      fixture_web --hosts <sites-dir>
#include "../fixture_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--hosts") == 0) {
        test_support::FixtureServer unused;
        for (const auto& site : test_support::loadFixtureSites(argv[2], unused)) {
            for (const std::string& host : site.hosts)
                std::printf("127.0.0.1 %s\n", host.c_str());
        }
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: fixture_web <sites-dir> [port] | fixture_web --hosts <sites-dir>\n");
        return 2;
    }
    // Blocked before any thread starts, so every thread inherits the mask and sigwait takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    test_support::FixtureServer server;
    size_t sites = test_support::loadFixtureSites(argv[1], server).size();
    uint16_t port = static_cast<uint16_t>(argc >= 3 ? std::atoi(argv[2]) : 80);
    if (!server.start(port)) {
        std::fprintf(stderr, "fixture_web: cannot listen on port %u\n", port);
        return 1;
    }
    std::fprintf(stderr, "fixture_web: %zu sites on 127.0.0.1:%u\n", sites, server.port());
    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::fprintf(stderr, "fixture_web: %zu requests\n", server.requests().size());
    return 0;
}
