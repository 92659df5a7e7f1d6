// MacArabic: the preparation of Mac Arabic text (code page 10004), which is stored in visual
// order, before it is decoded: right-to-left runs are put back into logical order and the
// right-to-left copies of ASCII punctuation and the Arabic-Indic digits become plain ASCII.
#pragma once

#include <cstddef>
#include <cstdint>

class ConvBuffer;

class MacArabic {
public:
    // Appends the prepared copy of the text to `out`.
    static bool toLogicalOrder(const uint8_t* p, std::size_t n, ConvBuffer& out);
    // Whether a byte is written right to left (the table the runs are found with).
    static bool isRightToLeft(uint8_t b);
};
