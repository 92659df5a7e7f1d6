// The few operating-system services the library needs besides files: the millisecond tick,
// sleeping, the process priority and the text of an error code. Everything else in the
// library goes through these instead of calling the system directly.
#pragma once

#include <cstdint>

class StringBuffer;

namespace Platform {
// Milliseconds of a monotonic clock, wrapping at 32 bits like the tick count it replaces.
uint32_t GetTickCount();
void Sleep(uint32_t milliseconds);
// Lowest scheduling priority for this process; threads started afterwards inherit it.
bool SetIdlePriority();
// Caps the allocator's per-thread arenas at one per processor; called once at process start,
// before any thread. False when the allocator refuses.
bool CapMallocArenas();
// The calling thread's last error code.
int LastErrorCode();
// Appends the system's message text for an error code.
void AppendErrorText(int code, StringBuffer& out);
} // namespace Platform
