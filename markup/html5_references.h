// The named character references of HTML5, as the WHATWG list gives them: a name (without '&' and
// ';') stands for one character, or for two (a letter and a combining mark, for instance). The
// table is sorted by name, compared byte by byte, and read-only; safe from any thread.
#pragma once

#include <cstddef>

// The longest name of the list.
constexpr size_t kLongestHtml5ReferenceName = 31;

// Looks up the `length` bytes at `name`; false when HTML5 has no such name. `second` is 0 when
// the name stands for one character.
bool findHtml5Reference(const char* name, size_t length, char32_t& first, char32_t& second);
