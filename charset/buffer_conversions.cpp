// The members of base's text types that convert between code pages. They are declared with their
// types but defined here, beside the conversion engine they use, so base links without this layer.
#include "base/content_coding.h"
#include "base/data_buffer.h"
#include "base/file_sys.h"
#include "base/log_base.h"
#include "base/string_buffer.h"
#include "base/utf8_text.h"
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

// ---- StringBuffer ----

namespace {

// Replaces the text of `sb` with the conversion of its bytes.
bool convertInPlace(StringBuffer& sb, unsigned from, unsigned to) {
    if (sb.getSize() == 0)
        return true;
    DataBuffer converted;
    EncodingConvert conv;
    bool ok = conv.Convert(from, to, reinterpret_cast<const unsigned char*>(sb.getString()),
                           static_cast<unsigned>(sb.getSize()), converted);
    sb.clear();
    sb.appendDb(converted);
    return ok;
}

} // namespace

bool StringBuffer::convertToAnsi(int fromCodePage) {
    checkAlive(this);
    return convertInPlace(*this, static_cast<unsigned>(fromCodePage), CodePages::SystemAnsiCodePage());
}

bool StringBuffer::convertFromAnsi(int toCodePage) {
    checkAlive(this);
    return convertInPlace(*this, CodePages::SystemAnsiCodePage(), static_cast<unsigned>(toCodePage));
}

bool StringBuffer::loadFromFile(const char* path, LogBase* log) {
    checkAlive(this);
    if (path == nullptr)
        return false;
    StringBuffer fixedPath(path);
    if (fixedPath.beginsWith("file:///"))
        fixedPath.removeChunk(0, 8);
    fixedPath.replaceChar('|', ':');
    const char* name = fixedPath.getString();

    bool ok = false;
    uint32_t fileSize = FileSys::FileSize(name, log, ok);
    if (!ok) {
        if (log != nullptr) {
            log->LogError("Failed to get file size");
            log->LogData("filename", name);
        }
        return false;
    }
    if (fileSize > static_cast<uint32_t>(kMaxLength)) {
        if (log != nullptr) {
            char sizeText[16];
            std::snprintf(sizeText, sizeof(sizeText), "%u", static_cast<unsigned>(fileSize));
            log->LogError("File too large");
            log->LogData("filename", name);
            log->LogData("filesize", sizeText);
        }
        return false;
    }
    int size = static_cast<int>(fileSize);

    int handle = FileSys::OpenForRead(name, log);
    if (handle == FileSys::kInvalidHandle) {
        if (log != nullptr) {
            log->LogError("Failed to read data from file");
            log->LogData("filename", name);
        }
        return false;
    }
    std::unique_ptr<char[]> raw(new char[static_cast<size_t>(size) + 1]);
    int received = size > 0 ? FileSys::ReadFromHandle(handle, raw.get(), size) : 0;
    FileSys::CloseHandle(handle);
    if (received < 0) {
        if (log != nullptr) {
            log->LogError("Failed to read data from file");
            log->LogData("filename", name);
        }
        return false;
    }
    if (received != size) {
        if (log != nullptr) {
            log->LogError("Failed to read the entire file");
            log->LogData("filename", name);
            log->LogDataLong("filesize", size);
            log->LogDataLong("bytes_received", received);
        }
        return false;
    }

    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(raw.get());
    bool littleEndian = size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    bool bigEndian = size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    if (littleEndian || bigEndian) {
        DataBuffer converted;
        EncodingConvert conv;
        // A broken surrogate pair becomes U+FFFD rather than vanishing from the text.
        conv.setErrorAction(EncodingConvert::kWriteSubstitute);
        conv.setSubstitute("\xEF\xBF\xBD", 3);
        conv.Convert(bigEndian ? CodePages::kUtf16Be : CodePages::kUtf16Le, CodePages::kUtf8, bytes + 2,
                     static_cast<unsigned>(size - 2), converted, log);
        if (converted.getSize() > static_cast<uint32_t>(kMaxLength)) {
            if (log != nullptr) {
                log->LogError("File too large");
                log->LogData("filename", name);
                log->LogDataLong("filesize", size);
            }
            return false;
        }
        clear();
        appendDb(converted);
        return true;
    }
    int skip = (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) ? 3 : 0;
    if (skip > 0)
        std::memmove(raw.get(), raw.get() + skip, static_cast<size_t>(size - skip));
    raw[size - skip] = 0;
    replaceText(raw.release(), size + 1, size - skip);
    return true;
}

// ---- DataBuffer ----

bool DataBuffer::utf16ToUtf8(StringBuffer& out) const {
    checkAlive(this);
    out.clear();
    uint32_t n = m_size & ~1u;
    if (n >= 2 && m_data[n - 2] == 0 && m_data[n - 1] == 0)
        n -= 2;
    if (n == 0)
        return true;
    DataBuffer converted;
    EncodingConvert conv;
    bool ok = conv.Convert(CodePages::kUtf16Le, CodePages::kUtf8, m_data, n, converted);
    out.appendN(converted.getData(), static_cast<int>(converted.getSize()));
    return ok;
}

// ---- ContentCoding ----

