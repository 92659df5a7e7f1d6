// XString is declared among base's types and defined here, beside the conversion engine that
// nearly every member uses, so base links without the character-set layer.
#include "base/x_string.h"

#include "base/file_sys.h"
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"

namespace {

// Converts `n` bytes from one code page to another into `out` (cleared first); false when a
// character was lost on the way.
bool convertBytes(unsigned from, unsigned to, const void* p, uint32_t n, DataBuffer& out) {
    out.clear();
    if (n == 0)
        return true;
    EncodingConvert conv;
    return conv.Convert(from, to, static_cast<const unsigned char*>(p), n, out);
}

void setText(StringBuffer& sb, const DataBuffer& bytes) {
    sb.clear();
    sb.appendDb(bytes);
}

} // namespace

XString::XString()
    : m_ansiState(kAnsiUnknown), m_utf16Valid(true), m_ansiValid(true), m_utf8Valid(true), m_utf16(),
      m_ansi(), m_utf8() {}

void XString::onlyForm(bool ansi, bool utf8, bool utf16) {
    m_ansiValid = ansi;
    m_utf8Valid = utf8;
    m_utf16Valid = utf16;
}

void XString::setFromAnsi(const char* s) {
    m_ansi.setString(s == nullptr ? "" : s);
    if (m_ansi.getSize() == 0) {
        m_utf8.clear();
        m_utf16.clear();
        onlyForm(true, true, true);
        m_ansiState = kAnsiUnknown;
        return;
    }
    onlyForm(true, false, false);
    m_ansiState = kAnsiYes;
}

void XString::setFromUtf8(const char* s) {
    m_utf8.setString(s == nullptr ? "" : s);
    if (m_utf8.getSize() == 0) {
        setFromAnsi(nullptr);
        return;
    }
    onlyForm(false, true, false);
    m_ansiState = kAnsiUnknown;
}

void XString::setFromUtf16(const char16_t* s) {
    int n = 0;
    while (s != nullptr && s[n] != 0)
        ++n;
    setFromUtf16(s, n);
}

void XString::setFromUtf16(const char16_t* s, int numChars) {
    if (s == nullptr || numChars <= 0) {
        setFromAnsi(nullptr);
        return;
    }
    m_utf16.clear();
    for (int i = 0; i < numChars; ++i) {
        unsigned char unit[2] = {static_cast<unsigned char>(s[i] & 0xFF),
                                 static_cast<unsigned char>(s[i] >> 8)};
        m_utf16.append(unit, 2);
    }
    m_utf16.appendByte(0);
    m_utf16.appendByte(0);
    onlyForm(false, false, true);
    m_ansiState = kAnsiUnknown;
}

uint32_t XString::utf16Units() const {
    uint32_t size = m_utf16.getSize();
    return size >= 2 ? (size - 2) / 2 : 0;
}

bool XString::makeUtf8() {
    if (m_utf8Valid)
        return true;
    DataBuffer out;
    bool ok = m_ansiValid ? convertBytes(CodePages::SystemAnsiCodePage(), CodePages::kUtf8,
                                         m_ansi.getString(), static_cast<uint32_t>(m_ansi.getSize()), out)
                          : convertBytes(CodePages::kUtf16Le, CodePages::kUtf8, m_utf16.getData(),
                                         utf16Units() * 2, out);
    setText(m_utf8, out);
    m_utf8Valid = true;
    return ok;
}

bool XString::makeAnsi() {
    if (m_ansiValid)
        return m_ansiState != kAnsiNo;
    DataBuffer out;
    bool ok = m_utf8Valid ? convertBytes(CodePages::kUtf8, CodePages::SystemAnsiCodePage(),
                                         m_utf8.getString(), static_cast<uint32_t>(m_utf8.getSize()), out)
                          : convertBytes(CodePages::kUtf16Le, CodePages::SystemAnsiCodePage(),
                                         m_utf16.getData(), utf16Units() * 2, out);
    setText(m_ansi, out);
    m_ansiValid = true;
    m_ansiState = ok ? kAnsiYes : kAnsiNo;
    return ok;
}

bool XString::makeUtf16() {
    if (m_utf16Valid)
        return true;
    DataBuffer out;
    bool ok = m_utf8Valid ? convertBytes(CodePages::kUtf8, CodePages::kUtf16Le, m_utf8.getString(),
                                         static_cast<uint32_t>(m_utf8.getSize()), out)
                          : convertBytes(CodePages::SystemAnsiCodePage(), CodePages::kUtf16Le,
                                         m_ansi.getString(), static_cast<uint32_t>(m_ansi.getSize()), out);
    m_utf16.takeFrom(out);
    m_utf16.appendByte(0);
    m_utf16.appendByte(0);
    m_utf16Valid = true;
    return ok;
}
const char* XString::getAnsi() {
    makeAnsi();
    return m_ansi.getString();
}

const char* XString::getUtf8() {
    makeUtf8();
    return m_utf8.getString();
}

const char16_t* XString::getUtf16() {
    makeUtf16();
    // An empty text keeps no UTF-16 block: most strings are never asked for this form.
    if (m_utf16.getSize() == 0)
        return u"";
    // The block is allocated with new[] and so aligned for any fundamental type.
    return reinterpret_cast<const char16_t*>(m_utf16.getData());
}

bool XString::canBeAnsi() {
    if (m_ansiState != kAnsiUnknown)
        return m_ansiState == kAnsiYes;
    if (m_ansiValid) {
        // Text set from ANSI is ANSI; an empty string trivially is.
        m_ansiState = kAnsiYes;
        return true;
    }
    return makeAnsi();
}

int XString::getNumChars() {
    if (m_ansiValid)
        return m_ansi.getSize();
    makeUtf16();
    return static_cast<int>(utf16Units());
}

int XString::replaceAllUtf8(const char* find, const char* replacement) {
    makeUtf8();
    int count = m_utf8.replaceAll(find, replacement);
    if (count > 0) {
        onlyForm(false, true, false);
        m_ansiState = kAnsiUnknown;
    }
    return count;
}

void XString::toLowerAnsi() {
    makeAnsi();
    m_ansi.toLowerCase();
    onlyForm(true, false, false);
}

void XString::copyFrom(const XString& o) {
    if (&o == this)
        return;
    m_ansiState = o.m_ansiState;
    m_utf16Valid = o.m_utf16Valid;
    m_ansiValid = o.m_ansiValid;
    m_utf8Valid = o.m_utf8Valid;
    m_utf16.clear();
    m_utf16.appendDb(o.m_utf16);
    m_ansi.setSb(o.m_ansi);
    m_utf8.setSb(o.m_utf8);
}

bool XString::isEmpty() {
    if (m_utf8Valid)
        return m_utf8.getSize() == 0;
    if (m_ansiValid)
        return m_ansi.getSize() == 0;
    return utf16Units() == 0;
}

bool XString::setToCurrentDirectory() {
    StringBuffer dir;
    FileSys::GetCurrentDirectory(dir);
    setFromUtf8(dir.getString());
    return dir.getSize() > 0;
}

bool XString::setToTempPath() {
    StringBuffer dir;
    FileSys::GetTempDirectory(dir);
    setFromUtf8(dir.getString());
    return dir.getSize() > 0;
}
