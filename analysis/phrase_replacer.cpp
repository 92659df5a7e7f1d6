#include "analysis/phrase_replacer.h"

#include "base/cls_string_array.h"
#include "base/string_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

void PhraseReplacer::add(std::string_view find, std::string_view joined) {
    ++m_added;
    if (!find.empty())
        m_pairs.push_back({std::string(find), std::string(joined)});
}

void PhraseReplacer::addTable(const ClsStringArray& table) {
    auto entry = [&table](int i) {
        const char* text = table.GetString(i);
        return text != nullptr ? std::string_view(text) : std::string_view();
    };
    int pairs = table.get_Count() / 2;
    for (int k = 0; k < pairs; ++k)
        add(entry(2 * k), entry(2 * k + 1));
}

void PhraseReplacer::index() {
    size_t shortest = SIZE_MAX;
    for (const Pair& pair : m_pairs) {
        if (pair.find.size() > 1)
            shortest = std::min(shortest, pair.find.size());
    }
    if (shortest != SIZE_MAX) {
        m_gram = std::min<size_t>(4, shortest);
        m_step = shortest - m_gram + 1;
    }
    for (const Pair& pair : m_pairs) {
        if (pair.find.size() > 1) {
            ++m_bucketStart[bucketOf(pair.find) + 1];
            for (size_t offset = 0; offset < m_step; ++offset)
                m_inPhrase.set(gramOf(pair.find.data() + offset));
        }
    }
    for (size_t b = 1; b < m_bucketStart.size(); ++b)
        m_bucketStart[b] += m_bucketStart[b - 1];
    std::array<uint32_t, kBuckets + 1> next = m_bucketStart;
    m_byBucket.resize(m_bucketStart[kBuckets]);
    for (uint32_t i = 0; i < m_pairs.size(); ++i) {
        if (m_pairs[i].find.size() > 1)
            m_byBucket[next[bucketOf(m_pairs[i].find)]++] = i;
        else
            m_oneByte.push_back(i);
    }
}

void PhraseReplacer::replaceIn(StringBuffer& work) const {
    std::vector<char> due(m_pairs.size(), 0);
    markPresent(std::string_view(work.getString(), static_cast<size_t>(work.getSize())), due);
    for (size_t i = 0; i < m_pairs.size(); ++i) {
        if (!due[i] || work.replaceAll(m_pairs[i].find.c_str(), m_pairs[i].joined.c_str()) == 0)
            continue;
        for (size_t j = i + 1; j < m_pairs.size(); ++j)
            due[j] = due[j] || mayCreate(m_pairs[i].joined, m_pairs[j].find);
    }
}

bool PhraseReplacer::mayCreate(std::string_view inserted, std::string_view find) {
    if (inserted.empty())
        return true;
    auto overlapAgrees = [&](size_t insertedFrom, size_t findFrom) {
        size_t n = std::min(inserted.size() - insertedFrom, find.size() - findFrom);
        return inserted.substr(insertedFrom, n) == find.substr(findFrom, n);
    };
    for (size_t i = 0; i < inserted.size(); ++i) {
        if (overlapAgrees(i, 0))
            return true;
    }
    for (size_t f = 1; f < find.size(); ++f) {
        if (overlapAgrees(0, f))
            return true;
    }
    return false;
}

void PhraseReplacer::markPresent(std::string_view text, std::vector<char>& present) const {
    for (uint32_t i : m_oneByte)
        present[i] = text.find(m_pairs[i].find[0]) != std::string_view::npos;
    // Every phrase is at least m_gram + m_step - 1 bytes long, so of any m_step places in a row
    // where it may start, one has the gram at its start among m_inPhrase: only every m_step-th
    // place is looked up, and a hit means a look for phrases at the m_step places up to it.
    const char* bytes = text.data();
    const size_t size = text.size();
    const size_t gram = m_gram;
    const size_t step = m_step;
    for (size_t at = 0; at + gram <= size; at += step) {
        if (!m_inPhrase[gramOf(bytes + at)])
            continue;
        for (size_t start = at + 1 > step ? at + 1 - step : 0; start <= at; ++start) {
            uint32_t bucket = bucketOf(text.substr(start, 2));
            for (uint32_t s = m_bucketStart[bucket]; s < m_bucketStart[bucket + 1]; ++s) {
                uint32_t i = m_byBucket[s];
                const std::string& find = m_pairs[i].find;
                // The last byte is compared first: most candidates of a bucket differ there.
                if (present[i] || find.size() > size - start || bytes[start + find.size() - 1] != find.back())
                    continue;
                present[i] = std::memcmp(bytes + start, find.data(), find.size()) == 0;
            }
        }
    }
}
