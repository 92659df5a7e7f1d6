#include "base/ext_ptr_array.h"

#include <cstring>

namespace {
constexpr int kDefaultGrowBy = 5;
constexpr int kMaxGrowBy = 100000;
} // namespace

ExtPtrArray::ExtPtrArray() : m_growBy(kDefaultGrowBy), m_capacity(0), m_count(0), m_items(nullptr) {}

ExtPtrArray::ExtPtrArray(int capacity, int growBy)
    : m_growBy(growBy < 1 ? kDefaultGrowBy : (growBy > kMaxGrowBy ? kMaxGrowBy : growBy)),
      m_capacity(capacity < 1 ? kDefaultGrowBy : capacity), m_count(0), m_items(new void*[m_capacity]()) {}

ExtPtrArray::~ExtPtrArray() {
    delete[] m_items;
}

void ExtPtrArray::grow() {
    int newCapacity = m_capacity + m_growBy;
    if (newCapacity < m_count + 1)
        newCapacity = m_count + 1;
    void** items = new void*[newCapacity]();
    if (m_count > 0)
        std::memcpy(items, m_items, sizeof(void*) * m_count);
    delete[] m_items;
    m_items = items;
    m_capacity = newCapacity;
    if (m_growBy < kMaxGrowBy)
        m_growBy = newCapacity < kMaxGrowBy ? newCapacity : kMaxGrowBy;
}

void ExtPtrArray::appendPtr(void* obj) {
    if (m_count + 1 > m_capacity)
        grow();
    m_items[m_count++] = obj;
}

void* ExtPtrArray::elementAt(int i) const {
    if (i < 0 || i >= m_count)
        return nullptr;
    return m_items[i];
}

void* ExtPtrArray::lastElement() const {
    return m_count > 0 ? m_items[m_count - 1] : nullptr;
}

void* ExtPtrArray::removeAt(int i) {
    if (i < 0 || i >= m_count)
        return nullptr;
    void* obj = m_items[i];
    std::memmove(m_items + i, m_items + i + 1, sizeof(void*) * (m_count - i - 1));
    m_items[--m_count] = nullptr;
    return obj;
}

void* ExtPtrArray::pop() {
    if (m_count == 0)
        return nullptr;
    void* obj = m_items[--m_count];
    m_items[m_count] = nullptr;
    return obj;
}

void ExtPtrArray::removeAllObjects() {
    for (int i = 0; i < m_count; ++i) {
        delete static_cast<ZelcoraObject*>(m_items[i]);
        m_items[i] = nullptr;
    }
    m_count = 0;
}

void ExtPtrArray::removeAllRaw() {
    for (int i = 0; i < m_count; ++i) {
        delete[] static_cast<char*>(m_items[i]);
        m_items[i] = nullptr;
    }
    m_count = 0;
}
