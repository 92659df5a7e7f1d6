// ContentCoding: the Base64 and quoted-printable codec, with the RFC 2047 encoded words and the
// header folding that MIME headers use. Stateless apart from the line length of encoded text,
// so one object can serve any number of calls. Decoders answer false on malformed input and
// then leave their output as it was.
#pragma once

#include "base/zelcora_object.h"

#include <cstdint>

class DataBuffer;
class StringBuffer;

class ContentCoding : public ZelcoraObject {
public:
    ContentCoding() = default;

    // Encoded Base64 and quoted-printable text is broken into lines of at most this many
    // characters, ended by CR LF; 0 (the default) writes one line.
    void setLineLength(int n) { m_lineLength = n < 0 ? 0 : n; }
    int getLineLength() const { return m_lineLength; }

    // Base64 (standard alphabet, '=' padding), appended to `out`.
    bool encodeBase64(const void* bytes, uint32_t n, StringBuffer& out) const;
    // Decodes up to `n` bytes of `text`, appending to `out`. Blanks, TAB, CR and LF are skipped;
    // decoding stops at the first '=' or NUL; any other byte outside the alphabet fails the whole
    // decode. The output is followed by a NUL byte that is not counted in its size.
    bool decodeBase64(const char* text, uint32_t n, DataBuffer& out) const;

    // Quoted-printable (RFC 2045). CR LF pairs stay line breaks; a blank before a line break is
    // encoded. Decoding removes soft line breaks and keeps an '=' that starts no escape as it is.
    bool encodeQuotedPrintable(const void* bytes, uint32_t n, StringBuffer& out) const;
    bool decodeQuotedPrintable(const char* text, uint32_t n, DataBuffer& out) const;

    // RFC 2047 encoded words: "=?charset?B?...?=" and "=?charset?Q?...?=", appended to `out`.
    bool encodeWordB(const void* bytes, uint32_t n, const char* charset, StringBuffer& out) const;
    bool encodeWordQ(const void* bytes, uint32_t n, const char* charset, StringBuffer& out) const;
    // Replaces `text` by itself with every encoded word decoded and converted from its charset
    // to UTF-8 (a charset the engine does not know leaves the decoded bytes as they are). White
    // space between two adjacent encoded words is dropped. A malformed word stays as written.
    // Defined in the charset library, beside the engine it uses.
    void decodeEncodedWords(StringBuffer& text) const;

    // Appends `value` to `out` with a "\r\n\t" fold after the last blank that keeps a line
    // within `maxLine` bytes; a run without blanks is never broken. The folds are what a MIME
    // reader removes again, so unfolding gives back `value`.
    static void foldHeader(const char* value, int maxLine, StringBuffer& out);

    // The number of bytes the Base64 encoding of `n` bytes takes with the current line length.
    uint32_t encodedLength(uint32_t n) const;

private:
    int m_lineLength = 0;
};
