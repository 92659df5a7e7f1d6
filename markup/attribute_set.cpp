#include "markup/attribute_set.h"

#include "markup/xml_serializer.h"

#include <cstring>

namespace {

constexpr int kLengthsCapacity = 6;
constexpr int kLengthsGrowBy = 15;
constexpr int kTextCapacity = 50;

// An attribute value as written between double quotes: quotes, angle brackets and apostrophes
// become references, and an ampersand does too unless a character reference (`&#`) follows.
// The value ends at its first NUL.
void appendEscapedValue(StringBuffer& out, const char* value, int len) {
    // Plain runs are copied in one piece.
    int run = 0;
    int i = 0;
    for (; i < len && value[i] != '\0'; ++i) {
        const char* replacement = nullptr;
        switch (value[i]) {
        case '"':
            replacement = "&quot;";
            break;
        case '&':
            if (i + 1 >= len || value[i + 1] != '#')
                replacement = "&amp;";
            break;
        case '>':
            replacement = "&gt;";
            break;
        case '<':
            replacement = "&lt;";
            break;
        case '\'':
            replacement = "&apos;";
            break;
        default:
            break;
        }
        if (replacement != nullptr) {
            out.appendN(value + run, i - run);
            out.append(replacement);
            run = i + 1;
        }
    }
    out.appendN(value + run, i - run);
}

} // namespace

AttributeSet::AttributeSet() : m_lengths(kLengthsCapacity, kLengthsGrowBy), m_text(kTextCapacity) {}

void AttributeSet::append(const char* name, const char* value) {
    if (name == nullptr || *name == '\0')
        return;
    if (value == nullptr)
        value = "";
    int nameLen = static_cast<int>(std::strlen(name));
    int valueLen = static_cast<int>(std::strlen(value));
    m_text.appendN(name, nameLen);
    m_text.appendN(value, valueLen);
    m_lengths.append(nameLen);
    m_lengths.append(valueLen);
}

int AttributeSet::offsetOf(int i) const {
    int offset = 0;
    for (int k = 0; k < 2 * i; ++k)
        offset += m_lengths.elementAt(k);
    return offset;
}

bool AttributeSet::nameAt(int i, int offset, const char* name, int nameLen) const {
    return m_lengths.elementAt(2 * i) == nameLen &&
           std::memcmp(m_text.getString() + offset, name, static_cast<size_t>(nameLen)) == 0;
}

void AttributeSet::removeAll(const char* name) {
    if (name == nullptr || *name == '\0')
        return;
    int nameLen = static_cast<int>(std::strlen(name));
    int i = 0;
    int offset = 0;
    while (i < count()) {
        int entryLen = m_lengths.elementAt(2 * i) + m_lengths.elementAt(2 * i + 1);
        if (nameAt(i, offset, name, nameLen)) {
            m_text.removeChunk(offset, entryLen);
            m_lengths.removeAt(2 * i);
            m_lengths.removeAt(2 * i);
        } else {
            offset += entryLen;
            ++i;
        }
    }
}

int AttributeSet::find(const char* name) const {
    if (name == nullptr || *name == '\0')
        return -1;
    int nameLen = static_cast<int>(std::strlen(name));
    int offset = 0;
    for (int i = 0; i < count(); ++i) {
        if (nameAt(i, offset, name, nameLen))
            return i;
        offset += m_lengths.elementAt(2 * i) + m_lengths.elementAt(2 * i + 1);
    }
    return -1;
}

bool AttributeSet::entryAt(int i, const char*& name, int& nameLen, const char*& value, int& valueLen) const {
    if (i < 0 || i >= count())
        return false;
    int offset = offsetOf(i);
    nameLen = m_lengths.elementAt(2 * i);
    valueLen = m_lengths.elementAt(2 * i + 1);
    name = m_text.getString() + offset;
    value = name + nameLen;
    return true;
}

void AttributeSet::valueAt(int i, StringBuffer& out) const {
    out.clear();
    const char* name = nullptr;
    const char* value = nullptr;
    int nameLen = 0;
    int valueLen = 0;
    if (entryAt(i, name, nameLen, value, valueLen))
        out.appendN(value, valueLen);
}

bool AttributeSet::valueEquals(int i, const char* value) const {
    const char* name = nullptr;
    const char* actual = nullptr;
    int nameLen = 0;
    int valueLen = 0;
    if (value == nullptr)
        value = "";
    return entryAt(i, name, nameLen, actual, valueLen) &&
           std::strlen(value) == static_cast<size_t>(valueLen) &&
           std::memcmp(actual, value, static_cast<size_t>(valueLen)) == 0;
}

void AttributeSet::mendNames() {
    const char* text = m_text.getString();
    int offset = 0;
    int i = 0;
    for (; i < count(); ++i) {
        if (!isXmlName(text + offset, m_lengths.elementAt(2 * i)))
            break;
        offset += m_lengths.elementAt(2 * i) + m_lengths.elementAt(2 * i + 1);
    }
    if (i == count())
        return;
    // Names that change are rare: the text is built again from the first of them on.
    StringBuffer mended;
    mended.appendN(text, offset);
    for (; i < count(); ++i) {
        int nameLen = m_lengths.elementAt(2 * i);
        int valueLen = m_lengths.elementAt(2 * i + 1);
        int start = mended.getSize();
        appendXmlName(mended, text + offset, nameLen);
        m_lengths.incrementAt(2 * i, mended.getSize() - start - nameLen);
        mended.appendN(text + offset + nameLen, valueLen);
        offset += nameLen + valueLen;
    }
    m_text.setSb(mended);
}

void AttributeSet::writeXml(StringBuffer& out) const {
    const char* text = m_text.getString();
    int offset = 0;
    for (int i = 0; i < count(); ++i) {
        int nameLen = m_lengths.elementAt(2 * i);
        int valueLen = m_lengths.elementAt(2 * i + 1);
        out.appendChar(' ');
        appendXmlName(out, text + offset, nameLen);
        out.append("=\"");
        appendEscapedValue(out, text + offset + nameLen, valueLen);
        out.appendChar('"');
        offset += nameLen + valueLen;
    }
}
