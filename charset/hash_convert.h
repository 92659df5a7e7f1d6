// HashConvert: the encode table of one code page, from a UTF-16 unit to the byte or byte pair
// that stands for it. Two levels of 256 entries: only the blocks of 256 units that hold a mapping
// have their own row, every other block shares one row of "unmapped". Built once by its code
// page table and read-only afterwards, so any number of threads may look up at the same time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class HashConvert {
public:
    // A lookup result: below 0x100 a single byte, otherwise lead byte << 8 | trail byte.
    static constexpr uint16_t kUnmapped = 0xFFFF;

    HashConvert();

    // Building: the first mapping of a unit wins, later ones are ignored.
    void add(uint16_t unit, uint16_t bytes);
    // Compacts the table; no add() afterwards.
    void finish();

    uint16_t lookup(uint16_t unit) const { return m_rows[unit >> 8][unit & 0xFF]; }

private:
    const uint16_t* m_rows[256];
    std::vector<uint16_t> m_building; // every unit while building, empty afterwards
    std::unique_ptr<uint16_t[]> m_storage;
};
