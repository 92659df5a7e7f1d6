// Korean: the ISO-2022-KR codec (RFC 1557), between the 7-bit form and the 8-bit form of
// KS X 1001 in code page 949. Stateless between calls.
#pragma once

#include <cstddef>
#include <cstdint>

class ConvBuffer;

class Korean {
public:
    // ISO-2022-KR to 949. The designation ESC $ ) C is dropped, SO and SI switch between KS X
    // 1001 (pairs of bytes 0x21 to 0x7E, set to 0xA1 to 0xFE) and ASCII, and every line starts in
    // ASCII. A pair cut short by the end is dropped, answering false; other bytes are copied.
    static bool toCode949(const uint8_t* p, std::size_t n, ConvBuffer& out);
    // 949 to ISO-2022-KR: the designation first, then KS X 1001 pairs between SO and SI and every
    // single byte (ASCII, line ends) as it is, outside them; the text ends in ASCII. Pairs of the
    // Unified Hangul extension (outside 0xA1 to 0xFE) have no 7-bit form: they are dropped,
    // answering false. Other bytes are copied unchanged.
    static bool fromCode949(const uint8_t* p, std::size_t n, ConvBuffer& out);
};
