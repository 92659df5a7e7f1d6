// libFuzzer target for loading XML files: byte-order marks, the declared encoding and the
// conversion to UTF-8 before parsing. The input is loaded as a file as it is; then, when it is
// UTF-8, written with a UTF-8 mark and as UTF-16 in both byte orders with their marks: the mark
// decides, so all three load to documents that serialize identically.
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "fuzz_support.h"
#include "markup/cls_xml.h"
#include "markup/xml_serializer.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

char g_dir[] = "/tmp/fuzz_xml_file_XXXXXX";

bool writeFile(const char* path, const void* mark, size_t markSize, const DataBuffer& body) {
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(mark, 1, markSize, f) == markSize &&
              std::fwrite(body.getData(), 1, body.getSize(), f) == body.getSize();
    return std::fclose(f) == 0 && ok;
}

// The serialized document loaded from `body` behind `mark`; empty when no element loads.
void loadWith(const void* mark, size_t markSize, const DataBuffer& body, StringBuffer& xml) {
    StringBuffer path(g_dir);
    path.append("/page.xml");
    fuzz::check(writeFile(path.getString(), mark, markSize, body));
    ClsXml doc;
    xml.clear();
    if (doc.LoadXmlFile(path.getString()))
        serializeXml(doc.getNode(), xml, 0);
    unlink(path.getString());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::check(mkdtemp(g_dir) != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DataBuffer text;
    text.append(data, static_cast<uint32_t>(size));
    StringBuffer asIs;
    loadWith("", 0, text, asIs);

    EncodingConvert converter;
    DataBuffer le;
    DataBuffer be;
    if (!converter.Convert(CodePages::kUtf8, CodePages::kUtf16Le, data, static_cast<unsigned>(size), le) ||
        !converter.Convert(CodePages::kUtf8, CodePages::kUtf16Be, data, static_cast<unsigned>(size), be))
        return 0;
    static const unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
    static const unsigned char kUtf16LeMark[] = {0xFF, 0xFE};
    static const unsigned char kUtf16BeMark[] = {0xFE, 0xFF};
    StringBuffer fromUtf8;
    loadWith(kUtf8Mark, sizeof kUtf8Mark, text, fromUtf8);
    StringBuffer fromLe;
    loadWith(kUtf16LeMark, sizeof kUtf16LeMark, le, fromLe);
    StringBuffer fromBe;
    loadWith(kUtf16BeMark, sizeof kUtf16BeMark, be, fromBe);
    fuzz::check(fromLe.equalsSb(fromUtf8) && fromBe.equalsSb(fromUtf8));
    return 0;
}
