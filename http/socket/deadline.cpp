#include "http/socket/deadline.h"

#include "base/platform.h"

Deadline Deadline::fromNow(uint32_t ms) {
    Deadline d;
    d.m_set = true;
    d.m_tick = Platform::GetTickCount() + ms;
    return d;
}

uint32_t Deadline::msLeft() const {
    if (!m_set)
        return UINT32_MAX;
    // The tick wraps at 32 bits; the signed difference stays right across the wrap.
    int32_t left = static_cast<int32_t>(m_tick - Platform::GetTickCount());
    return left <= 0 ? 0 : static_cast<uint32_t>(left);
}

uint32_t Deadline::cap(uint32_t ms) const {
    uint32_t left = msLeft();
    return left < ms ? left : ms;
}
