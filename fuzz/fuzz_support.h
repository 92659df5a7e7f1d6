// What the fuzz targets share: a check that stops the run on a broken property, the input as a
// NUL-terminated text of exactly its size, and a reader that takes choices from the input's start.
#pragma once

#include "base/data_buffer.h"
#include "base/string_buffer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace fuzz {

// Aborts, so libFuzzer keeps the input that broke the property; the line names the property.
inline void check(bool holds, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    if (holds)
        return;
    std::fprintf(stderr, "property broken at %s:%d\n", file, line);
    std::abort();
}

inline bool sameBytes(const DataBuffer& a, const DataBuffer& b) {
    return a.getSize() == b.getSize() &&
           (a.getSize() == 0 || std::memcmp(a.getData(), b.getData(), a.getSize()) == 0);
}

inline bool sameBytes(const DataBuffer& a, const void* b, size_t n) {
    return a.getSize() == n && (n == 0 || std::memcmp(a.getData(), b, n) == 0);
}

// Whether text stored as an XML element's content reads back unchanged: the tree keeps "&lt;"
// and the like in content as references, so text holding an ampersand may read back decoded.
inline bool readsBackFromXmlContent(const std::string& text) {
    return text.find('&') == std::string::npos;
}

// Text as XML content reads back trimmed: without the XML blanks (space, TAB, CR, LF) at its
// ends. Byte 0xA0 stays, which in UTF-8 text ends a character.
inline std::string trimmedAsXmlContent(const char* text) {
    std::string out(text);
    size_t first = out.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return out.substr(first, out.find_last_not_of(" \t\r\n") - first + 1);
}

// A directory of this run's own for the files a target writes, made on first use.
inline const char* scratchDir() {
    static char dir[] = "/tmp/fuzz_XXXXXX";
    static const bool made = mkdtemp(dir) != nullptr;
    check(made);
    return dir;
}

// Writes the bytes to `path`, replacing the file; false when that fails.
inline bool writeFile(const char* path, const std::string& bytes) {
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Choice bytes first, then the payload. Running out of choices gives zeros, so every input is usable.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint8_t take() {
        if (m_size == 0)
            return 0;
        --m_size;
        return *m_data++;
    }
    uint32_t take16() { return take() | static_cast<uint32_t>(take()) << 8; }
    // Up to n bytes off the front (fewer when the input is shorter).
    std::pair<const uint8_t*, size_t> takeBytes(size_t n) {
        size_t count = n < m_size ? n : m_size;
        const uint8_t* at = m_data;
        m_data += count;
        m_size -= count;
        return {at, count};
    }
    const uint8_t* rest() const { return m_data; }
    size_t restSize() const { return m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
};

// A copy of bytes in a block of exactly their size plus a terminator, so reading past the text is
// caught by AddressSanitizer. NUL bytes inside stay: a parser of C text sees only the part before.
class Text {
public:
    Text(const uint8_t* data, size_t size) : m_text(new char[size + 1]), m_size(size) {
        if (size > 0)
            std::memcpy(m_text.get(), data, size);
        m_text[size] = '\0';
    }
    const char* get() const { return m_text.get(); }
    size_t size() const { return m_size; }

private:
    std::unique_ptr<char[]> m_text;
    size_t m_size;
};

} // namespace fuzz
