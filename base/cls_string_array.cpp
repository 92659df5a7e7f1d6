#include "base/cls_string_array.h"

#include "base/hash_map.h"
#include "base/string_buffer.h"
#include "base/zelcora_int.h"

namespace {
constexpr int kTableBuckets = 499;
} // namespace

ClsStringArray::ClsStringArray()
    : m_flag(1), m_unique(false), m_trim(false), m_crlf(true), m_table(new HashMap(kTableBuckets)) {}

ClsStringArray::~ClsStringArray() {
    m_strings.removeAllObjects();
    delete m_table;
}

void ClsStringArray::Append(const char* s) {
    // 1. Copy s; the remaining steps are shared with LoadFromText.
    store(new StringBuffer(s));
}

void ClsStringArray::consumeString(const char* s) {
    Append(s);
}

void ClsStringArray::store(StringBuffer* sb) {
    // 2. Normalise.
    if (m_trim)
        sb->trim();
    if (m_crlf)
        sb->toCrlf();
    else
        sb->toLf();

    // 3. Look the normalised text up in the table.
    ZelcoraInt* count = static_cast<ZelcoraInt*>(m_table->hashLookup(sb->getString()));

    // 4. Present: drop it when unique, otherwise keep it and count it once more.
    if (count != nullptr) {
        if (m_unique) {
            delete sb;
            return;
        }
        sb->minimizeMemory();
        count->setValue(count->getValue() + 1);
        m_strings.appendPtr(sb);
        return;
    }

    // 5. Absent: keep it and enter it with a count of 1.
    sb->minimizeMemory();
    m_strings.appendPtr(sb);
    m_table->hashInsert(sb->getString(), new ZelcoraInt(1));
}

bool ClsStringArray::LoadFromText(const char* text) {
    // 1. Copy the text without its CRs.
    StringBuffer copy(text);
    copy.removeChar('\r');

    // 2. Split it on LF.
    ExtPtrArray lines;
    copy.split(lines, '\n', false, false);

    // 3. Trim each line when asked; drop the empty ones and store the rest.
    for (int i = 0; i < lines.getSize(); ++i) {
        StringBuffer* line = static_cast<StringBuffer*>(lines.elementAt(i));
        if (m_trim)
            line->trim();
        if (line->getSize() == 0)
            delete line;
        else
            store(line);
    }
    // Every line now belongs to this array or is gone; only the slots remain to be emptied.
    while (lines.getSize() > 0)
        lines.pop();
    return true;
}

void ClsStringArray::Clear() {
    m_strings.removeAllObjects();
    delete m_table;
    m_table = new HashMap(kTableBuckets);
}

bool ClsStringArray::Contains(const char* s) const {
    return m_table->hashContains(s);
}

int ClsStringArray::GetOccurrenceCount(const char* s) const {
    const ZelcoraInt* count = static_cast<const ZelcoraInt*>(m_table->hashLookup(s));
    return count != nullptr ? count->getValue() : 0;
}

const char* ClsStringArray::GetString(int i) const {
    const StringBuffer* sb = GetStringSb(i);
    return sb != nullptr ? sb->getString() : nullptr;
}

StringBuffer* ClsStringArray::GetStringSb(int i) const {
    return static_cast<StringBuffer*>(m_strings.elementAt(i));
}
