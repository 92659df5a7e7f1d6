// WordList: a counted set of words, the analyzer's stop words and the counter behind every word
// vector. Words are normalised (trimmed, stripped of decoration, lower-cased) and keyed by the
// low 28 bits of their CRC-32; entries are kept in ascending key order so that counting is a
// binary search. Words first met during one addWords call wait in a pending list, merged in by
// one sort at the end of the call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class StringBuffer;

class WordList {
public:
    WordList() = default;
    virtual ~WordList() = default;

    // Tokens shorter than this are not counted (0: no minimum); counted in bytes, in characters
    // for UTF-8 text.
    void setMinWordLength(int n) { m_minWordLength = n < 0 ? 0 : n; }
    // The code page of the words, which decides how they are lower-cased: 0 (the default) for
    // the plain byte rule, a single-byte page's own letters, or 65001 for UTF-8 by character.
    void setCodePage(unsigned codePage) { m_codePage = codePage; }
    // Tokens with a digit are not counted.
    void setSkipDigitWords(bool skip) { m_skipDigitWords = skip; }

    // Counts the blank-separated words of `text`, leaving out those in `stopList` (may be null).
    // A word's first occurrence counts `weight`, every further one 1.
    void addWords(const char* text, const WordList* stopList, int weight);
    void addWord(const char* word, int weight);
    bool containsWord(const char* word) const;

    int getNumWords() const { return static_cast<int>(m_entries.size()); }
    // The word of entry i (in key order) and its count; an empty string beyond the entries.
    const char* getWord(int i, int& count) const;

    // Writes "word,count,word,count..." for at most maxWords entries: all of them when there are
    // that few, otherwise the most frequent count classes, in key order. Nothing for maxWords 0.
    void toVector(StringBuffer& out, unsigned maxWords) const;

    // The normal form of a word in this list's code page, and its 28-bit key.
    void normalise(const char* word, size_t length, std::string& out) const;
    static uint32_t keyOf(const std::string& normalised);

private:
    struct Entry {
        uint32_t key;
        int32_t count;
        std::string word;
    };
    // Index of the entry holding `normalised`, or -1.
    int findEntry(uint32_t key, const std::string& normalised) const;
    bool containsNormalised(const std::string& normalised) const;
    // Counts a word; returns the slot it went to: an entry's index, or m_entries.size() plus a
    // pending entry's index.
    size_t countNormalised(uint32_t key, std::string&& normalised, int weight);
    // The slot a token of addWords is counted in, having counted it, or kNotCounted.
    size_t countToken(std::string_view token, const WordList* stopList, int weight, std::string& normalised);
    static constexpr size_t kNotCounted = SIZE_MAX;
    void mergePending();

    std::vector<Entry> m_entries;
    std::vector<Entry> m_pending;
    // Pending entries by key, so a page of many new words is not counted in quadratic time.
    std::unordered_multimap<uint32_t, size_t> m_pendingIndex;
    int m_minWordLength = 0;
    bool m_skipDigitWords = false;
    unsigned m_codePage = 0;
};
