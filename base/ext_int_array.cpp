#include "base/ext_int_array.h"

#include <cstring>

namespace {
constexpr int kDefaultCapacity = 80;
constexpr int kDefaultGrowBy = 200;
constexpr int kMaxGrowBy = 500000;
} // namespace

ExtIntArray::ExtIntArray()
    : m_growBy(kDefaultGrowBy), m_capacity(kDefaultCapacity), m_count(0), m_items(new int32_t[m_capacity]) {}

ExtIntArray::ExtIntArray(int capacity, int growBy)
    : m_growBy(growBy < 1 ? 1 : growBy), m_capacity(capacity < 1 ? 2 : capacity), m_count(0),
      m_items(new int32_t[m_capacity]) {}

ExtIntArray::~ExtIntArray() {
    delete[] m_items;
}

// The new slots are left unset: every slot below count has been written by append.
void ExtIntArray::grow() {
    int newCapacity = m_capacity + m_growBy;
    int32_t* items = new int32_t[newCapacity];
    if (m_count > 0)
        std::memcpy(items, m_items, sizeof(int32_t) * m_count);
    delete[] m_items;
    m_items = items;
    m_capacity = newCapacity;
    if (m_growBy < kMaxGrowBy)
        m_growBy = newCapacity < kMaxGrowBy ? newCapacity : kMaxGrowBy;
}

void ExtIntArray::append(int32_t v) {
    if (m_count + 1 > m_capacity)
        grow();
    m_items[m_count++] = v;
}

int32_t ExtIntArray::elementAt(int i) const {
    if (i < 0 || i >= m_count)
        return 0;
    return m_items[i];
}

int32_t ExtIntArray::lastElement() const {
    return m_count > 0 ? m_items[m_count - 1] : 0;
}

int32_t ExtIntArray::pop() {
    if (m_count == 0)
        return 0;
    return m_items[--m_count];
}

int32_t ExtIntArray::removeAt(int i) {
    if (i < 0 || i >= m_count)
        return 0;
    int32_t v = m_items[i];
    std::memmove(m_items + i, m_items + i + 1, sizeof(int32_t) * (m_count - i - 1));
    --m_count;
    return v;
}

void ExtIntArray::incrementAt(int i, int32_t delta) {
    if (i < 0)
        return;
    while (m_count <= i)
        append(0);
    // Wrapping addition: a count that overflows wraps as the 32-bit value it is.
    m_items[i] = static_cast<int32_t>(static_cast<uint32_t>(m_items[i]) + static_cast<uint32_t>(delta));
}

int ExtIntArray::countGreaterThan(int32_t v) const {
    int n = 0;
    for (int i = 0; i < m_count; ++i) {
        if (m_items[i] > v)
            ++n;
    }
    return n;
}
