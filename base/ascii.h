// ASCII character rules for protocol and markup text. Bytes from 0x80 on are never letters,
// digits or blanks here and keep their value under case mapping, whatever the C locale says.
#pragma once

#include <array>
#include <cstddef>

// The blanks between the tokens of a tag or a line: space, TAB, CR and LF.
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

constexpr bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool isAsciiAlnum(char c) {
    return isAsciiLetter(c) || isAsciiDigit(c);
}

constexpr char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr unsigned char lowerAscii(unsigned char c) {
    return static_cast<unsigned char>(lowerAscii(static_cast<char>(c)));
}

// lowerAscii as a table of all 256 bytes, for passes that map a text byte by byte.
inline constexpr std::array<unsigned char, 256> kLowerAsciiTable = [] {
    std::array<unsigned char, 256> table{};
    for (size_t c = 0; c < table.size(); ++c)
        table[c] = lowerAscii(static_cast<unsigned char>(c));
    return table;
}();

constexpr char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The value of a hexadecimal digit of either case, or -1.
constexpr int hexDigitValue(char c) {
    return isAsciiDigit(c)        ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

// The standard Base64 alphabet (RFC 4648), in the order of the values its characters stand for.
inline constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of a character of the standard Base64 alphabet, or -1.
constexpr int base64DigitValue(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (isAsciiDigit(c))
        return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

// Whether `needle` occurs in `text`, ASCII case ignored. An empty needle occurs in every text,
// the empty one too, as with strstr.
bool containsNoCase(const char* text, const char* needle);
