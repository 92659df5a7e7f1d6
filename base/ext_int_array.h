// Growable array of 32-bit signed integers. Out-of-range reads answer 0; the array owns its
// slot block and nothing else.
#pragma once

#include <cstdint>

class ExtIntArray {
public:
    // 80 slots and an increment of 200.
    ExtIntArray();
    // A capacity below 1 becomes 2; an increment below 1 becomes 1.
    ExtIntArray(int capacity, int growBy);
    ~ExtIntArray();
    ExtIntArray(const ExtIntArray&) = delete;
    ExtIntArray& operator=(const ExtIntArray&) = delete;

    void append(int32_t v);
    // 0 when i is outside 0..count-1.
    int32_t elementAt(int i) const;
    // 0 when empty.
    int32_t lastElement() const;
    // Removes and returns the last value; 0 when empty.
    int32_t pop();
    // Removes and returns value i, moving the later ones down; 0 when out of range.
    int32_t removeAt(int i);
    // Appends zeros until index i exists, then adds delta to it. A negative i changes nothing.
    void incrementAt(int i, int32_t delta);
    // Number of values strictly greater than v.
    int countGreaterThan(int32_t v) const;

    int getSize() const { return m_count; }
    int getCapacity() const { return m_capacity; }
    int getGrowBy() const { return m_growBy; }

private:
    void grow();

    int32_t m_growBy;
    int32_t m_capacity;
    int32_t m_count;
    int32_t* m_items;
};
