// Case files: one case a line, its fields apart by tabs; blank lines and lines starting with '#'
// are notes. Fields are written with the escapes of escaped_text.h. Empty fields at the end of a
// row may be left out.
#pragma once

#include "tests/support/escaped_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace case_rows {

using Row = std::vector<std::string>;

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
            row.push_back(test_support::unescape(line.substr(start, tab - start)));
            start = tab + 1;
        }
        row.push_back(test_support::unescape(line.substr(start)));
        EXPECT_LE(row.size(), fields) << path << ": " << line;
        row.resize(fields);
        rows.push_back(row);
    }
    EXPECT_FALSE(rows.empty()) << "no cases in " << path;
    return rows;
}

} // namespace case_rows
