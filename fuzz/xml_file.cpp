// libFuzzer target for loading XML files: byte-order marks, the declared encoding and the
// conversion to UTF-8 before parsing. The input is loaded as a file as it is; then, when it is
// UTF-8, written with a UTF-8 mark and as UTF-16 in both byte orders with their marks: the mark
// decides, so all three load to documents that serialize identically.
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "fuzz_support.h"
#include "markup/cls_xml.h"
#include "markup/xml_serializer.h"

#include <string>
#include <unistd.h>

namespace {

// The serialized document loaded from `body` behind `mark`; empty when no element loads.
void loadWith(const char* mark, const DataBuffer& body, StringBuffer& xml) {
    StringBuffer path(fuzz::scratchDir());
    path.append("/page.xml");
    fuzz::check(fuzz::writeFile(
        path.getString(), mark + std::string(reinterpret_cast<const char*>(body.getData()), body.getSize())));
    ClsXml doc;
    xml.clear();
    if (doc.LoadXmlFile(path.getString()))
        serializeXml(doc.getNode(), xml, 0);
    unlink(path.getString());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DataBuffer text;
    text.append(data, static_cast<uint32_t>(size));
    StringBuffer asIs;
    loadWith("", text, asIs);

    EncodingConvert converter;
    DataBuffer le;
    DataBuffer be;
    if (!converter.Convert(CodePages::kUtf8, CodePages::kUtf16Le, data, static_cast<unsigned>(size), le) ||
        !converter.Convert(CodePages::kUtf8, CodePages::kUtf16Be, data, static_cast<unsigned>(size), be))
        return 0;
    StringBuffer fromUtf8;
    loadWith("\xEF\xBB\xBF", text, fromUtf8);
    StringBuffer fromLe;
    loadWith("\xFF\xFE", le, fromLe);
    StringBuffer fromBe;
    loadWith("\xFE\xFF", be, fromBe);
    fuzz::check(fromLe.equalsSb(fromUtf8) && fromBe.equalsSb(fromUtf8));
    return 0;
}
