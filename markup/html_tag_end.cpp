#include "markup/html_tag_end.h"

#include <algorithm>
#include <cstring>
#include <utility>

HtmlTagEndFinder::HtmlTagEndFinder(const char* text, size_t length) : m_text(text), m_length(length) {}

size_t HtmlTagEndFinder::find(size_t start) {
    if (start >= m_length)
        return kNone;
    size_t end = kNone;
    if (!m_tabled || !lookUp(start, end)) {
        end = scanOutsideQuotes(start);
        // The table holds 32-bit positions; longer texts keep scanning.
        if (end == kNone && !m_tabled && m_length < kNoEnd)
            buildTable(start);
    }
    if (end != kNone)
        return end;
    const void* first = std::memchr(m_text + start, '>', m_length - start);
    return first != nullptr ? static_cast<size_t>(static_cast<const char*>(first) - m_text) : kNone;
}

size_t HtmlTagEndFinder::scanOutsideQuotes(size_t start) const {
    size_t i = start;
    while (i < m_length) {
        char c = m_text[i];
        if (c == '>')
            return i;
        if (c == '"' || c == '\'') {
            const void* close = std::memchr(m_text + i + 1, c, m_length - i - 1);
            if (close == nullptr)
                return kNone;
            i = static_cast<size_t>(static_cast<const char*>(close) - m_text) + 1;
            continue;
        }
        ++i;
    }
    return kNone;
}

// Walking backwards, three answers are kept for the position just behind the current byte: the
// first `>` outside quotes, and the first `>` outside quotes once the double quote (or the
// apostrophe) that is open there has closed. A quote byte swaps the "outside" answer with its own
// quote's answer; a `>` becomes the "outside" answer.
void HtmlTagEndFinder::buildTable(size_t from) {
    m_tabled = true;
    m_tableFrom = from;
    uint32_t outside = kNoEnd;
    uint32_t inDouble = kNoEnd;
    uint32_t inSingle = kNoEnd;
    for (size_t i = m_length; i > from;) {
        --i;
        switch (m_text[i]) {
        case '>':
            outside = static_cast<uint32_t>(i);
            break;
        case '"':
            std::swap(outside, inDouble);
            break;
        case '\'':
            std::swap(outside, inSingle);
            break;
        case '<':
            m_starts.push_back(static_cast<uint32_t>(i));
            m_ends.push_back(outside);
            break;
        default:
            break;
        }
    }
    std::reverse(m_starts.begin(), m_starts.end());
    std::reverse(m_ends.begin(), m_ends.end());
}

bool HtmlTagEndFinder::lookUp(size_t start, size_t& end) const {
    if (start < m_tableFrom)
        return false;
    auto it = std::lower_bound(m_starts.begin(), m_starts.end(), static_cast<uint32_t>(start));
    if (it == m_starts.end() || *it != start)
        return false;
    uint32_t found = m_ends[static_cast<size_t>(it - m_starts.begin())];
    end = found == kNoEnd ? kNone : found;
    return true;
}
