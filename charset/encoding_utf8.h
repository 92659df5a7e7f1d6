// EncodingUtf8: the UTF-8 codec, between UTF-8 and UTF-16LE, and the widening and narrowing of
// UTF-32 (either byte order), which always goes through UTF-8. Stateless; every function may be
// called from any thread. Unconvertible input goes to the caller's UnmappableHandler.
#pragma once

#include <cstddef>
#include <cstdint>

class ConvBuffer;
class UnmappableHandler;

class EncodingUtf8 {
public:
    // UTF-8 to UTF-16LE. A byte that does not begin a well-formed sequence (shortest form, no
    // surrogates, at most U+10FFFF) is one unmappable unit; decoding goes on with the next byte.
    static bool decodeToUtf16(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler);
    // UTF-16LE to UTF-8. An unpaired surrogate is an unmappable unit, as is a byte left over
    // from an odd length; markers go to the handler when it passes them.
    static bool encodeFromUtf16(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler);

    // UTF-32 to UTF-8. A value that is no scalar value (a surrogate or beyond U+10FFFF) and
    // bytes left over from a length that is no multiple of four are dropped, answering false.
    static bool fromUtf32(const uint8_t* p, std::size_t n, bool bigEndian, ConvBuffer& out);
    // UTF-8 to UTF-32. A byte that begins no well-formed sequence is widened to its own value,
    // so raw bytes that an error action left in the text survive.
    static bool toUtf32(const uint8_t* p, std::size_t n, bool bigEndian, ConvBuffer& out);

    // The length of the well-formed sequence at p (1 to 4) and its code point, or 0.
    static unsigned sequenceAt(const uint8_t* p, std::size_t avail, uint32_t& codePoint);
    // Writes the UTF-8 form of a scalar value at w and answers its length.
    static unsigned put(uint32_t codePoint, uint8_t* w);
};
