#include "analysis/geo_key_matcher.h"

#include "base/ascii.h"
#include "base/cls_string_array.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kAbsent = UINT32_MAX;

// The key of pair k (entry 2k, always present for k below numPairs).
const char* keyOf(const ClsStringArray& table, int pair) {
    const char* key = table.GetString(2 * pair);
    return key != nullptr ? key : "";
}

int numPairs(const ClsStringArray& table) {
    return (table.get_Count() + 1) / 2;
}

// Whether [p, p + n) is n digits.
bool areDigits(const char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (!isAsciiDigit(p[i]))
            return false;
    }
    return true;
}

} // namespace

bool isAreaCodeKey(const char* key) {
    size_t n = std::strlen(key);
    if (n == 5 && key[0] == '(' && key[4] == ')')
        return areDigits(key + 1, 3);
    if (n == 5 && key[0] == ' ' && (key[4] == '.' || key[4] == '-'))
        return areDigits(key + 1, 3);
    return n == 7 && std::strncmp(key, " 1.", 3) == 0 && key[6] == '.' && areDigits(key + 3, 3);
}

bool followedByPhoneNumber(const char* p, const char* end) {
    // "(229) 555-1234": a blank may stand between the area code and the rest.
    if (p < end && *p == ' ')
        ++p;
    if (end - p < 8 || !areDigits(p, 3) || (p[3] != '.' && p[3] != '-' && p[3] != ' ') ||
        !areDigits(p + 4, 4))
        return false;
    return p + 8 == end || !isAsciiDigit(p[8]);
}

namespace {

// Whether `key` occurs in [text, end) where it counts: anywhere, or for an area-code key only
// before a telephone number's remaining digits.
bool occursWhereItCounts(const char* text, const char* end, const char* key) {
    if (!isAreaCodeKey(key))
        return std::strstr(text, key) != nullptr;
    size_t n = std::strlen(key);
    for (const char* at = text; (at = std::strstr(at, key)) != nullptr; ++at) {
        if (followedByPhoneNumber(at + n, end))
            return true;
    }
    return false;
}

} // namespace

GeoKeyMatcher::GeoKeyMatcher(const ClsStringArray& table, size_t maxTransitions)
    : m_numKeys(numPairs(table)) {
    assignByteClasses(table);
    if (!buildTrie(table, maxTransitions))
        return;
    linkFailures();
    markKeyEnds();
    m_built = true;
}

void GeoKeyMatcher::assignByteClasses(const ClsStringArray& table) {
    for (int k = 0; k < m_numKeys; ++k) {
        for (const char* p = keyOf(table, k); *p != '\0'; ++p) {
            uint8_t& cls = m_classOf[static_cast<unsigned char>(*p)];
            if (cls == 0)
                cls = static_cast<uint8_t>(m_numClasses++);
        }
    }
}

bool GeoKeyMatcher::buildTrie(const ClsStringArray& table, size_t maxTransitions) {
    // Row offsets must stay below the marker bit, whatever the caller allows.
    maxTransitions = std::min<size_t>(maxTransitions, kRowMask);
    m_next.assign(m_numClasses, kAbsent);
    m_lowestKeyAt.assign(1, kNoKey);
    m_lowestAreaKeyAt.assign(1, kNoKey);
    for (int k = 0; k < m_numKeys; ++k) {
        uint32_t state = 0;
        const char* key = keyOf(table, k);
        m_longestKey = std::max(m_longestKey, std::strlen(key));
        for (const char* p = key; *p != '\0'; ++p) {
            size_t slot = at(state, m_classOf[static_cast<unsigned char>(*p)]);
            if (m_next[slot] == kAbsent) {
                if (m_next.size() + m_numClasses > maxTransitions) {
                    m_next = {};
                    m_lowestKeyAt = {};
                    m_lowestAreaKeyAt = {};
                    return false;
                }
                m_next[slot] = static_cast<uint32_t>(m_lowestKeyAt.size());
                m_lowestKeyAt.push_back(kNoKey);
                m_lowestAreaKeyAt.push_back(kNoKey);
                m_next.resize(m_next.size() + m_numClasses, kAbsent);
            }
            state = m_next[slot];
        }
        uint32_t pair = static_cast<uint32_t>(k);
        std::vector<uint32_t>& lowest = isAreaCodeKey(key) ? m_lowestAreaKeyAt : m_lowestKeyAt;
        lowest[state] = std::min(lowest[state], pair);
        m_lowestKey = std::min(m_lowestKey, pair);
    }
    return true;
}

