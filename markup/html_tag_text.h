// HtmlTagText: the text-level readers the HTML conversion needs on raw HTML: the normal form of
// one tag (every attribute written as a space, its name and, when it has a value, `=` and a
// quoted value) and an attribute's value read from such a tag. They work on 8-bit text and compare tag and attribute names
// without regard to ASCII case; they keep no state. The site analysis reads a page's head with
// the same rules, on top of this markup layer.
#pragma once

#include <cstddef>

class StringBuffer;

class HtmlTagText {
public:
    // Where the normal form ended; the numbers are the ones the tag log names ("clean_tag_N").
    enum class TagEnding {
        NoTag = 1,
        AfterName = 2,
        Unexpected = 3,
        AfterValue = 4,
        TooManyAttributes = 5,
        AfterValueless = 6,
    };

    // Clears `out`, then writes the normal form of the tag in the `length` bytes at `tagText`,
    // from its first `<` on; a text without `<` gives an empty result. An attribute value
    // without quotes gets double quotes, or apostrophes when it holds a double quote; CR and LF
    // inside values are dropped or blanked where the tag ends after a value.
    static TagEnding cleanTag(const char* tagText, size_t length, StringBuffer& out);

    // Clears `out`, then fills it with the value of `attributeName` in the (normalised) tag:
    // the name followed by `="` or, failing that, `='` is searched anywhere in the text, ASCII
    // case ignored; the value runs to the next quote of the same kind, is trimmed of blanks, TAB,
    // CR, LF and the byte 0xA0, and has its backslashes turned into slashes. Empty when the name
    // or the closing quote is missing.
    static void getAttributeValue(const char* tagText, const char* attributeName, StringBuffer& out);
};
