// ConvBuffer: a malloc'ed block that doubles, capped at kMaxBytes.
#include "charset/conv_buffer.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr std::size_t kMinCapacity = 256;
}

ConvBuffer::~ConvBuffer() {
    std::free(m_data);
}

bool ConvBuffer::reserve(std::size_t n) {
    if (m_overflowed || n > kMaxBytes - m_size) {
        m_overflowed = true;
        return false;
    }
    std::size_t needed = m_size + n;
    if (needed <= m_capacity)
        return true;
    std::size_t capacity = m_capacity < kMinCapacity ? kMinCapacity : m_capacity;
    while (capacity < needed)
        capacity *= 2;
    if (capacity > kMaxBytes)
        capacity = kMaxBytes;
    void* block = std::realloc(m_data, capacity);
    if (block == nullptr) {
        m_overflowed = true;
        return false;
    }
    m_data = static_cast<uint8_t*>(block);
    m_capacity = capacity;
    return true;
}

bool ConvBuffer::append(const void* p, std::size_t n) {
    if (n == 0)
        return true;
    if (!reserve(n))
        return false;
    std::memcpy(m_data + m_size, p, n);
    m_size += n;
    return true;
}

bool ConvBuffer::appendByte(uint8_t b) {
    if (!reserve(1))
        return false;
    m_data[m_size++] = b;
    return true;
}

bool ConvBuffer::appendUnit(uint16_t unit) {
    if (!reserve(2))
        return false;
    m_data[m_size++] = static_cast<uint8_t>(unit & 0xFF);
    m_data[m_size++] = static_cast<uint8_t>(unit >> 8);
    return true;
}