// Breadth first, so that a state's failure state (always shallower) is complete before the state
// itself: missing transitions take the failure state's, and each state inherits the lowest keys of
// its failure state, which stand for the keys that are proper suffixes of its own text. (All
// area-code keys ending at one point of the text ask the same of the text after it.)
void GeoKeyMatcher::linkFailures() {
    std::vector<uint32_t> failure(m_lowestKeyAt.size(), 0);
    std::vector<uint32_t> queue;
    queue.reserve(m_lowestKeyAt.size());
    for (uint32_t cls = 0; cls < m_numClasses; ++cls) {
        uint32_t& child = m_next[at(0, cls)];
        if (child == kAbsent)
            child = 0;
        else
            queue.push_back(child);
    }
    for (size_t head = 0; head < queue.size(); ++head) {
        uint32_t state = queue[head];
        uint32_t fail = failure[state];
        m_lowestKeyAt[state] = std::min(m_lowestKeyAt[state], m_lowestKeyAt[fail]);
        m_lowestAreaKeyAt[state] = std::min(m_lowestAreaKeyAt[state], m_lowestAreaKeyAt[fail]);
        for (uint32_t cls = 0; cls < m_numClasses; ++cls) {
            uint32_t& child = m_next[at(state, cls)];
            uint32_t viaFailure = m_next[at(fail, cls)];
            if (child == kAbsent) {
                child = viaFailure;
            } else {
                failure[child] = viaFailure;
                queue.push_back(child);
            }
        }
    }
}

void GeoKeyMatcher::markKeyEnds() {
    for (uint32_t& target : m_next)
        target = static_cast<uint32_t>(at(target, 0)) |
                 (m_lowestKeyAt[target] != kNoKey || m_lowestAreaKeyAt[target] != kNoKey ? kKeyEnds : 0);
}

inline uint32_t GeoKeyMatcher::step(uint32_t row, const unsigned char* p, const unsigned char* textEnd,
                                    uint32_t& best) const {
    uint32_t target = m_next[row + m_classOf[*p]];
    row = target & kRowMask;
    if ((target & kKeyEnds) != 0) {
        uint32_t state = row / m_numClasses;
        best = std::min(best, m_lowestKeyAt[state]);
        if (m_lowestAreaKeyAt[state] < best && followedByPhoneNumber(reinterpret_cast<const char*>(p + 1),
                                                                     reinterpret_cast<const char*>(textEnd)))
            best = m_lowestAreaKeyAt[state];
    }
    return row;
}

void GeoKeyMatcher::scanFrom(uint32_t row, const unsigned char* p, const unsigned char* end,
                             const unsigned char* textEnd, uint32_t& best) const {
    for (; p < end && best != m_lowestKey; ++p)
        row = step(row, p, textEnd, best);
}

// Each step waits for the table read of the step before, so one pass over a text leaves the
// processor mostly idle. The text is cut into kStreams pieces that overlap by one byte less than
// the longest key, so that every occurrence of a key lies whole within some piece, and the pieces
// are scanned side by side. All pieces but the last are `length` long; the last one is the
// shortest and ends with the text.
void GeoKeyMatcher::scanInterleaved(const unsigned char* p, size_t n, size_t overlap, uint32_t& best) const {
    size_t length = (n + (kStreams - 1) * overlap + kStreams - 1) / kStreams;
    const unsigned char* start[kStreams];
    uint32_t row[kStreams] = {};
    for (size_t i = 0; i < kStreams; ++i)
        start[i] = p + i * (length - overlap);
    size_t common = static_cast<size_t>(p + n - start[kStreams - 1]);
    for (size_t j = 0; j < common && best != m_lowestKey; ++j) {
        for (size_t i = 0; i < kStreams; ++i)
            row[i] = step(row[i], start[i] + j, p + n, best);
    }
    for (size_t i = 0; i + 1 < kStreams; ++i)
        scanFrom(row[i], start[i] + common, start[i] + length, p + n, best);
}

int GeoKeyMatcher::firstMatchingPair(const char* text) const {
    if (!m_built || m_numKeys == 0 || text == nullptr)
        return -1;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t n = std::strlen(text);
    // The root has a key only when a key is empty; it occurs in every text.
    uint32_t best = m_lowestKeyAt[0];
    size_t overlap = m_longestKey > 0 ? m_longestKey - 1 : 0;
    if (n < kStreams * (overlap + kMinStreamLength))
        scanFrom(0, p, p + n, p + n, best);
    else
        scanInterleaved(p, n, overlap, best);
    return best == kNoKey ? -1 : static_cast<int>(best);
}

int scanGeoKeysInOrder(const ClsStringArray& table, const char* text) {
    if (text == nullptr)
        return -1;
    const char* end = text + std::strlen(text);
    int pairs = numPairs(table);
    for (int k = 0; k < pairs; ++k) {
        if (occursWhereItCounts(text, end, keyOf(table, k)))
            return k;
    }
    return -1;
}
