// The named character references of HTML text: the names of the ISO-8859-1 characters 160 to 255,
// three space names, the names of the characters that exist only in Windows-1252 (euro, dashes,
// quotes and the like), each with its byte in that character set, and the five names XML knows.
// Names are case-sensitive, as in HTML. A static table; safe from any thread.
#pragma once

#include <cstddef>

class StringBuffer;

struct HtmlEntity {
    // The byte the name stands for.
    unsigned char byte;
    // The character set that byte belongs to: false for ISO-8859-1, true for the Windows-1252
    // positions 128 to 159.
    bool windows1252;
    // The space names (ensp, emsp, thinsp) stand for a plain blank in every character set.
    bool blank;
    // amp, lt, gt, quot and apos: left to the XML reader by the HTML conversion.
    bool xml;
    // The Unicode character the name stands for.
    char32_t codePoint;
};

// Looks up the `length` bytes at `name` (without `&` and `;`); false when the name is not one of
// the table's.
bool findHtmlEntity(const char* name, size_t length, HtmlEntity& entity);

// Where a reference stands: a name without its semicolon (one of HTML's legacy names, such as
// "&copy") is read in text, but in an attribute value only when neither a letter, a digit nor
// `=` follows, so that URL queries such as "?a=1&copy=2" keep their parameters.
enum class HtmlReferenceContext { Text, AttributeValue };

// Appends `length` bytes of UTF-8 text to out with its character references decoded: the names
// of the table, every other HTML5 name, and numeric references (decimal or hex, the ';' optional),
// as a browser reads them in text. Anything that is no reference is copied as it is.
void decodeHtmlReferences(const char* text, size_t length, StringBuffer& out);

// Reads the reference at the `&` that starts `text` (`length` bytes): answers the bytes it takes,
// `&` included, with the character (and the second character of a two-character name, else 0);
// 0 when no reference starts there. A name is the longest that matches: the whole name with its
// semicolon, else the longest legacy name the letters begin with ("&notit;" is the not sign and "it;").
size_t readHtmlReference(const char* text, size_t length, HtmlReferenceContext context, char32_t& first,
                         char32_t& second);
