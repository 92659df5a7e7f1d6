#include "base/platform.h"

#include "base/string_buffer.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <malloc.h>
#include <sys/resource.h>
#include <thread>

namespace Platform {

uint32_t GetTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void Sleep(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

bool SetIdlePriority() { return setpriority(PRIO_PROCESS, 0, 19) == 0; }

// The allocator's default of eight arenas per processor lets a hundred workers spread their
// short-lived page copies over 16 arenas of several megabytes each, most of them idle at any
// moment: two thirds of the crawler's resident memory. Only as many threads allocate at once as
// run at once, so one arena per processor costs little waiting.
bool CapMallocArenas() {
    unsigned processors = std::thread::hardware_concurrency();
    return mallopt(M_ARENA_MAX, processors > 0 ? static_cast<int>(processors) : 1) == 1;
}

int LastErrorCode() { return errno; }

void AppendErrorText(int code, StringBuffer& out) {
    char text[256];
    text[0] = 0;
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* message = strerror_r(code, text, sizeof(text));
    out.append(message);
}

} // namespace Platform
