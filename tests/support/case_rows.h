// Case files: one case a line, its fields apart by tabs; blank lines and lines starting with '#'
// are notes. In a field, \t, \r, \n, \\ and \xHH stand for the byte they name, so that any byte
// can be written in a plain text file. Empty fields at the end of a row may be left out.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace case_rows {

using Row = std::vector<std::string>;

inline std::string unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out.push_back(field[i]);
            continue;
        }
        char c = field[++i];
        if (c == 'x' && i + 2 < field.size()) {
            out.push_back(static_cast<char>(std::strtoul(field.substr(i + 1, 2).c_str(), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c);
        }
    }
    return out;
}

// The rows of `path`, each with `fields` fields; a missing file or a row with more fails the test.
inline std::vector<Row> read(const std::string& path, size_t fields) {
    std::vector<Row> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        Row row;
        size_t start = 0;
        for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
            row.push_back(unescape(line.substr(start, tab - start)));
            start = tab + 1;
        }
        row.push_back(unescape(line.substr(start)));
        EXPECT_LE(row.size(), fields) << path << ": " << line;
        row.resize(fields);
        rows.push_back(row);
    }
    EXPECT_FALSE(rows.empty()) << "no cases in " << path;
    return rows;
}

} // namespace case_rows
