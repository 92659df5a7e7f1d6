// MacArabic: run reversal and the move of the right-to-left punctuation into ASCII.
#include "charset/mac_arabic.h"

#include "charset/conv_buffer.h"

#include <algorithm>
#include <array>

namespace {

// The right-to-left bytes of Mac Arabic: the no-break space 0x81, and 0xA0 to 0xFF except the
// Arabic-Indic digits 0xB0 to 0xB9. That is the right-to-left space and punctuation of 0xA0 to
// 0xAF, 0xBA to 0xC0 (colon, Arabic semicolon, < = >, Arabic question mark, the ornament), the
// letters, tatweel and vowel marks 0xC1 to 0xFA, and the brackets and letters 0xFB to 0xFF. The
// digits are left out because numbers read left to right even in Arabic text, so a visual-order
// number is already in logical order.
constexpr std::array<bool, 256> makeRightToLeft() {
    std::array<bool, 256> table{};
    table[0x81] = true;
    for (unsigned b = 0xA0; b <= 0xFF; ++b)
        table[b] = b < 0xB0 || b > 0xB9;
    return table;
}

constexpr std::array<bool, 256> kRightToLeft = makeRightToLeft();

// After reordering: right-to-left copies of ASCII characters (and the digits) move down into
// ASCII, and the right-to-left no-break space takes the place of the right-to-left space.
uint8_t remapped(uint8_t b) {
    bool toAscii = (b >= 0xB0 && b <= 0xB9) || (b >= 0xA0 && b <= 0xAF && b != 0xAC && b != 0xA5) || b == 0xBA ||
                   (b >= 0xBC && b <= 0xBE) || (b >= 0xDB && b <= 0xDF) || (b >= 0xFB && b <= 0xFD);
    if (toAscii)
        return static_cast<uint8_t>(b - 0x80);
    return b == 0x81 ? 0xA0 : b;
}

} // namespace

bool MacArabic::isRightToLeft(uint8_t b) {
    return kRightToLeft[b];
}

bool MacArabic::toLogicalOrder(const uint8_t* p, std::size_t n, ConvBuffer& out) {
    if (!out.append(p, n))
        return false;
    uint8_t* text = out.end() - n;
    std::size_t i = 0;
    while (i < n) {
        if (!kRightToLeft[text[i]]) {
            ++i;
            continue;
        }
        std::size_t runEnd = i;
        while (runEnd < n && kRightToLeft[text[runEnd]])
            ++runEnd;
        if (runEnd - i >= 2)
            std::reverse(text + i, text + runEnd);
        i = runEnd;
    }
    std::transform(text, text + n, text, remapped);
    return true;
}
