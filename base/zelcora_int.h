// One 32-bit signed value as a library object, so it can live in the containers that own
// ZelcoraObjects (it is the occurrence count in ClsStringArray's table).
#pragma once

#include "base/zelcora_object.h"

#include <cstdint>

class ZelcoraInt : public ZelcoraObject {
public:
    explicit ZelcoraInt(int32_t value = 0) : m_value(value) {}

    int32_t getValue() const { return m_value; }
    void setValue(int32_t value) { m_value = value; }

private:
    int32_t m_value;
};
