// libFuzzer target for the readers of a page's head: title, meta description and keywords, meta
// content by name, attribute values and the normal form of a start tag. None reads past the
// page, and the normal form of a tag settles (see below for the values where it cannot).
#include "analysis/html_help.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Text page(data, size);
    StringBuffer out;
    HtmlHelp::getTitle(page.get(), out);
    out.clear();
    HtmlHelp::getMetaDescription(page.get(), out);
    HtmlHelp::getMetaKeywords(page.get(), out);
    HtmlHelp::getMetaContent(page.get(), "refresh", out);

    StringBuffer cleaned;
    HtmlHelp::cleanTag(page.get(), cleaned, nullptr);
    // The normal form settles within one more round: a first round may leave a lone blank where
    // an attribute had only quotes for a name. Not so for a value holding both kinds of quote,
    // which cannot be quoted so that it reads back the same, nor for one ending in a backslash,
    // which each round drops.
    StringBuffer twice;
    HtmlHelp::cleanTag(cleaned.getString(), twice, nullptr);
    StringBuffer thrice;
    HtmlHelp::cleanTag(twice.getString(), thrice, nullptr);
    bool bothQuotes = std::strchr(page.get(), '\'') != nullptr && std::strchr(page.get(), '"') != nullptr;
    if (!bothQuotes && std::strchr(page.get(), '\\') == nullptr)
        fuzz::check(thrice.equalsSb(twice));
    StringBuffer value;
    HtmlHelp::getAttributeValue(cleaned.getString(), "content", value);
    fuzz::check(value.getSize() <= cleaned.getSize());
    return 0;
}
