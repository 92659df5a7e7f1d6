// libFuzzer target for the readers of a page's head: title, meta description and keywords, meta
// content by name, attribute values and the normal form of a start tag. None reads past the
// page, and a tag in normal form is its own normal form (unless a value holds both kinds of quote).
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
    StringBuffer twice;
    HtmlHelp::cleanTag(cleaned.getString(), twice, nullptr);
    // A value holding both kinds of quote cannot be quoted so that it reads back the same.
    if (std::strchr(page.get(), '\'') == nullptr || std::strchr(page.get(), '"') == nullptr)
        fuzz::check(twice.equalsSb(cleaned));
    StringBuffer value;
    HtmlHelp::getAttributeValue(cleaned.getString(), "content", value);
    fuzz::check(value.getSize() <= cleaned.getSize());
    return 0;
}
