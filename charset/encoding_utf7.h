// EncodingUtf7: the UTF-7 codec of RFC 2152, between UTF-7 and UTF-16LE. Stateless.
#pragma once

#include <cstddef>
#include <cstdint>

class ConvBuffer;
class UnmappableHandler;

class EncodingUtf7 {
public:
    // UTF-16LE to UTF-7. Letters, digits, the characters '(),-./:? and blank, TAB, CR and LF
    // stand for themselves, "+" is written "+-", and every other unit is written in modified
    // base64 between "+" and "-". A byte left over from an odd length is dropped, answering false.
    static bool encode(const uint8_t* p, std::size_t n, ConvBuffer& out);
    // UTF-7 to UTF-16LE. A byte above 0x7F is an unmappable unit; leftover bits at the end of a
    // base64 run are ignored.
    static bool decode(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler);
};
