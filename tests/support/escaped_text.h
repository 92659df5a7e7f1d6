// Bytes written in test data files as text: \r, \n, \t, \\ and \xHH escapes.
#pragma once

#include <string>

namespace test_support {

// The bytes of a text with \r, \n, \t, \\ and \xHH escapes.
inline std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out.push_back(c);
            continue;
        }
        char e = text[++i];
        if (e == 'x' && i + 2 < text.size()) {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e);
        }
    }
    return out;
}

} // namespace test_support
