// Character rules for UTF-8 text: lower-casing by Unicode's rules and white-space collapsing that
// never split a multi-byte character. A byte that does not start a well-formed sequence is kept
// as it is, so text of unknown or broken encoding passes through unharmed.
#pragma once

#include "base/string_buffer.h"

// The lower-case form of one code point by Unicode's simple mapping (ASCII, Latin, Greek, Coptic,
// Cyrillic, Armenian, Georgian, Cherokee and the Latin and Greek extended letters); any other
// code point is returned unchanged.
char32_t lowerCodePoint(char32_t c);

// Lower-cases UTF-8 text as Python's str.lower does for those letters: U+0130 becomes "i" and a
// combining dot above, a capital sigma at the end of a word becomes the final sigma, German
// sharp s stays.
void lowerUtf8(StringBuffer& text);

// Reads the sequence at `s` (at most `n` bytes): the code point and the number of bytes taken.
// A broken or overlong sequence takes one byte and gives that byte's value.
int decodeUtf8(const unsigned char* s, int n, char32_t& c);
// Writes a code point as UTF-8 into `out` (room for four bytes); answers the number of bytes.
// Surrogates and values beyond U+10FFFF take none.
int encodeUtf8(char32_t c, char* out);
// Appends a code point as UTF-8, as encodeUtf8 writes it.
void appendUtf8(StringBuffer& out, char32_t c);
// The number of characters of UTF-8 text (a broken byte counts as one).
int utf8CharCount(const char* text, int numBytes);

// White space of UTF-8 text: TAB, CR and LF become blanks, as does U+00A0 (C2 A0) — but not a
// lone byte 0xA0, which is part of another character — runs of blanks become one, and the ends
// are trimmed. With `joinAfterComma` no blank is left behind a comma either.
void collapseUtf8Whitespace(StringBuffer& text, bool joinAfterComma = false);
// The same over the text with each byte first replaced through `byteMap` (256 entries), in one
// pass: for a mapping that lowers letters or turns signs into blanks before the collapse.
void collapseUtf8Whitespace(StringBuffer& text, bool joinAfterComma, const unsigned char* byteMap);

// Lower-cases single-byte text through the characters of its code page: a byte whose character
// has a lower-case form at another byte of the same page takes that byte (so windows-1252 keeps
// its sharp s and multiplication sign, and ISO-8859-5 capitals become their small letters).
// Code page 65001 lower-cases as lowerUtf8; a code page the converter does not know folds ASCII
// only. This and lowerByteInCodePage are defined in the charset library.
void lowerInCodePage(StringBuffer& text, unsigned codePage);
// The byte-for-byte form of that folding for one single-byte code page.
unsigned char lowerByteInCodePage(unsigned char c, unsigned codePage);
