// StringBuffer: the growable, NUL-terminated 8-bit string used for nearly all text. It holds
// bytes, not characters: case and whitespace rules work byte by byte. A plain value owned by
// whoever holds it. A liveness marker guards against use after destruction: an operation on an
// object whose marker is wrong stops the process.
#pragma once

#include "base/zelcora_object.h"

#include <cstdint>
#include <climits>

class DataBuffer;
class ExtPtrArray;
class LogBase;

class StringBuffer : public ZelcoraObject {
public:
    // Largest text a buffer holds: its block (text and terminator) must fit a 32-bit signed size.
    static constexpr int64_t kMaxLength = INT32_MAX - 1;

    StringBuffer();
    explicit StringBuffer(const char* s);
    StringBuffer(const StringBuffer& o);
    StringBuffer(const unsigned char* bytes, int n, int growBy);
    explicit StringBuffer(int initialCapacity);
    ~StringBuffer() override;
    StringBuffer& operator=(const StringBuffer& o);

    // Accessors.
    const char* getString() const;
    int getSize() const;
    char charAt(int i) const;
    char lastChar() const;
    int getCapacity() const { return m_capacity; }
    int getGrowBy() const { return m_growBy; }

    // Appending.
    void append(const char* s);
    void appendChar(char c);
    void appendCharN(char c, int n);
    void appendN(const void* bytes, int n);
    void appendSb(const StringBuffer& o);
    void appendDb(const DataBuffer& d);
    void appendInt(int v);
    void prepend(const char* s);
    void appendHexDump(const unsigned char* p, int n);
    void appendLastError();

    // Setting and clearing.
    void setString(const char* s);
    void setSb(const StringBuffer& o);
    void clear();
    // Hands the block (allocated with new[]) to the caller, who frees it with delete[].
    char* takeString(int* len);
    // Exchanges the texts of the two buffers, blocks and all, without copying a byte.
    void swap(StringBuffer& o);
    void expectNumBytes(int n);
    void minimizeMemory();

    // Editing in place.
    void trim();
    void trimDecoration();
    void collapseWhitespace();
    void removeChar(char c);
    void removeCharFrom(char c, int start);
    void truncateAtChar(char c);
    void shorten(int n);
    void removeChunk(int start, int n);
    void replaceChar(char from, char to);
    // Replaces every byte that is one of the `setSize` bytes of `set`, in one pass.
    void replaceAnyOf(const char* set, int setSize, char to);
    void replaceAnyOf5(const char set[5], char to);
    bool replaceFirst(const char* find, const char* repl);
    int replaceAll(const char* find, const char* repl);
    // Replaces every byte b by table[b]; the table has 256 entries.
    void mapBytes(const unsigned char* table);
    // Rewrites the text where it lies: `edit(bytes, length)` changes the bytes and answers the new
    // length, never more than `length`. An empty text is left as it is.
    template <typename Edit> void editInPlace(Edit edit) {
        checkAlive(this);
        if (m_length == 0)
            return;
        m_length = edit(m_text, m_length);
        m_text[m_length] = 0;
    }
    void toLowerCase();
    void toUpperCase();
    void encodeXmlEntities();
    void toCrlf();
    void toLf();
    void pluralize();
    void singularize();

    // Queries.
    bool equals(const char* s) const;
    bool equalsSb(const StringBuffer& o) const;
    bool equalsIgnoreCase(const char* s) const;
    bool equalsIgnoreCaseSb(const StringBuffer& o) const;
    bool beginsWith(const char* s) const;
    bool endsWith(const char* s) const;
    bool containsChar(char c) const;
    bool containsSubstring(const char* s) const;
    bool containsSubstringNoCase(const char* s) const;
    bool matchesWildcard(const char* pattern, bool caseSensitive) const;
    int intValue() const;
    int countChar(char c) const;
    bool is7bit() const;

    // Splitting: the parts are new heap StringBuffers appended to `out`, which owns them.
    void split(ExtPtrArray& out, char sep, bool quoteAware, bool backslashEscapes) const;
    void splitOnSubstring(const StringBuffer& sep, ExtPtrArray& out, int maxParts) const;
    void splitNameValue(StringBuffer& name, StringBuffer& value) const;

    // Code pages. Convert the text in place between the given code page and the system's ANSI
    // code page; characters without a mapping are dropped and the answer is false. These and
    // loadFromFile are defined in the charset library, beside the engine they use.
    bool convertToAnsi(int fromCodePage);
    bool convertFromAnsi(int toCodePage);
    // Reads the text as pairs of hex digits (either case) and appends the bytes to `out`. A
    // byte that is not a hex digit counts as 0; a trailing odd digit is dropped.
    void hexDecodeInto(DataBuffer& out) const;

    // Files. Replaces the text with the whole file's content; a byte-order mark selects UTF-16
    // (converted to UTF-8) or is removed for UTF-8. On failure the text is unchanged.
    [[nodiscard]] bool loadFromFile(const char* path, LogBase* log);

private:
    // Stops the process when `self` is not a live buffer. Static so that it can look at the
    // marker of an object that has already been destroyed.
    static void checkAlive(const StringBuffer* self);
    // Makes room for n more bytes and a terminator; `extra` is the slack of the size rule
    // (1 for text appends, 0 for appendN). Adjusts the increment only when asked. False when the
    // size cannot be represented, in which case nothing changed.
    bool ensureRoom(int n, int extra, bool adjustGrowBy);
    // Appends n bytes with the given slack of the size rule.
    void appendRaw(const char* p, int n, int extra);
    // Frees the block unless it is the shared empty text.
    void freeText();
    // Writes the terminator after a text that may have shrunk; the shared empty text already has it.
    void terminate();
    // Frees the current block and takes `block` in its place.
    void replaceText(char* block, int capacity, int length);
    // True when p lies inside this buffer's block.
    bool pointsInto(const void* p) const;
    void trimEnds(bool (*inSet)(unsigned char));

    uint8_t m_marker;
    char* m_text;
    int32_t m_capacity;
    int32_t m_length;
    int32_t m_growBy;
};
