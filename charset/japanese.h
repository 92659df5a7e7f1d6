// Japanese: the ISO-2022-JP codec (RFC 1468 and the Windows variants 50220 to 50222), between
// the escape-sequence form and Shift-JIS (code page 932). Stateless between calls: every text
// starts and ends in ASCII.
#pragma once

#include <cstddef>
#include <cstdint>

class ConvBuffer;

class Japanese {
public:
    // ISO-2022-JP to Shift-JIS. Understands ESC ( B, ESC ( J, ESC ( H (ASCII and JIS Roman),
    // ESC ( I and SO/SI (half-width katakana), ESC $ @, ESC $ B and ESC & @ (JIS X 0208) and
    // ESC $ ( D (JIS X 0212, which Shift-JIS cannot hold: those characters are dropped and the
    // answer is false). Other bytes, 8-bit ones included, are copied unchanged.
    static bool toShiftJis(const uint8_t* p, std::size_t n, ConvBuffer& out);
    // Shift-JIS to ISO-2022-JP. Half-width katakana follow the code page: 50220 writes their
    // full-width forms, 50221 uses ESC ( I, 50222 SO and SI. Pairs with a lead byte from 0xF0
    // (user-defined and IBM rows) have no JIS form: they are dropped, answering false. Bytes that
    // are no Shift-JIS character are copied unchanged.
    static bool fromShiftJis(unsigned codePage, const uint8_t* p, std::size_t n, ConvBuffer& out);
};
