// HtmlTagEndFinder: finds where an HTML tag ends in a page, that is the first `>` after the tag's
// `<` that is not inside a quoted attribute value (double quotes or apostrophes). A quote that is
// never closed quotes nothing: when the quotes would swallow every later `>`, the tag ends at its
// first `>` instead. The HTML conversion and the meta charset reader use it, asking for the tags
// of one page in increasing order of position; the finder borrows the page's text.
//
// A forward scan costs the length of the tag when it succeeds, but when an unclosed quote sends
// it to the end of the page it costs the rest of the page, and a page built of such tags would
// take quadratic time. So after the first scan that reaches the end, the finder answers every
// later `<` from a table made in one backward pass over the rest of the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class HtmlTagEndFinder {
public:
    static constexpr size_t kNone = SIZE_MAX;

    HtmlTagEndFinder(const char* text, size_t length);
    HtmlTagEndFinder(const HtmlTagEndFinder&) = delete;
    HtmlTagEndFinder& operator=(const HtmlTagEndFinder&) = delete;

    // The position of the `>` that ends the tag whose `<` is at `start`, or kNone when no `>`
    // follows at all.
    size_t find(size_t start);

private:
    // The first `>` outside quotes at or after `start`, or kNone when the end comes first.
    size_t scanOutsideQuotes(size_t start) const;
    // Fills the table for every `<` from `from` on.
    void buildTable(size_t from);
    // The table's answer for the `<` at `start`; false when `start` is not in the table.
    bool lookUp(size_t start, size_t& end) const;

    const char* m_text;
    size_t m_length;
    bool m_tabled = false;
    size_t m_tableFrom = 0;
    // Positions of the `<` bytes from m_tableFrom on, ascending, and for each the first `>`
    // outside quotes after it (kNoEnd when there is none).
    static constexpr uint32_t kNoEnd = UINT32_MAX;
    std::vector<uint32_t> m_starts;
    std::vector<uint32_t> m_ends;
};
