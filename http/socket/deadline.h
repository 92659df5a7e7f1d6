// Deadline: a moment on the monotonic millisecond clock after which a wait must give up. The
// domain job gives every domain one (its time budget); the engine cuts each response, connect
// and name look-up by what is left of it. A deadline that was never set never expires.
#pragma once

#include <cstdint>

class Deadline {
public:
    Deadline() = default;
    // A deadline `ms` milliseconds from now.
    static Deadline fromNow(uint32_t ms);

    bool isSet() const { return m_set; }
    void clear() { m_set = false; }
    // Milliseconds left; 0 once passed, UINT32_MAX when not set.
    uint32_t msLeft() const;
    bool expired() const { return m_set && msLeft() == 0; }
    // The smaller of `ms` and the time left.
    uint32_t cap(uint32_t ms) const;

private:
    bool m_set = false;
    uint32_t m_tick = 0;
};
