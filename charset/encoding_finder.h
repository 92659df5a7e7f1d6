// EncodingFinder: the encoding a fetched page is read in, found as browsers find it, and the
// decoding of the page into UTF-8 text. Order: a byte-order mark, the HTTP charset, the META
// declarations of the first KiB, the XML declaration; a page declaring nothing is UTF-8 when
// its bytes are valid UTF-8, otherwise the detector's guess, otherwise windows-1252.
#pragma once

#include "base/string_buffer.h"

#include <cstddef>

// How a page is to be read, and the declaration that said so.
struct PageEncoding {
    // The code page the page is decoded from.
    unsigned codePage = 0;
    // The label that decided it, lower-cased and trimmed of blanks and quotes ("utf-8",
    // "utf-16le"... for a byte-order mark); empty when nothing was declared.
    StringBuffer label;

    void clear() {
        codePage = 0;
        label.clear();
    }
};

class EncodingFinder {
public:
    // Finds the encoding of `size` bytes of a page whose HTTP charset parameter is `httpCharset`
    // (null or empty when the header has none). Labels the library cannot decode count as absent.
    static void find(const unsigned char* body, std::size_t size, const char* httpCharset, PageEncoding& out);

    // The charset the META tags in the first kEncodingPrescanBytes of a page declare, read as
    // the HTML standard's prescan reads it: comments skipped, attributes in any quoting,
    // `<meta charset>` or the http-equiv Content-Type form. False, `label` unchanged, when none
    // of them names one.
    static bool prescan(const unsigned char* p, std::size_t n, StringBuffer& label);

    // The encoding named by the XML declaration that opens `p`; false when there is none.
    static bool xmlDeclaration(const unsigned char* p, std::size_t n, StringBuffer& label);

    // Replaces `out` with the page decoded from `codePage` into UTF-8: a byte-order mark is
    // dropped, every invalid sequence and every NUL becomes U+FFFD, so the text is valid UTF-8
    // and no embedded 0 byte cuts it short.
    static void decode(const unsigned char* body, std::size_t size, unsigned codePage, StringBuffer& out);

    // True when `n` bytes at `p` are well-formed UTF-8.
    static bool isValidUtf8(const unsigned char* p, std::size_t n);
};
