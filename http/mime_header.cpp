// Header fields: lookups, serialisation and the parse of received header text.
#include "http/mime_header.h"

#include "base/content_coding.h"
#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "charset/code_page_names.h"
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "http/limits.h"

#include <cstring>
#include <strings.h>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Copies the header block of `text` into `block` with every line end (CR LF, lone CR, lone LF)
// written as CR LF, up to the first empty line (which, with the line break before it, is not
// copied). Text without an empty line is copied whole.
void extractBlock(const char* text, StringBuffer& block) {
    block.clear();
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '\r' && *p != '\n') {
            block.appendChar(*p);
            continue;
        }
        if (p[0] == '\r' && p[1] == '\n') {
            ++p;
        }
        block.append("\r\n");
        if (block.endsWith("\r\n\r\n")) {
            block.shorten(4);
            return;
        }
    }
}

// The part of a continuation line that is appended to the line it continues.
const char* continuationText(const StringBuffer& line) {
    const char* s = line.getString();
    int k = 0;
    while (isBlank(s[k])) {
        ++k;
    }
    if (s[k] == '=' && s[k + 1] == '?') {
        return s + k - 1;
    }
    return s + 1;
}

bool isEncodedWordMarker(const StringBuffer& value) {
    return value.containsSubstringNoCase("?Q?") || value.containsSubstringNoCase("?B?");
}

// Converts `block` from `codePage` to UTF-8 in place when every byte converts.
bool convertCleanly(StringBuffer& block, unsigned codePage) {
    DataBuffer converted;
    EncodingConvert conv;
    if (!conv.Convert(codePage, CodePages::kUtf8, reinterpret_cast<const unsigned char*>(block.getString()),
                      static_cast<unsigned>(block.getSize()), converted)) {
        return false;
    }
    block.clear();
    block.appendDb(converted);
    return true;
}

} // namespace

MimeHeader::~MimeHeader() {
    m_fields.removeAllObjects();
}

MimeField* MimeHeader::fieldAt(int i) const {
    return static_cast<MimeField*>(m_fields.elementAt(i));
}

const MimeField* MimeHeader::getFieldAt(int i) const {
    return fieldAt(i);
}

bool MimeHeader::getField(const char* name, StringBuffer& value) const {
    value.clear();
    for (int i = 0; i < m_fields.getSize(); ++i) {
        const MimeField* f = fieldAt(i);
        if (f->nameIs(name)) {
            value.setSb(f->getValueSb());
            return true;
        }
    }
    return false;
}

bool MimeHeader::hasField(const char* name) const {
    for (int i = 0; i < m_fields.getSize(); ++i) {
        if (fieldAt(i)->nameIs(name)) {
            return true;
        }
    }
    return false;
}

bool MimeHeader::getFieldParam(const char* name, const char* param, StringBuffer& value) const {
    value.clear();
    StringBuffer fieldValue;
    if (param == nullptr || !getField(name, fieldValue) || !fieldValue.containsSubstringNoCase(param)) {
        return false;
    }
    ExtPtrArray parts;
    fieldValue.split(parts, ';', true, true);
    bool found = false;
    StringBuffer partName;
    StringBuffer partValue;
    for (int i = 0; i < parts.getSize() && !found; ++i) {
        const StringBuffer* part = static_cast<const StringBuffer*>(parts.elementAt(i));
        if (!part->containsChar('=')) {
            continue;
        }
        part->splitNameValue(partName, partValue);
        if (partName.equalsIgnoreCase(param)) {
            value.setSb(partValue);
            found = true;
        }
    }
    parts.removeAllObjects();
    return found;
}

void MimeHeader::addField(const char* name, const char* value) {
    m_fields.appendPtr(new MimeField(name, value));
}

void MimeHeader::replaceField(const char* name, const char* value) {
    for (int i = 0; i < m_fields.getSize(); ++i) {
        MimeField* f = fieldAt(i);
        if (!f->nameIs(name)) {
            continue;
        }
        f->setValue(value);
        for (int j = m_fields.getSize() - 1; j > i; --j) {
            if (fieldAt(j)->nameIs(name)) {
                delete static_cast<MimeField*>(m_fields.removeAt(j));
            }
        }
        return;
    }
    addField(name, value);
}

