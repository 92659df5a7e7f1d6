// GeoKeyMatcher: finds, in one pass over a page text, the first pair of the geographic pattern
// table whose key occurs in the text, "first" meaning lowest in table order. The table's order is
// its priority (telephone and postal patterns before bare names), and the plain definition of the
// lookup is a scan of the keys in that order with one substring search each (scanGeoKeysInOrder
// below); the matcher answers exactly what that scan answers, in time that grows with the text
// and not with the table.
//
// An area-code key ("(229)", " 229.", " 229-", " 1.229.") counts only where a telephone number's
// remaining digits follow it, so that prices ("$ 229.99") and version numbers ("1.229.3") name no
// place; every other key counts wherever it occurs.
//
// It is an Aho-Corasick automaton over the keys (entries 0, 2, 4, ... of the table, section
// titles included), stored as a full transition table over the classes of bytes that occur in
// some key, so a step costs one table read per text byte. For the shipped table (about 5000
// states, 69 byte classes) the table takes about 1.4 MB. Built from an analyzer's `geoTable` (see
// prepareGeoLookup in geo_location.h) and read-only afterwards, so the crawler builds it once and
// every worker's analyzer reads that one copy at the same time.
// The dead-page phrases (dead_page.cpp) are found the same way, as the keys of a table of their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class ClsStringArray;

class GeoKeyMatcher {
public:
    // The bound on the transition table: 16 Mi entries (64 MB), some fifty times what the shipped
    // table needs.
    static constexpr size_t kMaxTransitions = size_t{1} << 24;

    // Builds the automaton over the keys of a pattern/value table: entry 2k is the key of pair k.
    // A table with an odd number of entries has a last key without a value; it takes part too.
    // A table whose automaton would pass `maxTransitions` gets none (isBuilt() false).
    explicit GeoKeyMatcher(const ClsStringArray& table, size_t maxTransitions = kMaxTransitions);

    // Whether the automaton exists; without it the caller scans the table itself.
    bool isBuilt() const { return m_built; }
    // The index k of the lowest pair whose key occurs in `text` (up to its first NUL), or -1.
    // Only for a built automaton.
    int firstMatchingPair(const char* text) const;

    // The number of keys of the table it was made for.
    int numKeys() const { return m_numKeys; }

private:
    static constexpr uint32_t kNoKey = UINT32_MAX;
    // In the final transition table: the bit that marks a target state at which some key ends,
    // beside the target's row offset.
    static constexpr uint32_t kKeyEnds = 0x80000000u;
    static constexpr uint32_t kRowMask = ~kKeyEnds;
    // Texts long enough are scanned as this many pieces side by side (scanInterleaved).
    static constexpr size_t kStreams = 4;
    static constexpr size_t kMinStreamLength = 64;

    // Index of the transition from `state` on byte class `cls`.
    size_t at(uint32_t state, uint32_t cls) const { return static_cast<size_t>(state) * m_numClasses + cls; }
    void assignByteClasses(const ClsStringArray& table);
    // False, leaving no table, when the automaton would pass `maxTransitions`.
    bool buildTrie(const ClsStringArray& table, size_t maxTransitions);
    void linkFailures();
    void markKeyEnds();
    // One step from row offset `row` on the byte at `p` of a text ending at `textEnd`: the new row
    // offset; lowers `best` when a key ends there (an area-code key only before a telephone number).
    uint32_t step(uint32_t row, const unsigned char* p, const unsigned char* textEnd, uint32_t& best) const;
    // Runs the automaton from row offset `row` over [p, end) of a text ending at `textEnd`, lowering
    // `best`.
    void scanFrom(uint32_t row, const unsigned char* p, const unsigned char* end,
                  const unsigned char* textEnd, uint32_t& best) const;
    void scanInterleaved(const unsigned char* p, size_t n, size_t overlap, uint32_t& best) const;

    // Byte to class; class 0 stands for every byte that occurs in no key.
    std::array<uint8_t, 256> m_classOf{};
    uint32_t m_numClasses = 1;
    // The transition table, one row of m_numClasses entries per state; state 0 is the root. While
    // it is built an entry is a state number; finally it is the target's row offset (state number
    // times m_numClasses), with kKeyEnds set when the target has a key, so a step needs neither a
    // multiplication nor a second table read.
    std::vector<uint32_t> m_next;
    // Per state: the lowest pair index among the keys that end at this point of the text, that is
    // the state's own key and the keys that are suffixes of it; kNoKey when there is none.
    std::vector<uint32_t> m_lowestKeyAt;
    // The same for the area-code keys, which count only where a telephone number follows.
    std::vector<uint32_t> m_lowestAreaKeyAt;
    // The lowest pair index of all keys: once it is found, nothing can beat it.
    uint32_t m_lowestKey = kNoKey;
    size_t m_longestKey = 0;
    int m_numKeys = 0;
    bool m_built = false;
};

// The plain definition of the lookup: for k = 0, 1, ... the first pair whose key is a substring of
// `text`, or -1. The matcher must answer the same (the tests and the benchmark compare the two);
// lookupGeo falls back on it for a table too large for the matcher.
int scanGeoKeysInOrder(const ClsStringArray& table, const char* text);

// Whether a key is a US area code in one of the table's forms: "(229)", " 229.", " 229-", " 1.229.".
bool isAreaCodeKey(const char* key);
// Whether the text from `p` to `end` starts with the rest of a telephone number: an optional
// blank, three digits, a '.', '-' or blank, and four digits not followed by another digit.
bool followedByPhoneNumber(const char* p, const char* end);
