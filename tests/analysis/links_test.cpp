#include "analysis/links.h"

#include "../base/file_test_support.h"
#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "markup/cls_xml.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Links of a tree shaped like the converter's output.
void linksOf(const char* xml, ClsStringArray& urls, ClsStringArray& texts) {
    ClsXml tree;
    ASSERT_TRUE(tree.LoadXml(xml));
    collectLinks(tree, urls, texts);
}

TEST(CollectLinks, TextsImagesAndMissingHrefs) {
    ClsStringArray urls, texts;
    linksOf("<root><a href=\"/contact.html\"><img alt=\"Contact Us\"/></a>"
            "<a><text>no href</text></a>"
            "<a href=\" /empty \"></a>"
            "<p><a HREF=\"x%20y.html\"><text>Big</text><b><text>\r\nNews</text></b><img ALT=\"Now\"/></a></p>"
            "<map><area href=\"/map\"/></map></root>",
            urls, texts);
    ASSERT_EQ(urls.get_Count(), 4);
    ASSERT_EQ(texts.get_Count(), 4);
    EXPECT_STREQ(urls.GetString(0), "/contact.html");
    EXPECT_STREQ(texts.GetString(0), "contact us");
    EXPECT_STREQ(urls.GetString(1), "/empty");
    EXPECT_STREQ(texts.GetString(1), "");
    EXPECT_STREQ(urls.GetString(2), "x y.html");
    EXPECT_STREQ(texts.GetString(2), "big news now");
    // area elements come after every a element.
    EXPECT_STREQ(urls.GetString(3), "/map");
}

TEST(CollectLinks, GreekAndCyrillicTextsAreLowerCased) {
    ClsStringArray urls, texts;
    linksOf("<root><a href=\"/a\"><text>\xCE\x95\xCE\xA0\xCE\x91\xCE\xA6\xCE\x89</text></a>"
            "<a href=\"/b\"><text>\xD0\x9A\xD0\x9E\xD0\x9D\xD0\xA2\xD0\x90\xD0\x9A\xD0\xA2</text></a>"
            "<a href=\"/c\"><text>\xC3\x89t\xC3\xA9</text></a></root>",
            urls, texts);
    ASSERT_EQ(texts.get_Count(), 3);
    EXPECT_STREQ(texts.GetString(0), "\xCE\xB5\xCF\x80\xCE\xB1\xCF\x86\xCE\xAE");
    EXPECT_STREQ(texts.GetString(1), "\xD0\xBA\xD0\xBE\xD0\xBD\xD1\x82\xD0\xB0\xD0\xBA\xD1\x82");
    EXPECT_STREQ(texts.GetString(2), "\xC3\xA9t\xC3\xA9");
}

TEST(CollectLinks, ThroughTheConverter) {
    ClsStringArray urls, texts;
    StringBuffer html(
        "<html><body><a href=\"/about.html\">About <b>Us</b></a> <a name=\"x\">none</a></body></html>");
    pageLinks(html, texts, urls);
    ASSERT_EQ(urls.get_Count(), 1);
    EXPECT_STREQ(urls.GetString(0), "/about.html");
    EXPECT_STREQ(texts.GetString(0), "about us");
}

TEST(UnescapeHref, Decodes) {
    const char* const cases[][2] = {
        {"a%20b", "a b"},   {"a%2Fb%2fc", "a/b/c"}, {"caf%C3%A9", "caf%C3%A9"},
        {"a&#38;b", "a&b"}, {"a&#38b", "a&"},       {"a&amp;b", "a&amp;b"},
        {"end%", "end"},    {"&#x41;", "&#x41;"},   {"&#65;&#321;", "AA"},
        {"&#0;x", "&#0;x"}, {"%zz", "%zz"},
    };
    for (const auto& c : cases) {
        StringBuffer href(c[0]);
        unescapeHref(href);
        EXPECT_STREQ(href.getString(), c[1]) << c[0];
    }
}

