#include "base/data_buffer.h"

#include "base/file_sys.h"
#include "base/string_buffer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr uint8_t kAliveMarker = 0xDB;
// The least reserve added whenever the block has to grow, so small buffers start with one block.
constexpr uint32_t kGrowthReserve = 20000;
constexpr uint64_t kMaxSize = UINT32_MAX;

// At least double the block, so a content appended in many small pieces is copied a logarithmic
// number of times rather than once per reserve; never past `ceiling`.
uint64_t doubledCapacity(uint32_t capacity, uint64_t needed, uint64_t ceiling) {
    return std::min(std::max(needed, static_cast<uint64_t>(capacity) * 2), ceiling);
}

// The capacity to grow to when `needed` more bytes must fit behind `size`; never past 32 bits.
uint32_t grownCapacity(uint32_t size, uint32_t capacity, uint32_t needed) {
    uint64_t wanted = static_cast<uint64_t>(size) + std::max(needed, kGrowthReserve);
    return static_cast<uint32_t>(doubledCapacity(capacity, wanted, kMaxSize));
}

} // namespace

DataBuffer::DataBuffer()
    : m_marker(kAliveMarker), m_borrowed(false), m_data(nullptr), m_size(0), m_capacity(0) {}

DataBuffer::DataBuffer(int capacity) : DataBuffer() {
    if (capacity < 1) {
        return;
    }
    m_data = new (std::nothrow) unsigned char[static_cast<uint32_t>(capacity)]();
    if (m_data != nullptr) {
        m_capacity = static_cast<uint32_t>(capacity);
    }
}

DataBuffer::~DataBuffer() {
    checkAlive(this);
    releaseBlock();
    // Written through a volatile lvalue so the store survives dead-store elimination at the end
    // of the object's lifetime; a later use of the object must see the cleared marker.
    *static_cast<volatile uint8_t*>(&m_marker) = 0;
}

// The marker is read without the undefined-behaviour sanitizer's dynamic type check, which
// would otherwise report the dead object before this check can name what went wrong.
__attribute__((no_sanitize("vptr"))) void DataBuffer::checkAlive(const DataBuffer* self) {
    if (self->m_marker != kAliveMarker) {
        std::fprintf(stderr, "DataBuffer: operation on a destroyed or corrupt buffer (marker 0x%02x)\n",
                     static_cast<unsigned>(self->m_marker));
        std::abort();
    }
}

void DataBuffer::releaseBlock() {
    if (!m_borrowed) {
        delete[] m_data;
    }
    m_data = nullptr;
    m_borrowed = false;
    m_size = 0;
    m_capacity = 0;
}

void DataBuffer::adopt(void* p, uint32_t n, bool borrowed) {
    if (p == m_data) {
        // The block is already ours: freeing it first would leave a dangling pointer.
        m_data = nullptr;
    }
    releaseBlock();
    if (p == nullptr) {
        return;
    }
    m_data = static_cast<unsigned char*>(p);
    m_borrowed = borrowed;
    m_size = n;
    m_capacity = n;
}

bool DataBuffer::reallocate(uint32_t newCapacity) {
    newCapacity = std::max(newCapacity, m_size);
    unsigned char* block = new (std::nothrow) unsigned char[newCapacity];
    if (block == nullptr) {
        return false;
    }
    if (m_size > 0) {
        std::memcpy(block, m_data, m_size);
    }
    if (!m_borrowed) {
        delete[] m_data;
    }
    m_data = block;
    m_borrowed = false;
    m_capacity = newCapacity;
    return true;
}

bool DataBuffer::append(const void* p, uint32_t n) {
    checkAlive(this);
    if (p == nullptr || n == 0) {
        return true;
    }
    if (n > kMaxSize - m_size) {
        return false;
    }
    if (m_size + n > m_capacity) {
        // `p` may point into the current block, so the old block is copied before it is freed.
        // When the doubled block cannot be had, the exact size is tried before giving up.
        uint32_t newCapacity = grownCapacity(m_size, m_capacity, n);
        unsigned char* block = new (std::nothrow) unsigned char[newCapacity];
        if (block == nullptr) {
            newCapacity = m_size + n;
            block = new (std::nothrow) unsigned char[newCapacity];
        }
        if (block == nullptr) {
            return false;
        }
        if (m_size > 0) {
            std::memcpy(block, m_data, m_size);
        }
        std::memcpy(block + m_size, p, n);
        if (!m_borrowed) {
            delete[] m_data;
        }
        m_data = block;
        m_borrowed = false;
        m_capacity = newCapacity;
    } else {
        std::memmove(m_data + m_size, p, n);
    }
    m_size += n;
    return true;
}

bool DataBuffer::appendByte(unsigned char b) {
    checkAlive(this);
    if (m_size == kMaxSize) {
        return false;
    }
    if (m_size + 1 > m_capacity && !reallocate(grownCapacity(m_size, m_capacity, 1)) &&
        !reallocate(m_size + 1)) {
        return false;
    }
    m_data[m_size++] = b;
    return true;
}

