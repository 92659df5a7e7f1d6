#include "markup/xml_file_text.h"

#include "base/ascii.h"
#include "base/data_buffer.h"
#include "base/log_base.h"
#include "base/string_buffer.h"
#include "charset/code_page_names.h"
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "markup/xml_serializer.h"

#include <cstring>

namespace {

bool startsWithBytes(const DataBuffer& data, const unsigned char* bytes, uint32_t n) {
    return data.getSize() >= n && std::memcmp(data.getData(), bytes, n) == 0;
}

// Position of "<?xml" in the bytes, ignoring case, or -1. The bytes need not be terminated.
int64_t findDeclaration(const unsigned char* p, uint32_t n) {
    static const char kStart[] = "<?xml";
    const uint32_t len = sizeof(kStart) - 1;
    for (uint32_t i = 0; i + len <= n; ++i) {
        uint32_t k = 0;
        while (k < len && lowerAscii(p[i + k]) == kStart[k])
            ++k;
        if (k == len)
            return i;
    }
    return -1;
}

// The encoding named in the XML declaration ("" when there is none): the declaration without
// its blanks and lower-cased, searched for encoding=" and then encoding='.
void declaredEncoding(const DataBuffer& data, StringBuffer& out) {
    out.clear();
    const unsigned char* p = data.getData();
    int64_t start = findDeclaration(p, data.getSize());
    if (start < 0)
        return;
    const void* close = std::memchr(p + start, '>', data.getSize() - static_cast<uint32_t>(start));
    if (close == nullptr)
        return;
    StringBuffer declaration(p + start,
                             static_cast<int>(static_cast<const unsigned char*>(close) - (p + start)), 0);
    declaration.removeChar(' ');
    declaration.toLowerCase();
    const char* text = declaration.getString();
    char quote = '"';
    const char* name = std::strstr(text, "encoding=\"");
    if (name == nullptr) {
        quote = '\'';
        name = std::strstr(text, "encoding='");
    }
    if (name == nullptr)
        return;
    name += std::strlen("encoding=\"");
    const char* end = std::strchr(name, quote);
    out.appendN(name, static_cast<int>(end != nullptr ? end - name : std::strlen(name)));
}

// Converts `in` from `codePage` to UTF-8 into `out`. A character the code page does not define
// is dropped; the rest of the text still counts.
void convertToUtf8(unsigned codePage, const unsigned char* in, uint32_t n, DataBuffer& out, LogBase* log) {
    EncodingConvert convert;
    if (!convert.Convert(codePage, CodePages::kUtf8, in, n, out, log) && log != nullptr)
        log->LogInfo("Not every character of the file could be converted to utf-8");
}

// A 16- or 32-bit Unicode form: a text in which "<?xml" was found as single bytes is not in
// one, whatever its declaration says.
bool isWideUnicode(unsigned codePage) {
    return codePage == CodePages::kUtf16Le || codePage == CodePages::kUtf16Be ||
           codePage == CodePages::kUtf32Le || codePage == CodePages::kUtf32Be;
}

} // namespace

bool loadXmlFileText(const char* path, LogBase* log, DataBuffer& out) {
    static const unsigned char kUtf16LeMark[] = {0xFF, 0xFE};
    static const unsigned char kUtf16BeMark[] = {0xFE, 0xFF};
    static const unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

    DataBuffer raw;
    if (!raw.loadFile(path, log))
        return false;
    out.clear();

    // 1. A byte-order mark decides.
    if (startsWithBytes(raw, kUtf16LeMark, 2)) {
        convertToUtf8(CodePages::kUtf16Le, raw.getData() + 2, raw.getSize() - 2, out, log);
        return true;
    }
    if (startsWithBytes(raw, kUtf16BeMark, 2)) {
        convertToUtf8(CodePages::kUtf16Be, raw.getData() + 2, raw.getSize() - 2, out, log);
        return true;
    }
    if (startsWithBytes(raw, kUtf8Mark, 3)) {
        raw.removeFromStart(3);
        out.takeFrom(raw);
        return true;
    }

    // 2. Otherwise the declared encoding, when it is known, can be read and is not UTF-8 already.
    StringBuffer encoding;
    declaredEncoding(raw, encoding);
    unsigned codePage = CodePageFromName(encoding.getString());
    if (codePage == 0 || codePage == CodePages::kUtf8 || isWideUnicode(codePage) ||
        !EncodingConvert::CanDecode(codePage)) {
        out.takeFrom(raw);
        return true;
    }
    convertToUtf8(codePage, raw.getData(), raw.getSize(), out, log);
    return true;
}

void correctUnicodeDeclaration(TreeNode* root) {
    StringBuffer encoding;
    if (!getDeclarationEncoding(root, encoding))
        return;
    if (encoding.equalsIgnoreCase("utf-16") || encoding.equalsIgnoreCase("ucs-2") ||
        encoding.equalsIgnoreCase("unicode"))
        setDeclarationEncoding(root, "utf-8");
}
