// Tables of strings written in one field of a case file, their entries apart by '|'.
#pragma once

#include "base/cls_string_array.h"

#include <string>

// The entries of `joined` appended to `table`; an empty field is an empty table.
inline void appendEntries(const std::string& joined, ClsStringArray& table) {
    for (size_t at = 0, bar = 0; !joined.empty() && bar != std::string::npos; at = bar + 1) {
        bar = joined.find('|', at);
        table.Append(joined.substr(at, bar == std::string::npos ? bar : bar - at).c_str());
    }
}
