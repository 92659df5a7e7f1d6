// The bytes of a buffer as a string, so tests can compare them with one expectation.
#pragma once

#include "base/data_buffer.h"

#include <string>

namespace test_support {

inline std::string bytesOf(const DataBuffer& db) {
    return db.getSize() == 0 ? std::string()
                             : std::string(reinterpret_cast<const char*>(db.getData()), db.getSize());
}

} // namespace test_support
