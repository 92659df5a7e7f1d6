// Direct conversions between a table-driven code page and UTF-8, without the UTF-16 text in the
// middle. They are a shortcut of the two-step path for the common case only: text that converts
// without a single unmappable character (and without U+EFFD, the pass-through marker of the
// second step). When they meet anything else they append nothing and answer false, and the
// caller runs the two-step path, which gives the same bytes for text the shortcut takes.
#pragma once

#include <cstddef>
#include <cstdint>

class CodePageTable;
class ConvBuffer;

namespace DirectPaths {

// Single- or double-byte code page to UTF-8.
bool codePageToUtf8(const CodePageTable& table, const uint8_t* p, std::size_t n, ConvBuffer& out);
// UTF-8 to a single-byte code page.
bool utf8ToSingleByte(const CodePageTable& table, const uint8_t* p, std::size_t n, ConvBuffer& out);

} // namespace DirectPaths
