// libFuzzer target for a page's links: every a and area element with its text, the meta refresh
// target and the e-mail addresses of mailto links. The lists stay aligned, every link resolves
// against the page's URL to a URL of a host, and every address comes from a mailto link.
#include "analysis/links.h"
#include "base/cls_string_array.h"
#include "base/url_parse.h"
#include "fuzz_support.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Text page(data, size);
    StringBuffer html(page.get());
    ClsStringArray texts;
    ClsStringArray urls;
    pageLinks(html, texts, urls);
    fuzz::check(texts.get_Count() == urls.get_Count());

    const StringBuffer basePath("/dir/page.html");
    int mailtos = 0;
    for (int i = 0; i < urls.get_Count(); ++i) {
        StringBuffer href(urls.GetString(i));
        StringBuffer lower(href.getString());
        lower.toLowerCase();
        if (lower.beginsWith("mailto:"))
            ++mailtos;
        isOnSite("example.com", href);
        isFollowableHref(href);
        StringBuffer url;
        resolveUrl("example.com", basePath, href, url);
        StringBuffer host;
        if (url.beginsWith("http://") || url.beginsWith("https://"))
            fuzz::check(getUrlHost(url.getString(), host));

        StringBuffer unescaped(href.getString());
        unescapeHref(unescaped);
        fuzz::check(unescaped.getSize() <= href.getSize());
    }
    ClsStringArray emails;
    collectEmails(urls, emails);
    fuzz::check(emails.get_Count() <= mailtos);
    for (int i = 0; i < emails.get_Count(); ++i) {
        StringBuffer email(emails.GetString(i));
        fuzz::check(email.containsChar('@') && !email.containsChar(' '));
    }

    ClsHtmlToXml converter;
    XString xhtml;
    xhtml.setFromUtf8(page.get());
    converter.put_Html(xhtml);
    XString xml;
    fuzz::check(converter.ToXml(xml));
    ClsXml tree;
    if (tree.LoadXmlXs(xml)) {
        StringBuffer target;
        getRefreshUrl(tree, target);
    }
    return 0;
}
