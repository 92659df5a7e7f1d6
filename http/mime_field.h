// MimeField: one header field, a name and a value, as received or as to be sent. A plain value
// owned by the MimeHeader that lists it.
#pragma once

#include "base/string_buffer.h"
#include "base/zelcora_object.h"

class MimeField : public ZelcoraObject {
public:
    MimeField() = default;
    MimeField(const char* name, const char* value);

    const char* getName() const { return m_name.getString(); }
    const char* getValue() const { return m_value.getString(); }
    const StringBuffer& getNameSb() const { return m_name; }
    const StringBuffer& getValueSb() const { return m_value; }
    void setName(const char* name) { m_name.setString(name); }
    void setValue(const char* value) { m_value.setString(value); }

    // Field names compare without regard to case.
    bool nameIs(const char* name) const { return m_name.equalsIgnoreCase(name); }

private:
    StringBuffer m_name;
    StringBuffer m_value;
};
