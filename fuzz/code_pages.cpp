// libFuzzer target for the code page decoders and encoders. The input (after three bytes that pick a
// charset name of the table and an error action) is decoded from that code page to UTF-8. Text
// read cleanly from another code page is well-formed UTF-8; encoded back into the code page and decoded again
// it gives the same text; and UTF-8 through UTF-16 and back is unchanged.
#include "charset/code_pages.h"
#include "base/utf8_text.h"
#include "charset/code_page_names.h"
#include "charset/encoding_convert.h"
#include "fuzz_support.h"

#include <string>

namespace {

bool isWellFormedUtf8(const DataBuffer& text) {
    const unsigned char* p = text.getData();
    int n = static_cast<int>(text.getSize());
    for (int at = 0; at < n;) {
        char32_t c = 0;
        int taken = decodeUtf8(p + at, n - at, c);
        // A broken sequence reads as one byte with its own value: a byte from 0x80 up.
        if (taken <= 0 || (taken == 1 && c >= 0x80) || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        at += taken;
    }
    return true;
}

bool convert(unsigned from, unsigned to, const DataBuffer& in, DataBuffer& out) {
    EncodingConvert converter;
    return converter.Convert(from, to, in.getData(), in.getSize(), out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int kErrorActions[] = {EncodingConvert::kWriteNothing, EncodingConvert::kWriteSubstitute,
                                        EncodingConvert::kWriteHexReference,
                                        EncodingConvert::kWriteAlternative, EncodingConvert::kWriteRaw};
    fuzz::Input in(data, size);
    unsigned codePage = CodePageFromName(CodePageNameAt(in.take16() % NumCodePageNames()));
    uint8_t action = in.take();
    DataBuffer bytes;
    bytes.append(in.rest(), static_cast<uint32_t>(in.restSize()));

    // Whatever stands in for a bad character, the conversion ends and answers.
    EncodingConvert lenient;
    lenient.setErrorAction(kErrorActions[action % 5]);
    DataBuffer any;
    lenient.Convert(codePage, CodePages::kUtf8, bytes.getData(), bytes.getSize(), any);

    DataBuffer text;
    if (!convert(codePage, CodePages::kUtf8, bytes, text))
        return 0;
    // UTF-8 to UTF-8 is a plain copy, as any conversion between equal code pages is, so only
    // text read from another code page is known to be well-formed.
    bool decoded = codePage != CodePages::kUtf8;
    if (decoded)
        fuzz::check(isWellFormedUtf8(text));

    // ISO-2022-JP writes half-width katakana and escapes in its own chosen forms, and the UTF-16
    // decoders read U+FEFF and U+FFFE as byte-order marks: text holding them reads back changed.
    std::string utf8(reinterpret_cast<const char*>(text.getData()), text.getSize());
    bool marks =
        utf8.find("\xEF\xBB\xBF") != std::string::npos || utf8.find("\xEF\xBF\xBE") != std::string::npos;
    DataBuffer encoded;
    if (!CodePages::IsIso2022Jp(codePage) && !marks && convert(CodePages::kUtf8, codePage, text, encoded)) {
        DataBuffer again;
        fuzz::check(convert(codePage, CodePages::kUtf8, encoded, again));
        fuzz::check(fuzz::sameBytes(again, text));
    }

    DataBuffer wide;
    if (!convert(CodePages::kUtf8, CodePages::kUtf16Le, text, wide)) {
        fuzz::check(!decoded);
        return 0;
    }
    DataBuffer back;
    bool backOk = convert(CodePages::kUtf16Le, CodePages::kUtf8, wide, back);
    fuzz::check(marks || (backOk && fuzz::sameBytes(back, text)));
    return 0;
}