int MimeHeader::removeField(const char* name) {
    int removed = 0;
    for (int i = m_fields.getSize() - 1; i >= 0; --i) {
        if (fieldAt(i)->nameIs(name)) {
            delete static_cast<MimeField*>(m_fields.removeAt(i));
            ++removed;
        }
    }
    return removed;
}

void MimeHeader::clear() {
    m_fields.removeAllObjects();
    m_codePage = 0;
}

void MimeHeader::serialize(StringBuffer& out, const char* excludePrefix) const {
    out.clear();
    size_t prefixLength = excludePrefix != nullptr ? strlen(excludePrefix) : 0;
    bool first = true;
    for (int i = 0; i < m_fields.getSize(); ++i) {
        const MimeField* f = fieldAt(i);
        if (prefixLength > 0 && strncasecmp(f->getName(), excludePrefix, prefixLength) == 0) {
            continue;
        }
        if (!first) {
            out.append("\r\n");
        }
        first = false;
        out.append(f->getName());
        out.append(": ");
        out.append(f->getValue());
    }
}

void MimeHeader::parseHeaderText(const char* text) {
    clear();
    if (text == nullptr) {
        return;
    }
    StringBuffer block;
    extractBlock(text, block);
    if (!block.is7bit()) {
        m_codePage = convertBlockToUtf8(block);
    }
    addFieldsFromBlock(block);
}

int MimeHeader::convertBlockToUtf8(StringBuffer& block) {
    // The charset is looked up in a first parse of the raw text; its value is plain ASCII.
    MimeHeader raw;
    raw.addFieldsFromBlock(block);
    StringBuffer charset;
    raw.getFieldParam("Content-Type", "charset", charset);
    unsigned declared = CodePageFromName(charset.getString());
    if (declared == CodePages::kUtf8) {
        return static_cast<int>(declared);
    }
    if (declared != 0 && convertCleanly(block, declared)) {
        return static_cast<int>(declared);
    }
    static const unsigned kFallbacks[] = {CodePages::SystemAnsiCodePage(), CodePages::kIsoLatin1,
                                          CodePages::kIsoLatin2};
    for (unsigned codePage : kFallbacks) {
        if (convertCleanly(block, codePage)) {
            return static_cast<int>(codePage);
        }
    }
    return 0;
}

void MimeHeader::addFieldsFromBlock(const StringBuffer& block) {
    const char* s = block.getString();
    int n = block.getSize();
    StringBuffer current;
    bool haveCurrent = false;
    StringBuffer line;
    int pos = 0;
    for (int lines = 0; lines < HttpLimits::kMaxHeaderLines && pos < n; ++lines) {
        const char* end = strstr(s + pos, "\r\n");
        int lineEnd = end != nullptr ? static_cast<int>(end - s) : n;
        line.clear();
        line.appendN(s + pos, lineEnd - pos);
        pos = end != nullptr ? lineEnd + 2 : n;

        if (haveCurrent && isBlank(line.charAt(0))) {
            current.append(continuationText(line));
            continue;
        }
        if (haveCurrent) {
            addFieldFromLine(current);
        }
        current.setSb(line);
        haveCurrent = true;
    }
    if (haveCurrent) {
        addFieldFromLine(current);
    }
}

void MimeHeader::addFieldFromLine(const StringBuffer& line) {
    if (line.beginsWith("From ")) {
        return;
    }
    const char* s = line.getString();
    const char* colon = strchr(s, ':');
    if (colon == nullptr) {
        return;
    }
    StringBuffer name;
    name.appendN(s, static_cast<int>(colon - s));
    name.trim();
    static const char kNameReplaced[5] = {' ', '<', '>', '"', '\''};
    name.replaceAnyOf5(kNameReplaced, '-');

    const char* v = colon + 1;
    if (isBlank(*v)) {
        ++v;
    }
    StringBuffer value(v);
    value.trim();
    if (isEncodedWordMarker(value)) {
        ContentCoding().decodeEncodedWords(value);
    }
    value.replaceAll("\r\n\t", "");
    value.replaceAll("\r\n ", "");
    // Any other decoded line break would split the field when the header is written again.
    value.replaceChar('\r', ' ');
    value.replaceChar('\n', ' ');

    m_fields.appendPtr(new MimeField(name.getString(), value.getString()));
}
