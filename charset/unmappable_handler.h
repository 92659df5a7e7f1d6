// UnmappableHandler: what a codec calls for every unit it cannot convert, and, on the second step
// of a two-step conversion, for the pass-through markers the first step left in the UTF-16 text.
// The conversion engine implements it with its error actions; the codecs themselves only find
// the units. A codec calls it with the unit's bytes as they stand in the codec's input.
#pragma once

#include <cstddef>
#include <cstdint>

class ConvBuffer;

class UnmappableHandler {
public:
    virtual ~UnmappableHandler() = default;

    // Writes whatever stands in place of the unit (one byte, or a byte pair or UTF-16 unit).
    virtual void onUnmappable(const uint8_t* unit, unsigned n, ConvBuffer& out) = 0;

    // Whether the codec's input may hold pass-through markers.
    virtual bool passesMarkers() const { return false; }
    // `p` points at a marker unit with `avail` bytes from there to the end of the input: writes
    // what the marker carries and answers the bytes it took, or 0 when this is no marker.
    virtual std::size_t onMarker(const uint8_t* p, std::size_t avail, ConvBuffer& out) {
        (void)p;
        (void)avail;
        (void)out;
        return 0;
    }
};

// The pass-through marker: the unit U+EFFD, then a kind byte, then the bytes it carries.
namespace PassThrough {
constexpr uint16_t kMarkerUnit = 0xEFFD;
// Kinds 1 to 4: that many bytes, written to the destination unchanged (substitute and raw bytes).
constexpr uint8_t kMaxRawKind = 4;
// Kinds 5 and 6: the numeric reference "&#xHH;" or "&#xHHHH;" of a one- or two-byte unit, in ASCII.
constexpr uint8_t kReferenceToByte = 5;
constexpr uint8_t kReferenceToPair = 6;
} // namespace PassThrough
