#include "analysis/word_list.h"

#include "base/ascii.h"
#include "base/string_buffer.h"
#include "base/utf8_text.h"
#include "charset/code_pages.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

bool isDecoration(unsigned char c) {
    return c == '-' || c == '*' || c == '/' || c == '@' || c == '\'' || c == '"';
}

bool isAscii(const unsigned char* p, size_t n) {
    return std::all_of(p, p + n, [](unsigned char c) { return c < 0x80; });
}

unsigned char lower(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF))
        return static_cast<unsigned char>(c + 0x20);
    return c;
}

// What ends a token: a blank, or the end of the text.
enum : unsigned char { kWordByte, kBlankByte, kEndByte };
constexpr auto kByteKind = [] {
    std::array<unsigned char, 256> kind{};
    for (int c = 1; c < 256; ++c)
        kind[static_cast<size_t>(c)] = isBlank(static_cast<char>(c)) ? kBlankByte : kWordByte;
    kind[0] = kEndByte;
    return kind;
}();

// Distinct tokens of one text before the table of them first grows; a power of two.
constexpr size_t kFirstSeenSlots = 1024;

} // namespace

void WordList::normalise(const char* word, size_t length, std::string& out) const {
    const auto* p = reinterpret_cast<const unsigned char*>(word);
    size_t start = 0;
    size_t end = length;
    bool utf8 = m_codePage == CodePages::kUtf8;
    // In UTF-8 a no-break space is C2 A0; a lone 0xA0 there ends another character.
    for (;;) {
        if (start < end && isBlank(p[start]))
            ++start;
        else if (start < end && p[start] == 0xA0 && !utf8)
            ++start;
        else if (utf8 && start + 1 < end && p[start] == 0xC2 && p[start + 1] == 0xA0)
            start += 2;
        else
            break;
    }
    for (;;) {
        if (end > start && isBlank(p[end - 1]))
            --end;
        else if (end > start && p[end - 1] == 0xA0 && !utf8)
            --end;
        else if (utf8 && end >= start + 2 && p[end - 2] == 0xC2 && p[end - 1] == 0xA0)
            end -= 2;
        else
            break;
    }
    while (start < end && isDecoration(p[start]))
        ++start;
    while (end > start && isDecoration(p[end - 1]))
        --end;
    out.clear();
    // Every code page folds ASCII as ASCII, so a word of ASCII alone needs no table.
    if (m_codePage != 0 && !isAscii(p + start, end - start)) {
        StringBuffer folded;
        folded.appendN(p + start, static_cast<int>(end - start));
        lowerInCodePage(folded, m_codePage);
        out.assign(folded.getString(), static_cast<size_t>(folded.getSize()));
        return;
    }
    out.resize(end - start);
    for (size_t i = start; i < end; ++i)
        out[i - start] = static_cast<char>(lower(p[i]));
}

uint32_t WordList::keyOf(const std::string& normalised) {
    // crc32's initial value is 0.
    uLong crc =
        crc32(0L, reinterpret_cast<const Bytef*>(normalised.data()), static_cast<uInt>(normalised.size()));
    return static_cast<uint32_t>(crc) & 0x0FFFFFFFu;
}

int WordList::findEntry(uint32_t key, const std::string& normalised) const {
    auto it = std::lower_bound(m_entries.begin(), m_entries.end(), key,
                               [](const Entry& e, uint32_t k) { return e.key < k; });
    for (; it != m_entries.end() && it->key == key; ++it) {
        if (it->word == normalised)
            return static_cast<int>(it - m_entries.begin());
    }
    return -1;
}

size_t WordList::countNormalised(uint32_t key, std::string&& normalised, int weight) {
    int found = findEntry(key, normalised);
    if (found >= 0) {
        ++m_entries[static_cast<size_t>(found)].count;
        return static_cast<size_t>(found);
    }
    auto range = m_pendingIndex.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) {
        Entry& pending = m_pending[it->second];
        if (pending.word == normalised) {
            ++pending.count;
            return m_entries.size() + it->second;
        }
    }
    m_pendingIndex.emplace(key, m_pending.size());
    m_pending.push_back({key, weight, std::move(normalised)});
    return m_entries.size() + m_pending.size() - 1;
}

void WordList::addWord(const char* word, int weight) {
    if (word == nullptr)
        return;
    std::string normalised;
    normalise(word, std::strlen(word), normalised);
    uint32_t key = keyOf(normalised);
    countNormalised(key, std::move(normalised), weight);
    mergePending();
}

bool WordList::containsWord(const char* word) const {
    if (word == nullptr)
        return false;
    std::string normalised;
    normalise(word, std::strlen(word), normalised);
    return containsNormalised(normalised);
}

bool WordList::containsNormalised(const std::string& normalised) const {
    return findEntry(keyOf(normalised), normalised) >= 0;
}

void WordList::mergePending() {
    if (m_pending.empty())
        return;
    for (Entry& e : m_pending)
        m_entries.push_back(std::move(e));
    m_pending.clear();
    m_pendingIndex.clear();
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
}

