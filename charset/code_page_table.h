// CodePageTable: the decode and encode tables of one table-driven code page, and the codec that
// runs on them. The tables come from the C library's iconv: a code page's tables are built on
// its first use, once (std::call_once), by asking iconv for every byte and, for double-byte code
// pages, every lead and trail byte pair; the encode table is their inverse. Afterwards they are
// read-only and shared by every conversion in every thread; they live until the process ends.
// A table-driven code page iconv cannot supply has no table, and converting from or to it fails.
#pragma once

#include "charset/hash_convert.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class ConvBuffer;
class UnmappableHandler;

class CodePageTable {
public:
    // The table of a code page, built on first use; null when the code page is not table-driven
    // or iconv cannot supply it.
    static const CodePageTable* Get(unsigned codePage);
    // Whether the code page is one of the table-driven code pages, whether or not iconv has it.
    static bool IsTableDriven(unsigned codePage);
    // The iconv name a table-driven code page is built from, or null when iconv lacks it.
    static const char* IconvName(unsigned codePage);
    // The table-driven code pages, for callers that list them.
    static unsigned NumTableDriven();
    static unsigned TableDrivenAt(unsigned index);

    unsigned codePage() const { return m_codePage; }
    bool canDecode() const { return m_canDecode; }
    bool isDoubleByte() const { return m_doubleByte; }
    // Bytes below 0x80 decode to themselves, whatever the byte entries say.
    bool asciiLowerHalf() const { return m_asciiLowerHalf; }

    // Appends the UTF-16LE text of the bytes; unmappable bytes (or pairs) go to `handler`.
    // True when every byte was mapped.
    bool decode(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler) const;
    // Appends the bytes of the UTF-16LE text; unmappable units go to `handler`, and markers to
    // it as well when it passes them. True when every unit was mapped.
    bool encode(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler) const;
    // The byte or byte pair of one unit (HashConvert::kUnmapped when there is none).
    uint16_t encodeUnit(uint16_t unit) const { return m_encoder.lookup(unit); }

    // Single-byte entries: a UTF-16 unit, or one of these.
    static constexpr uint16_t kUnmapped = 0xFFFF;
    static constexpr uint16_t kLeadByte = 0xFFFE;
    uint16_t byteEntry(uint8_t b) const { return m_single[b]; }
    // The unit of a pair whose first byte is a lead byte (kUnmapped when the pair has none).
    uint16_t pairEntry(uint8_t lead, uint8_t trail) const { return m_leadRows[lead][trail]; }

    CodePageTable(const CodePageTable&) = delete;
    CodePageTable& operator=(const CodePageTable&) = delete;

    // One entry of the registry of table-driven code pages.
    struct Layout;

private:
    CodePageTable(unsigned codePage, bool doubleByte, bool canDecode);
    static std::unique_ptr<CodePageTable> Build(const Layout& layout);

    bool readSingleBytes(void* cd);
    bool readPairs(void* cd);
    void buildEncoder();
    bool decodeDoubleByte(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler) const;

    unsigned m_codePage;
    bool m_doubleByte;
    bool m_canDecode;
    bool m_asciiLowerHalf = false;
    uint16_t m_single[256];
    const uint16_t* m_leadRows[256];
    bool m_isTrail[256] = {};
    std::unique_ptr<uint16_t[]> m_pairStorage;
    HashConvert m_encoder;
};
