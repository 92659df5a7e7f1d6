// Helpers for tests that touch the file system: a fixture that runs each test inside a fresh
// private directory under /tmp (and restores the current directory afterwards), and a log that
// records what it is told so tests can check the messages.
#pragma once

#include "base/log_base.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace file_test {

class RecordingLog : public LogBase {
public:
    struct Entry {
        std::string kind; // "error", "info" or "data"
        std::string name; // data items only
        std::string text;
    };

    bool LogError(const char* text) override {
        entries.push_back({"error", "", text});
        return true;
    }
    bool LogInfo(const char* text) override {
        entries.push_back({"info", "", text});
        return true;
    }
    bool LogData(const char* name, const char* value) override {
        entries.push_back({"data", name, value});
        return true;
    }
    bool LogDataLong(const char* name, int value) override {
        entries.push_back({"data", name, std::to_string(value)});
        return true;
    }

    bool has(const std::string& kind, const std::string& text) const {
        for (const Entry& e : entries) {
            if (e.kind == kind && e.text == text)
                return true;
        }
        return false;
    }
    bool hasError(const std::string& text) const { return has("error", text); }
    bool hasInfo(const std::string& text) const { return has("info", text); }
    // The value of the first data item called `name`, or "<absent>".
    std::string data(const std::string& name) const {
        for (const Entry& e : entries) {
            if (e.kind == "data" && e.name == name)
                return e.text;
        }
        return "<absent>";
    }

    std::vector<Entry> entries;
};

inline std::string currentDir() {
    char buf[PATH_MAX];
    return getcwd(buf, sizeof(buf)) != nullptr ? std::string(buf) : std::string();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The regular files of a directory (those ending in `extension` when one is given), sorted; none
// when the directory cannot be read.
inline std::vector<std::string> filesIn(const std::string& dir, const char* extension = nullptr) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        if (entry.is_regular_file() && (extension == nullptr || entry.path().extension() == extension))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Each test starts in its own empty directory, which is also its current directory.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedCwd = currentDir();
        ASSERT_FALSE(m_savedCwd.empty());
        char pattern[] = "/tmp/dunmere_fs_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        ASSERT_EQ(chdir(m_dir.c_str()), 0);
    }

    void TearDown() override {
        EXPECT_EQ(chdir(m_savedCwd.c_str()), 0);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    std::string path(const std::string& name) const { return m_dir + "/" + name; }

    // The names in the test directory, sorted, recursively.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(m_dir))
            names.push_back(e.path().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string m_savedCwd;
    std::string m_dir;
};

} // namespace file_test
