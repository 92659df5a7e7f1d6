// The named character references the HTML conversion decodes in page text: the HTML names of the
// ISO-8859-1 characters 161 to 255, three space names, and twelve names of characters that exist
// only in Windows-1252 (euro, dashes, quotes and the like), each with its byte in that character
// set. Names are case-sensitive, as in HTML. A static table; safe from any thread.
#pragma once

#include <cstddef>

struct HtmlEntity {
    // The byte the name stands for.
    unsigned char byte;
    // The character set that byte belongs to: false for ISO-8859-1, true for the Windows-1252
    // positions 128 to 159.
    bool windows1252;
    // The space names (ensp, emsp, thinsp) stand for a plain blank in every character set.
    bool blank;
};

// Looks up the `length` bytes at `name` (without `&` and `;`); false when the name is not one of
// the table's.
bool findHtmlEntity(const char* name, size_t length, HtmlEntity& entity);
