#include "base/string_pair.h"

#include "base/string_buffer.h"

namespace {
constexpr int kKeyCapacity = 50;
constexpr int kValueCapacity = 100;

StringBuffer* copyOrAbsent(const char* s) {
    return (s == nullptr || *s == 0) ? nullptr : new StringBuffer(s);
}
} // namespace

StringPair::StringPair() : m_key(nullptr), m_value(nullptr) {}

StringPair::StringPair(const char* key, const char* value)
    : m_key(copyOrAbsent(key)), m_value(copyOrAbsent(value)) {}

StringPair::~StringPair() {
    delete m_key;
    delete m_value;
}

const char* StringPair::getKey() const {
    return m_key != nullptr ? m_key->getString() : "";
}

const char* StringPair::getValue() const {
    return m_value != nullptr ? m_value->getString() : "";
}

StringBuffer* StringPair::getKeySb() {
    if (m_key == nullptr)
        m_key = new StringBuffer(kKeyCapacity);
    return m_key;
}

StringBuffer* StringPair::getValueSb() {
    if (m_value == nullptr)
        m_value = new StringBuffer(kValueCapacity);
    return m_value;
}
