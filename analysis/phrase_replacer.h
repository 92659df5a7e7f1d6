// PhraseReplacer: phrase replacements applied in the order they were added, each in the text the
// earlier ones left, as one replaceAll per phrase would. The word vector's boilerplate phrases and
// some 225 place phrases would be that many searches of every page; instead one pass finds the
// phrases the text holds, and only those are replaced, in order. A replacement can make a later
// phrase appear that was not there before (its own text overlaps the inserted one, or an empty
// insertion joins two sides); such phrases are replaced too, so the outcome is exactly that of
// the phrase-by-phrase replacement.
//
// Built once (the crawler builds one at priming and its workers share it) and read-only after
// index(), so threads may use one replacer at once.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ClsStringArray;
class StringBuffer;

class PhraseReplacer {
public:
    // Replaces `find` by `joined`; an empty `find` is no replacement.
    void add(std::string_view find, std::string_view joined);
    // The pairs of a table: entry 2k replaced by entry 2k+1.
    void addTable(const ClsStringArray& table);
    // Once every pair is added, before the first replaceIn.
    void index();
    void replaceIn(StringBuffer& work) const;

    // The number of pairs added, empty phrases included.
    size_t numAdded() const { return m_added; }

private:
    struct Pair {
        std::string find;
        std::string joined;
    };
    static constexpr uint32_t kBuckets = 4096;

    // Whether inserting `inserted` into a text can make `find` occur where it did not.
    static bool mayCreate(std::string_view inserted, std::string_view find);
    // The filter's hash of the first m_gram bytes at `text`; inline, as it runs at every fourth
    // byte of every page.
    size_t gramOf(const char* text) const {
        const auto* p = reinterpret_cast<const unsigned char*>(text);
        if (m_gram == 4)
            return hashGram(uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
        uint32_t bytes = 0;
        for (size_t k = 0; k < m_gram; ++k)
            bytes = bytes << 8 | p[k];
        return hashGram(bytes);
    }
    static size_t hashGram(uint32_t bytes) { return (bytes * 2654435761u) >> 16; }
    static uint32_t bucketOf(std::string_view twoOrMore) {
        return (static_cast<unsigned char>(twoOrMore[0]) * 263u + static_cast<unsigned char>(twoOrMore[1])) %
               kBuckets;
    }
    void markPresent(std::string_view text, std::vector<char>& present) const;

    std::vector<Pair> m_pairs;
    size_t m_added = 0;
    // Phrases of two bytes or more by the bucket of their first two bytes (a counting sort), the
    // few of one byte apart.
    std::vector<uint32_t> m_byBucket;
    std::array<uint32_t, kBuckets + 1> m_bucketStart{};
    // The grams (as many bytes as the shortest phrase of two bytes or more has, up to four) at the
    // first m_step places of those phrases, hashed: most places in a text hold none, and four
    // bytes tell far more of them apart than two.
    std::bitset<65536> m_inPhrase;
    size_t m_gram = 4;
    size_t m_step = 1;
    std::vector<uint32_t> m_oneByte;
};
