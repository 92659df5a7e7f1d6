// DataBuffer: the growable byte buffer for binary data (HTTP bodies, decoded tables, converted
// text). The buffer owns its block (allocated with new[]) unless the block was borrowed, in which
// case it belongs to someone else and is never freed here. The bytes are not NUL-terminated
// unless a caller appends a terminator. Growth at least doubles the block, with a reserve of at
// least 20000 bytes. Sizes are 32 bits: an operation that would take the size past that fails
// and changes nothing.
// A liveness marker guards against use after destruction: an operation on an object whose
// marker is wrong stops the process.
#pragma once

#include "base/zelcora_object.h"

#include <cstdint>

class LogBase;
class StringBuffer;

class DataBuffer : public ZelcoraObject {
public:
    // Empty, nothing allocated.
    DataBuffer();
    // A zero-filled block of `capacity` bytes, size 0; nothing allocated when capacity < 1.
    explicit DataBuffer(int capacity);
    ~DataBuffer() override;
    DataBuffer(const DataBuffer&) = delete;
    DataBuffer& operator=(const DataBuffer&) = delete;

    // Appending. A null `p` or n = 0 appends nothing and succeeds; false when the size would
    // pass 32 bits or the block cannot be allocated.
    bool append(const void* p, uint32_t n);
    bool appendByte(unsigned char b);
    bool appendDb(const DataBuffer& d);
    bool appendStr(const StringBuffer& s);
    // Appends the UTF-16 units of `s` and its terminating zero unit, little-endian; a null `s`
    // appends the two zero bytes alone.
    bool appendWide(const char16_t* s);

    // Accessors. The block may be null while the buffer is empty.
    unsigned char* getData();
    const unsigned char* getData() const;
    uint32_t getSize() const;
    uint32_t getCapacity() const;
    bool isBorrowed() const;
    // Pointer to byte i, null when i is outside 0..size-1.
    unsigned char* dataAt(int i);
    const unsigned char* dataAt(int i) const;

    // Size changes; the block is kept.
    void clear();
    // Drops up to n bytes at the end.
    void shorten(uint32_t n);
    // size = min(n, capacity).
    void setSize(uint32_t n);
    // Drops the first n bytes (all of them when n >= size).
    void removeFromStart(uint32_t n);
    // Reallocates to exactly n bytes when the capacity is smaller, keeping the content; false
    // when the block cannot be allocated.
    bool ensureCapacity(uint32_t n);

    // Makes room for `extra` more bytes by at least doubling the block, without the reserve of
    // append, for callers that bound what they receive: the block never grows past `limit` bytes
    // (0: no limit beyond 32 bits).
    bool reserveForGrowth(uint32_t extra, uint32_t limit = 0);

    // Block hand-over. takeBlock frees the own block and adopts `p`, which must come from
    // new unsigned char[] (size = capacity = n). borrowBlock does the same but never frees `p`;
    // its owner keeps it alive while this buffer uses it.
    void takeBlock(void* p, uint32_t n);
    void borrowBlock(void* p, uint32_t n);
    // Frees the own block and takes other's block, size, capacity and borrowed flag; `other` is
    // left empty.
    void takeFrom(DataBuffer& other);

    // True when no byte is 0x80 or above.
    bool is7bit() const;

    // Clears `out` and appends the buffer's UTF-16LE content converted to UTF-8. A terminating
    // zero unit, when present, is not part of the text. Defined in the charset library.
    bool utf16ToUtf8(StringBuffer& out) const;

    // Replaces the content with the bytes of the file at `path`; on failure the content is
    // unchanged and the reason is in `log`.
    bool loadFile(const char* path, LogBase* log = nullptr);

private:
    // Stops the process unless `self` carries the live marker. Static, so that the check is no
    // member call on a possibly dead object.
    static void checkAlive(const DataBuffer* self);
    // Moves the content into a new owned block of `newCapacity` bytes (not below the size).
    bool reallocate(uint32_t newCapacity);
    void releaseBlock();
    void adopt(void* p, uint32_t n, bool borrowed);

    uint8_t m_marker;
    bool m_borrowed;
    unsigned char* m_data;
    uint32_t m_size;
    uint32_t m_capacity;
};
