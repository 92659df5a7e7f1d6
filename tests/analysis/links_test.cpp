#include "analysis/links.h"

#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "markup/cls_xml.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

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
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/href_unescapes.tsv", 2)) {
        StringBuffer href(c[0].c_str());
        unescapeHref(href);
        EXPECT_EQ(href.getString(), c[1]) << c[0];
    }
}

TEST(OnSite, Rules) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/on_site_links.tsv", 3))
        EXPECT_EQ(isOnSite(c[0].c_str(), StringBuffer(c[1].c_str())), c[2] == "1") << c[0] << " " << c[1];
}

TEST(ResolveUrl, AgainstThePagePath) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/resolved_urls.tsv", 3)) {
        StringBuffer url("old");
        resolveUrl("example.com", StringBuffer(c[0].c_str()), StringBuffer(c[1].c_str()), url);
        EXPECT_EQ(url.getString(), c[2]) << c[0] << " " << c[1];
    }
}

TEST(RefreshUrl, SpellingsAndContent) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/refresh_urls.tsv", 2)) {
        ClsXml tree;
        ASSERT_TRUE(tree.LoadXml(c[0].c_str()));
        StringBuffer target("unchanged");
        getRefreshUrl(tree, target);
        EXPECT_EQ(target.getString(), c[1]) << c[0];
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
