// Root class of every library object. Containers delete their elements through the virtual
// destructor, which is the only virtual operation.
#pragma once

#include <cstdint>

class ZelcoraObject {
public:
    ZelcoraObject();
    virtual ~ZelcoraObject() = default;

    // Tells objects apart in diagnostics; taken from an unsynchronised process-wide counter,
    // so its value is never relied upon.
    uint32_t objectNumber() const { return m_objectNumber; }

private:
    uint32_t m_objectNumber;
};
