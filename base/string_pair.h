// A key and a value, each an owned StringBuffer that is only created when it has text (or when
// a caller asks for the buffer to fill it).
#pragma once

#include "base/zelcora_object.h"

class StringBuffer;

class StringPair : public ZelcoraObject {
public:
    StringPair();
    // A null or empty key or value leaves that buffer absent.
    StringPair(const char* key, const char* value);
    ~StringPair() override;
    StringPair(const StringPair&) = delete;
    StringPair& operator=(const StringPair&) = delete;

    // "" when absent.
    const char* getKey() const;
    const char* getValue() const;
    // Create the missing buffer on demand (50 bytes for the key, 100 for the value).
    StringBuffer* getKeySb();
    StringBuffer* getValueSb();

private:
    StringBuffer* m_key;
    StringBuffer* m_value;
};