TEST(OnSite, Rules) {
    auto on = [](const char* domain, const char* href) { return isOnSite(domain, StringBuffer(href)); };
    EXPECT_FALSE(on("example.com", "javascript:go()"));
    EXPECT_FALSE(on("example.com", "#top"));
    EXPECT_FALSE(on("example.com", "mailto:a@example.com"));
    EXPECT_FALSE(on("example.com", "MAILTO:a@example.com"));
    for (const char* scheme : {"tel:+442071234567", "TEL:0800", "JavaScript:void(0)", "data:text/html,x",
                               "sms:123", "ftp://example.com/", "callto:x", "skype:shop?call"})
        EXPECT_FALSE(on("example.com", scheme)) << scheme;
    EXPECT_TRUE(on("example.com", "page.html?at=10:30"));
    EXPECT_TRUE(on("example.com", "HTTPS://example.com/"));
    // A page names its host in Unicode; the domain is analysed in its A-label form.
    EXPECT_TRUE(on("xn--bcher-kva.de", "http://b\xC3\xBC"
                                       "cher.de/kontakt.html"));
    EXPECT_FALSE(on("xn--bcher-kva.de", "http://b\xC3\xA4"
                                        "cher.de/kontakt.html"));
    EXPECT_TRUE(on("example.com", "/page.html"));
    EXPECT_FALSE(on("example.com", "HTTP://other.org/"));
    EXPECT_FALSE(on("example.com", "//cdn.org/f"));
    EXPECT_TRUE(on("www.example.com", "//example.com/f"));
    EXPECT_TRUE(on("www.example.com", "http://example.com/about.html"));
    EXPECT_TRUE(on("www.example.com", "https://shop.EXAMPLE.com/"));
    EXPECT_FALSE(on("www.example.com", "http://other.org/"));
    EXPECT_TRUE(on("example.com", "http://other.org/?ref=example.com"));
}

TEST(ResolveUrl, AgainstThePagePath) {
    const char* const cases[][3] = {
        {"/dir/page.html", "a.html", "http://example.com/dir/a.html"},
        {"/dir/page.html", "contact us.html", "http://example.com/dir/contact us.html"},
        {"/dir/page.html", "/b.html", "http://example.com/b.html"},
        {"/dir/page.html", "./c.html", "http://example.com/dir/c.html"},
        {"/dir/sub/page.html", "../d.html", "http://example.com/dir/d.html"},
        {"/dir/page.html", "../../e.html", "http://example.com/e.html"},
        {"/dir/page.html", "https://x.org/", "https://x.org/"},
        {"/dir/page.html", "HTTP://x.org/", "HTTP://x.org/"},
        {"/dir/page.html", "//cdn.org/f", "http://cdn.org/f"},
        {"/dir/page.html?q=1", "g", "http://example.com/dir/g"},
        {"/dir/page.html?q=1", "?q=2", "http://example.com/dir/page.html?q=2"},
        {"", "g", "http://example.com/g"},
    };
    for (const auto& c : cases) {
        StringBuffer url("old");
        resolveUrl("example.com", StringBuffer(c[0]), StringBuffer(c[1]), url);
        EXPECT_STREQ(url.getString(), c[2]) << c[0] << " " << c[1];
    }
}

TEST(RefreshUrl, SpellingsAndContent) {
    struct Case {
        const char* xml;
        const char* target;
    };
    const Case cases[] = {
        {"<root><meta http-equiv=\"refresh\" content=\"5; URL=http://example.com/main.html\"/></root>",
         "http://example.com/main.html"},
        {"<root><meta HTTP-EQUIV=\"REFRESH\" CONTENT=\"0;url=/start.htm\"/></root>", "/start.htm"},
        {"<root><meta http-equiv=\"Refresh\" content=\"0;URL='/q.htm'\"/></root>", "'/q.htm'"},
        {"<root><meta http-equiv=\"refresh\" content=\"0; Url=/start.html\"/></root>", "/start.html"},
        {"<root><meta http-equiv=\"refresh\" content=\"30\"/></root>", "unchanged"},
        {"<root><meta http-equiv=\"ReFresh\" content=\"0;url=/x\"/></root>", "unchanged"},
        {"<root><meta name=\"x\"/></root>", "unchanged"},
    };
    for (const Case& c : cases) {
        ClsXml tree;
        ASSERT_TRUE(tree.LoadXml(c.xml));
        StringBuffer target("unchanged");
        getRefreshUrl(tree, target);
        EXPECT_STREQ(target.getString(), c.target) << c.xml;
    }
}

