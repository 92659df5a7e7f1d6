// Guesses the encoding of text that declares none, as browsers do for such pages.
#pragma once

#include <cstddef>

// The code page the detector takes `n` bytes at `p` to be in, or 0 when it has no answer or
// names an encoding without a code page.
unsigned DetectCodePage(const unsigned char* p, std::size_t n);
