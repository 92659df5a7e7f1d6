// The fixture server joins the thread of every connection that has ended, so a benchmark or a
// long test can open as many connections as it likes (unjoined threads keep their stacks mapped
// until the process runs out of address space).
#include "fixture_server.h"
#include "loopback.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

long virtualSizeKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmSize:", 0) == 0)
            return std::stol(line.substr(7));
    }
    return -1;
}

void connectAndClose(uint16_t port) {
    int fd = test_support::connectToLoopback(port);
    ASSERT_GE(fd, 0);
    ::close(fd);
}

TEST(FixtureServerThreads, EndedConnectionsGiveTheirThreadsBack) {
    test_support::FixtureServer server;
    ASSERT_TRUE(server.start());
    long before = virtualSizeKb();
    // Each unjoined thread would keep a stack of 8 MiB: 600 of them, 4.7 GiB. The slack allows for
    // what joined threads leave behind on a loaded machine: malloc's per-thread arenas (64 MiB of
    // address space each, up to 8 per core) and glibc's cache of stacks.
    for (int i = 0; i < 600; ++i)
        connectAndClose(server.port());
    constexpr long kSlackKb = 1536 * 1024;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (virtualSizeKb() - before > kSlackKb && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_LT(virtualSizeKb() - before, kSlackKb);
}

} // namespace
