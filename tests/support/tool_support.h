// Running outside programs from tests: their standard output, and the rule for a tool that is
// missing (a skip on a developer's machine, a failure on CI where it is installed).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace test_support {

// The standard output of a shell command; `ok` tells whether it exited with status 0.
inline std::string commandOutput(const std::string& command, bool* ok = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (ok != nullptr)
            *ok = false;
        return out;
    }
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    if (ok != nullptr)
        *ok = status == 0;
    return out;
}

inline bool onCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

} // namespace test_support

// Ends the test when `present` is false: skipped, or failed on CI.
#define REQUIRE_TOOL(present, what)                                                                          \
    if (!(present)) {                                                                                        \
        if (test_support::onCi())                                                                            \
            FAIL() << what << " is not installed";                                                           \
        GTEST_SKIP() << what << " is not installed";                                                         \
    }
