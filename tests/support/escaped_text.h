// Bytes written in test data files as text: \r, \n, \t, \\ and \xHH escapes, so that any byte can
// be written in a plain text file.
#pragma once

#include <cstdlib>
#include <string>

namespace test_support {

inline std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        char e = text[++i];
        if (e == 'x' && i + 2 < text.size()) {
            out.push_back(static_cast<char>(std::strtoul(text.substr(i + 1, 2).c_str(), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e);
        }
    }
    return out;
}

} // namespace test_support
