// ClsStringArray: an ordered list of strings with a hash table beside it, so that duplicate
// counting and Contains never scan the list. It owns its strings and its table; every reference
// table and every list of found strings of the crawler is one of these.
#pragma once

#include "base/ext_ptr_array.h"
#include "base/string_consumer.h"

#include <cstdint>

class HashMap;
class StringBuffer;

class ClsStringArray : public StringConsumer {
public:
    ClsStringArray();
    ~ClsStringArray() override;
    ClsStringArray(const ClsStringArray&) = delete;
    ClsStringArray& operator=(const ClsStringArray&) = delete;

    // Flags applied by Append and LoadFromText to the strings stored afterwards.
    // Unique: drop a string already present (default off).
    void put_Unique(bool unique) { m_unique = unique; }
    // Trim: strip blanks, tabs, CR, LF and 0xA0 from both ends first (default off).
    void put_Trim(bool trim) { m_trim = trim; }
    // Crlf: line ends inside a string become CR LF; off, they become LF (default on).
    void put_Crlf(bool crlf) { m_crlf = crlf; }

    // Stores a copy of s (null stores the empty string), normalised by the flags.
    void Append(const char* s);
    // Stores each line of text: CRs are dropped, empty lines skipped, the rest appended in
    // order. Always answers true.
    bool LoadFromText(const char* text);
    // Destroys every string and starts a fresh table.
    void Clear();

    // True when exactly s was stored (s itself is neither trimmed nor converted).
    bool Contains(const char* s) const;
    // How many times exactly s was stored; 0 when never.
    int GetOccurrenceCount(const char* s) const;
    // The text, or the buffer, of string i; null when i is out of range.
    const char* GetString(int i) const;
    StringBuffer* GetStringSb(int i) const;
    int get_Count() const { return m_strings.getSize(); }

    // The StringConsumer entry: the same as Append.
    void consumeString(const char* s) override;

private:
    // The steps of Append after the copy: normalise, then keep or drop by the table. Takes ownership of sb.
    void store(StringBuffer* sb);

    // Set at construction and read nowhere.
    [[maybe_unused]] uint8_t m_flag;
    bool m_unique;
    bool m_trim;
    bool m_crlf;
    ExtPtrArray m_strings;
    HashMap* m_table;
};
