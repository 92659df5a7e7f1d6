// AttributeSet: the attributes of one XML element, in insertion order. Names and values are kept
// back to back in one text, with their lengths in one integer array (name length at 2i, value
// length at 2i+1), rather than as an object per attribute. Names compare byte for byte,
// case-sensitive, length first. The set is owned by its TreeNode.
#pragma once

#include "base/ext_int_array.h"
#include "base/string_buffer.h"

class AttributeSet {
public:
    AttributeSet();
    AttributeSet(const AttributeSet&) = delete;
    AttributeSet& operator=(const AttributeSet&) = delete;

    int count() const { return m_lengths.getSize() / 2; }

    // Appends without looking for an attribute of the same name. A null or empty name is
    // ignored; a null value is stored as "".
    void append(const char* name, const char* value);
    // Removes every attribute of that name.
    void removeAll(const char* name);
    // Index of the first attribute of that name, or -1.
    int find(const char* name) const;

    // Attribute i as pointers into the text (not NUL-terminated) with their lengths; false when
    // i is out of range.
    bool entryAt(int i, const char*& name, int& nameLen, const char*& value, int& valueLen) const;
    // The value of attribute i, replacing the content of `out`.
    void valueAt(int i, StringBuffer& out) const;
    // Whether the value of attribute i is exactly `value`.
    bool valueEquals(int i, const char* value) const;

    // Renames each attribute to the name writeXml writes for it.
    void mendNames();

    // Appends each attribute as a blank, the name, `=` and the value in double quotes, the value
    // escaped for an attribute.
    void writeXml(StringBuffer& out) const;

private:
    // Offset in the text where attribute i's name starts.
    int offsetOf(int i) const;
    bool nameAt(int i, int offset, const char* name, int nameLen) const;

    ExtIntArray m_lengths;
    StringBuffer m_text;
};
