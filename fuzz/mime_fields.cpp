// libFuzzer target for header blocks as MIME fields: continuation lines, names, values, encoded
// words, 8-bit text in a guessed code page, and the parameters inside a value. Every field comes
// from a line of the text, and fields written back as a block parse to the same names and values
// in the same order (when what is written is 7-bit text without encoded words).
#include "fuzz_support.h"
#include "http/limits.h"
#include "http/mime_header.h"

namespace {

bool sameFields(const MimeHeader& a, const MimeHeader& b) {
    if (a.getNumFields() != b.getNumFields())
        return false;
    for (int i = 0; i < a.getNumFields(); ++i) {
        // A value is trimmed before its encoded words are decoded, so a decoded one may start or
        // end with a blank that the second reading trims.
        StringBuffer first(a.getFieldAt(i)->getValue());
        StringBuffer second(b.getFieldAt(i)->getValue());
        first.trim();
        second.trim();
        if (!a.getFieldAt(i)->getNameSb().equalsSb(b.getFieldAt(i)->getNameSb()) || !first.equalsSb(second))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Text text(data, size);
    MimeHeader header;
    header.parseHeaderText(text.get());
    size_t lineEnds = 1;
    for (const char* p = text.get(); *p != '\0'; ++p)
        lineEnds += *p == '\n' || *p == '\r';
    fuzz::check(header.getNumFields() <= HttpLimits::kMaxHeaderLines &&
                static_cast<size_t>(header.getNumFields()) <= lineEnds);

    StringBuffer value;
    header.getFieldParam("Content-Type", "charset", value);
    header.getFieldParam("Content-Disposition", "filename", value);

    // Written back, fields of 7-bit text without encoded words read the same; other text is
    // converted or decoded again on the second reading.
    StringBuffer written;
    header.serialize(written);
    written.append("\r\n\r\n");
    bool sevenBit = true;
    for (const char* p = written.getString(); *p != '\0' && sevenBit; ++p)
        sevenBit = static_cast<unsigned char>(*p) < 0x80;
    if (sevenBit && !written.containsSubstring("=?")) {
        MimeHeader again;
        again.parseHeaderText(written.getString());
        fuzz::check(sameFields(header, again));
    }
    return 0;
}
