// HashConvert: built flat, then folded into shared and own rows.
#include "charset/hash_convert.h"

#include <algorithm>

namespace {

constexpr unsigned kRowSize = 256;

const uint16_t* unmappedRow() {
    static const auto row = [] {
        std::unique_ptr<uint16_t[]> r(new uint16_t[kRowSize]);
        std::fill(r.get(), r.get() + kRowSize, HashConvert::kUnmapped);
        return r;
    }();
    return row.get();
}

} // namespace

HashConvert::HashConvert() : m_building(kRowSize * kRowSize, kUnmapped) {
    std::fill(std::begin(m_rows), std::end(m_rows), unmappedRow());
}

void HashConvert::add(uint16_t unit, uint16_t bytes) {
    if (m_building.empty() || bytes == kUnmapped || m_building[unit] != kUnmapped)
        return;
    m_building[unit] = bytes;
}

void HashConvert::finish() {
    unsigned ownRows = 0;
    bool used[kRowSize] = {};
    for (unsigned row = 0; row < kRowSize; ++row) {
        const uint16_t* begin = m_building.data() + row * kRowSize;
        used[row] = std::any_of(begin, begin + kRowSize, [](uint16_t v) { return v != kUnmapped; });
        ownRows += used[row] ? 1 : 0;
    }
    m_storage.reset(new uint16_t[std::max(ownRows, 1u) * kRowSize]);
    uint16_t* next = m_storage.get();
    for (unsigned row = 0; row < kRowSize; ++row) {
        if (!used[row])
            continue;
        std::copy_n(m_building.data() + row * kRowSize, kRowSize, next);
        m_rows[row] = next;
        next += kRowSize;
    }
    std::vector<uint16_t>().swap(m_building);
}