bool DataBuffer::appendDb(const DataBuffer& d) {
    checkAlive(this);
    checkAlive(&d);
    return append(d.m_data, d.m_size);
}

bool DataBuffer::appendStr(const StringBuffer& s) {
    checkAlive(this);
    return append(s.getString(), static_cast<uint32_t>(s.getSize()));
}

bool DataBuffer::appendWide(const char16_t* s) {
    checkAlive(this);
    // Written in pieces so that the usual growth rule applies.
    unsigned char piece[512];
    uint32_t used = 0;
    uint32_t start = m_size;
    for (const char16_t* p = s; p != nullptr && *p != 0; ++p) {
        piece[used++] = static_cast<unsigned char>(*p & 0xFF);
        piece[used++] = static_cast<unsigned char>(*p >> 8);
        if (used == sizeof(piece)) {
            if (!append(piece, used)) {
                m_size = start;
                return false;
            }
            used = 0;
        }
    }
    piece[used++] = 0;
    piece[used++] = 0;
    if (!append(piece, used)) {
        m_size = start;
        return false;
    }
    return true;
}

unsigned char* DataBuffer::getData() {
    checkAlive(this);
    return m_data;
}

const unsigned char* DataBuffer::getData() const {
    checkAlive(this);
    return m_data;
}

uint32_t DataBuffer::getSize() const {
    checkAlive(this);
    return m_size;
}

uint32_t DataBuffer::getCapacity() const {
    checkAlive(this);
    return m_capacity;
}

bool DataBuffer::isBorrowed() const {
    checkAlive(this);
    return m_borrowed;
}

unsigned char* DataBuffer::dataAt(int i) {
    checkAlive(this);
    if (i < 0 || static_cast<uint32_t>(i) >= m_size) {
        return nullptr;
    }
    return m_data + i;
}

const unsigned char* DataBuffer::dataAt(int i) const {
    checkAlive(this);
    if (i < 0 || static_cast<uint32_t>(i) >= m_size) {
        return nullptr;
    }
    return m_data + i;
}

void DataBuffer::clear() {
    checkAlive(this);
    m_size = 0;
}

void DataBuffer::shorten(uint32_t n) {
    checkAlive(this);
    m_size -= std::min(n, m_size);
}

void DataBuffer::setSize(uint32_t n) {
    checkAlive(this);
    m_size = std::min(n, m_capacity);
}

void DataBuffer::removeFromStart(uint32_t n) {
    checkAlive(this);
    if (n >= m_size) {
        m_size = 0;
        return;
    }
    if (n == 0) {
        return;
    }
    std::memmove(m_data, m_data + n, m_size - n);
    m_size -= n;
}

bool DataBuffer::ensureCapacity(uint32_t n) {
    checkAlive(this);
    if (m_capacity >= n) {
        return true;
    }
    return reallocate(n);
}

bool DataBuffer::reserveForGrowth(uint32_t extra, uint32_t limit) {
    checkAlive(this);
    uint64_t needed = static_cast<uint64_t>(m_size) + extra;
    if (needed <= m_capacity)
        return true;
    uint64_t ceiling = limit == 0 ? kMaxSize : std::max<uint64_t>(limit, needed);
    if (needed > kMaxSize)
        return false;
    return ensureCapacity(static_cast<uint32_t>(doubledCapacity(m_capacity, needed, ceiling)));
}

void DataBuffer::takeBlock(void* p, uint32_t n) {
    checkAlive(this);
    adopt(p, n, false);
}

void DataBuffer::borrowBlock(void* p, uint32_t n) {
    checkAlive(this);
    adopt(p, n, true);
}

void DataBuffer::takeFrom(DataBuffer& other) {
    checkAlive(this);
    checkAlive(&other);
    if (&other == this) {
        return;
    }
    releaseBlock();
    m_data = other.m_data;
    m_borrowed = other.m_borrowed;
    m_size = other.m_size;
    m_capacity = other.m_capacity;
    other.m_data = nullptr;
    other.m_borrowed = false;
    other.m_size = 0;
    other.m_capacity = 0;
}

bool DataBuffer::is7bit() const {
    checkAlive(this);
    for (uint32_t i = 0; i < m_size; ++i) {
        if (m_data[i] >= 0x80) {
            return false;
        }
    }
    return true;
}

bool DataBuffer::loadFile(const char* path, LogBase* log) {
    checkAlive(this);
    FileAccess file;
    if (!file.Open(path, log)) {
        return false;
    }
    bool ok = false;
    uint32_t size = FileSys::FileSize(path, log, ok);
    if (!ok) {
        return false;
    }
    DataBuffer content;
    if (!file.ReadAt(0, size, content)) {
        return false;
    }
    takeFrom(content);
    return true;
}
