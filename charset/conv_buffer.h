// ConvBuffer: the growable byte buffer the conversion steps write into. It doubles as it grows,
// so a step can reserve room for its worst case once and then write through a raw pointer, and
// it never grows past kMaxBytes: a reservation beyond that fails and marks the buffer as
// overflowed, after which every further reservation fails too. Owned by the conversion that
// created it; not shared between threads.
#pragma once

#include <cstddef>
#include <cstdint>

class ConvBuffer {
public:
    // The largest conversion result, well inside the 32-bit sizes of DataBuffer.
    static constexpr std::size_t kMaxBytes = std::size_t{1} << 30;

    ConvBuffer() = default;
    ~ConvBuffer();
    ConvBuffer(const ConvBuffer&) = delete;
    ConvBuffer& operator=(const ConvBuffer&) = delete;

    // Makes room for `n` more bytes; false (and overflowed) when the size would pass kMaxBytes.
    bool reserve(std::size_t n);
    // Where the next byte goes; valid up to the reserved room.
    uint8_t* end() { return m_data + m_size; }
    // Takes the bytes written through end() up to `newEnd` into the content.
    void commit(uint8_t* newEnd) { m_size = static_cast<std::size_t>(newEnd - m_data); }

    bool append(const void* p, std::size_t n);
    bool appendByte(uint8_t b);
    bool appendUnit(uint16_t unit); // one UTF-16 unit, little-endian

    const uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    bool overflowed() const { return m_overflowed; }
    void clear() { m_size = 0; }
    // Drops everything after the first n bytes.
    void shrinkTo(std::size_t n) {
        if (n < m_size)
            m_size = n;
    }

private:
    uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    bool m_overflowed = false;
};
