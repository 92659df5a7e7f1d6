// Growable array of object pointers. The array owns only its slot block: it never deletes its
// elements on destruction; the owner empties it with removeAllObjects() or removeAllRaw() first.
#pragma once

#include "base/zelcora_object.h"

class ExtPtrArray {
public:
    ExtPtrArray();
    // Allocates `capacity` slots at once; values below 1 become 5 (for both arguments). The
    // increment never exceeds 100000, so a larger growBy is held at that cap.
    ExtPtrArray(int capacity, int growBy);
    ~ExtPtrArray();
    ExtPtrArray(const ExtPtrArray&) = delete;
    ExtPtrArray& operator=(const ExtPtrArray&) = delete;

    void appendPtr(void* obj);
    // Null when i is outside 0..count-1.
    void* elementAt(int i) const;
    void* lastElement() const;
    // Removes and returns element i without destroying it; later elements move down.
    void* removeAt(int i);
    void* pop();
    int getSize() const { return m_count; }
    int getCapacity() const { return m_capacity; }
    int getGrowBy() const { return m_growBy; }

    // Destroys every non-null element through its virtual destructor.
    void removeAllObjects();
    // Releases every non-null element as a plain block taken with operator new[] of char.
    void removeAllRaw();

private:
    void grow();

    int m_growBy;
    int m_capacity;
    int m_count;
    void** m_items;
};