namespace {

constexpr int kMaxWordLength = 4096;

// One encoded word starting at text[pos] ("=?"): its end (one past "?=") and its decoded
// UTF-8 text, or false when the word is malformed.
bool decodeOneWord(const ContentCoding& coding, const char* text, int length, int pos, int& end,
                   StringBuffer& decoded) {
    int charsetStart = pos + 2;
    int q1 = charsetStart;
    while (q1 < length && text[q1] != '?' && text[q1] != ' ')
        ++q1;
    if (q1 >= length - 2 || text[q1] != '?' || q1 == charsetStart || text[q1 + 2] != '?')
        return false;
    char kind = text[q1 + 1];
    int dataStart = q1 + 3;
    // Words are short; bounding the search keeps text full of unfinished words linear.
    int searchEnd = length - dataStart > kMaxWordLength ? dataStart + kMaxWordLength : length;
    int dataEnd = dataStart;
    while (dataEnd + 1 < searchEnd && !(text[dataEnd] == '?' && text[dataEnd + 1] == '='))
        ++dataEnd;
    if (dataEnd + 1 >= searchEnd)
        return false;
    DataBuffer bytes;
    if (kind == 'B' || kind == 'b') {
        if (!coding.decodeBase64(text + dataStart, static_cast<uint32_t>(dataEnd - dataStart), bytes))
            return false;
    } else if (kind == 'Q' || kind == 'q') {
        StringBuffer qText;
        qText.appendN(text + dataStart, dataEnd - dataStart);
        qText.replaceChar('_', ' ');
        coding.decodeQuotedPrintable(qText.getString(), static_cast<uint32_t>(qText.getSize()), bytes);
    } else {
        return false;
    }
    StringBuffer charset;
    charset.appendN(text + charsetStart, q1 - charsetStart);
    // RFC 2231 allows a language after '*'.
    charset.truncateAtChar('*');
    DataBuffer converted;
    EncodingConvert conv;
    if (bytes.getSize() > 0)
        conv.ConvertFromName(charset.getString(), CodePages::kUtf8, bytes.getData(), bytes.getSize(),
                             converted);
    // A charset the engine does not know converts nothing: the bytes are kept as decoded.
    decoded.appendDb(converted.getSize() > 0 ? converted : bytes);
    end = dataEnd + 2;
    return true;
}

} // namespace

void ContentCoding::decodeEncodedWords(StringBuffer& text) const {
    const char* t = text.getString();
    int length = text.getSize();
    StringBuffer result;
    int pos = 0;
    int pendingBlankStart = -1; // white space that follows a decoded word
    while (pos < length) {
        int end = 0;
        StringBuffer decoded;
        if (t[pos] == '=' && pos + 1 < length && t[pos + 1] == '?' &&
            decodeOneWord(*this, t, length, pos, end, decoded)) {
            result.appendSb(decoded);
            pendingBlankStart = -1;
            pos = end;
            int blanks = pos;
            while (blanks < length &&
                   (t[blanks] == ' ' || t[blanks] == '\t' || t[blanks] == '\r' || t[blanks] == '\n'))
                ++blanks;
            if (blanks + 1 < length && t[blanks] == '=' && t[blanks + 1] == '?') {
                pendingBlankStart = pos;
                pos = blanks;
            }
            continue;
        }
        if (pendingBlankStart >= 0) {
            // The next word turned out malformed: the white space stays.
            result.appendN(t + pendingBlankStart, pos - pendingBlankStart);
        }
        pendingBlankStart = -1;
        result.appendChar(t[pos]);
        ++pos;
    }
    text.setSb(result);
}

// ---- Case folding in a code page ----

namespace {

using FoldTable = std::array<unsigned char, 256>;

// The folding of every byte of a single-byte code page: each byte from 0x80 on is decoded, its
// character lower-cased and encoded back; a lower-case form outside the page leaves the byte.
FoldTable makeFoldTable(unsigned codePage) {
    FoldTable table{};
    for (unsigned b = 0; b < 256; ++b)
        table[b] = static_cast<unsigned char>(b < 0x80 ? lowerCodePoint(b) : b);
    EncodingConvert convert;
    for (unsigned b = 0x80; b < 256; ++b) {
        auto byte = static_cast<unsigned char>(b);
        DataBuffer utf8;
        if (!convert.Convert(codePage, CodePages::kUtf8, &byte, 1, utf8) || utf8.getSize() == 0)
            continue;
        char32_t c;
        int n = static_cast<int>(utf8.getSize());
        if (decodeUtf8(utf8.getData(), n, c) != n)
            continue;
        char32_t lower = lowerCodePoint(c);
        if (lower == c)
            continue;
        StringBuffer lowerText;
        appendUtf8(lowerText, lower);
        DataBuffer back;
        if (convert.Convert(CodePages::kUtf8, codePage,
                            reinterpret_cast<const unsigned char*>(lowerText.getString()),
                            static_cast<unsigned>(lowerText.getSize()), back) &&
            back.getSize() == 1)
            table[b] = back.getData()[0];
    }
    return table;
}

// The tables are built once per code page, on first use, and only read afterwards.
const FoldTable& foldTable(unsigned codePage) {
    static std::mutex lock;
    static std::map<unsigned, FoldTable> tables;
    std::lock_guard<std::mutex> guard(lock);
    auto it = tables.find(codePage);
    if (it == tables.end())
        it = tables.emplace(codePage, makeFoldTable(codePage)).first;
    return it->second;
}

} // namespace

unsigned char lowerByteInCodePage(unsigned char c, unsigned codePage) {
    return foldTable(codePage)[c];
}

void lowerInCodePage(StringBuffer& text, unsigned codePage) {
    if (codePage == CodePages::kUtf8) {
        lowerUtf8(text);
        return;
    }
    if (text.is7bit()) {
        text.toLowerCase();
        return;
    }
    text.mapBytes(foldTable(codePage).data());
}
