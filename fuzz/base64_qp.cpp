// libFuzzer target for Base64, quoted-printable and the encoded words of MIME headers. The input
// (after a line-length byte) is encoded and decoded back, which must give it unchanged, both
// whole and as encoded words; it is also decoded as received text, which must not fail once
// and then succeed, and never yields more bytes than the text holds.
#include "base/content_coding.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    ContentCoding coding;
    coding.setLineLength(in.take() % 90);
    const uint8_t* bytes = in.rest();
    auto n = static_cast<uint32_t>(in.restSize());

    StringBuffer base64;
    fuzz::check(coding.encodeBase64(bytes, n, base64));
    fuzz::check(static_cast<uint32_t>(base64.getSize()) == coding.encodedLength(n));
    DataBuffer decoded;
    fuzz::check(coding.decodeBase64(base64.getString(), static_cast<uint32_t>(base64.getSize()), decoded));
    fuzz::check(fuzz::sameBytes(decoded, bytes, n));

    StringBuffer qp;
    fuzz::check(coding.encodeQuotedPrintable(bytes, n, qp));
    decoded.clear();
    fuzz::check(coding.decodeQuotedPrintable(qp.getString(), static_cast<uint32_t>(qp.getSize()), decoded));
    fuzz::check(fuzz::sameBytes(decoded, bytes, n));

    // Received text: whatever it holds, the output is no longer than the text.
    fuzz::Text text(bytes, n);
    decoded.clear();
    if (coding.decodeBase64(text.get(), n, decoded))
        fuzz::check(decoded.getSize() <= n);
    decoded.clear();
    if (coding.decodeQuotedPrintable(text.get(), n, decoded))
        fuzz::check(decoded.getSize() <= n);
    StringBuffer words(text.get());
    coding.decodeEncodedWords(words);

    // An encoded word of text without NULs decodes back to that text (UTF-8 passes unchanged).
    if (std::memchr(bytes, 0, n) == nullptr) {
        for (int q = 0; q < 2; ++q) {
            StringBuffer word;
            fuzz::check(q ? coding.encodeWordQ(bytes, n, "utf-8", word)
                          : coding.encodeWordB(bytes, n, "utf-8", word));
            StringBuffer plain(word.getString());
            coding.decodeEncodedWords(plain);
            if (n > 0)
                fuzz::check(plain.getSize() == static_cast<int>(n) &&
                            std::memcmp(plain.getString(), bytes, n) == 0);
        }
    }
    return 0;
}