TEST(Emails, CollectedLowerCasedAndCountryFromTheFirstUsefulOne) {
    ClsStringArray urls;
    urls.Append("MAILTO:Info@Example.FR?Subject=Hi");
    urls.Append("mailto:bad address@example.de");
    urls.Append("mailto:nobody");
    urls.Append("/contact.html");
    urls.Append("mailto: sales@example.de ");
    // The analyzer's list keeps one copy of each address.
    urls.Append("mailto:info@example.fr");
    SiteAnalyzer analyzer;
    collectEmails(urls, analyzer.emails);
    ASSERT_EQ(analyzer.emails.get_Count(), 2);
    EXPECT_STREQ(analyzer.emails.GetString(0), "info@example.fr");
    EXPECT_STREQ(analyzer.emails.GetString(1), "sales@example.de");

    ClsStringArray addresses;
    addresses.Append("a@site.tv");
    addresses.Append("b@site.com");
    addresses.Append("c@site.fr");
    addresses.Append("d@site.de");
    analyzer.countryFromEmails(addresses);
    EXPECT_STREQ(analyzer.country.getString(), "fr");
    SiteAnalyzer none;
    ClsStringArray generic;
    generic.Append("a@site.tv");
    generic.Append("b@site.com");
    none.countryFromEmails(generic);
    EXPECT_STREQ(none.country.getString(), "");
}

TEST(UrlClasses, AgainstThePatternTables) {
    SiteAnalyzer analyzer;
    analyzer.contactUrlPatterns.Append("*kontakt*");
    analyzer.aboutUrlPatterns.Append("*/about.*");
    analyzer.aboutUrlPatterns.Append("/about*");
    analyzer.sitemapUrlPatterns.Append("*sitemap*");
    EXPECT_TRUE(analyzer.isContactUrl(StringBuffer("/Kontakt/index.html")));
    EXPECT_FALSE(analyzer.isContactUrl(StringBuffer("/contact.html")));
    EXPECT_TRUE(analyzer.isAboutUrl(StringBuffer("/about.htm")));
    EXPECT_TRUE(analyzer.isAboutUrl(StringBuffer("http://x.com/about.php")));
    EXPECT_TRUE(analyzer.isAboutUrl(StringBuffer("/aboutus")));
    EXPECT_FALSE(analyzer.isAboutUrl(StringBuffer("x/aboutus")));
    EXPECT_TRUE(analyzer.isSitemapUrl(StringBuffer("/SiteMap.html")));
    SiteAnalyzer empty;
    EXPECT_FALSE(empty.isSitemapUrl(StringBuffer("/sitemap")));
}

// The shipped contact patterns hold Cyrillic and Greek words; links arrive as written, raw or
// percent-escaped, in any case.
TEST(UrlClasses, CyrillicAndGreekContactPagesOfTheRealTable) {
    std::string table = file_test::readBytes(REFERENCE_TABLE_DIR "/contact_url_patterns.txt");
    ASSERT_FALSE(table.empty());
    SiteAnalyzer analyzer;
    analyzer.contactUrlPatterns.LoadFromText(table.c_str());
    for (const char* href :
         {"/\xD0\xBA\xD0\xBE\xD0\xBD\xD1\x82\xD0\xB0\xD0\xBA\xD1\x82\xD1\x8B.html",
          "/\xD0\x9A\xD0\x9E\xD0\x9D\xD0\xA2\xD0\x90\xD0\x9A\xD0\xA2\xD0\xAB.html",
          "/%D0%BA%D0%BE%D0%BD%D1%82%D0%B0%D0%BA%D1%82%D1%8B.html",
          "/%d0%9a%d0%be%d0%bd%d1%82%d0%b0%d0%ba%d1%82/", "/\xCE\x95\xCE\xA0\xCE\x91\xCE\xA6\xCE\x89/"})
        EXPECT_TRUE(analyzer.isContactUrl(StringBuffer(href))) << href;
    EXPECT_FALSE(analyzer.isContactUrl(StringBuffer("/%D0%BD%D0%BE%D0%B2%D0%BE%D1%81%D1%82%D0%B8/")));
}

} // namespace