size_t WordList::countToken(std::string_view token, const WordList* stopList, int weight,
                            std::string& normalised) {
    const auto* p = reinterpret_cast<const unsigned char*>(token.data());
    size_t tokenLength =
        m_codePage == CodePages::kUtf8 && !isAscii(p, token.size())
            ? static_cast<size_t>(utf8CharCount(token.data(), static_cast<int>(token.size())))
            : token.size();
    if (m_minWordLength > 0 && tokenLength < static_cast<size_t>(m_minWordLength))
        return kNotCounted;
    if (token.find('@') != std::string_view::npos)
        return kNotCounted;
    while (!token.empty() && token.back() == '.')
        token.remove_suffix(1);
    if (m_skipDigitWords &&
        std::any_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return kNotCounted;
    // The stop words are matched in this list's normal form, so a folded letter of the
    // text meets its stop word whatever rule the stop list itself folds by.
    normalise(token.data(), token.size(), normalised);
    // One key serves the stop list and this list.
    uint32_t key = keyOf(normalised);
    if (stopList != nullptr && stopList->findEntry(key, normalised) >= 0)
        return kNotCounted;
    return countNormalised(key, std::move(normalised), weight);
}

void WordList::addWords(const char* text, const WordList* stopList, int weight) {
    m_pending.clear();
    m_pendingIndex.clear();
    if (text == nullptr || *text == 0)
        return;
    // A text repeats most of its words, and what becomes of a token depends on its bytes alone:
    // the slot of each distinct token is remembered, so a repeat is one hash of its bytes and a
    // count, never normalised, keyed or looked up in the stop list again. Open addressing, at
    // most half full.
    struct Seen {
        std::string_view token;
        size_t hash;
        size_t slot;
    };
    std::vector<Seen> seen(kFirstSeenSlots);
    size_t numSeen = 0;
    auto place = [&seen](size_t hash) {
        size_t mask = seen.size() - 1;
        size_t at = hash & mask;
        while (!seen[at].token.empty())
            at = (at + 1) & mask;
        return at;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    std::string normalised;
    for (;;) {
        while (kByteKind[p[i]] == kBlankByte)
            ++i;
        if (p[i] == 0)
            break;
        size_t start = i;
        // FNV-1a.
        size_t hash = 14695981039346656037ull;
        while (kByteKind[p[i]] == kWordByte)
            hash = (hash ^ p[i++]) * 1099511628211ull;
        std::string_view token(reinterpret_cast<const char*>(p + start), i - start);
        size_t mask = seen.size() - 1;
        size_t at = hash & mask;
        // The hash almost always settles it; the bytes are compared only when it agrees.
        while (!seen[at].token.empty() &&
               (seen[at].hash != hash || seen[at].token.size() != token.size() ||
                std::memcmp(seen[at].token.data(), token.data(), token.size()) != 0))
            at = (at + 1) & mask;
        if (!seen[at].token.empty()) {
            size_t slot = seen[at].slot;
            if (slot < m_entries.size())
                ++m_entries[slot].count;
            else if (slot != kNotCounted)
                ++m_pending[slot - m_entries.size()].count;
            continue;
        }
        seen[at] = {token, hash, countToken(token, stopList, weight, normalised)};
        if (++numSeen * 2 > seen.size()) {
            std::vector<Seen> old(seen.size() * 2);
            old.swap(seen);
            for (const Seen& s : old) {
                if (!s.token.empty())
                    seen[place(s.hash)] = s;
            }
        }
    }
    mergePending();
}

const char* WordList::getWord(int i, int& count) const {
    if (i < 0 || i >= getNumWords()) {
        count = 0;
        return "";
    }
    count = m_entries[static_cast<size_t>(i)].count;
    return m_entries[static_cast<size_t>(i)].word.c_str();
}

void WordList::toVector(StringBuffer& out, unsigned maxWords) const {
    out.clear();
    if (maxWords == 0)
        return;
    auto writeEntry = [&out](const Entry& e) {
        out.appendN(e.word.data(), static_cast<int>(e.word.size()));
        out.appendChar(',');
        out.appendInt(e.count);
        out.appendChar(',');
    };
    size_t n = m_entries.size();
    if (n <= maxWords) {
        for (const Entry& e : m_entries)
            writeEntry(e);
    } else {
        // The smallest t from 2 up for which fewer than maxWords entries count more than t: the
        // maxWords-th largest count, or 2 when that is smaller.
        std::vector<int32_t> counts;
        counts.reserve(n);
        for (const Entry& e : m_entries)
            counts.push_back(e.count);
        std::nth_element(counts.begin(), counts.begin() + (maxWords - 1), counts.end(),
                         std::greater<int32_t>());
        int32_t t = std::max<int32_t>(2, counts[maxWords - 1]);
        unsigned written = 0;
        for (const Entry& e : m_entries) {
            if (written == maxWords)
                break;
            if (e.count >= t) {
                writeEntry(e);
                ++written;
            }
        }
        for (const Entry& e : m_entries) {
            if (written == maxWords)
                break;
            if (e.count == t - 1) {
                writeEntry(e);
                ++written;
            }
        }
    }
    if (out.getSize() > 0)
        out.shorten(1);
}
