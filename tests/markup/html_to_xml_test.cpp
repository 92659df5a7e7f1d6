// The HTML-to-XML converter on small pages, byte for byte on the XML text it writes.
#include "markup/cls_html_to_xml.h"

#include "base/x_string.h"
#include "markup/cls_xml.h"
#include "tests/support/escaped_text.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// The XML text of `html`, converted from its ANSI form, or from its UTF-8 form when `utf8` is set.
std::string convert(ClsHtmlToXml& converter, const std::string& html, bool utf8 = false) {
    XString page;
    if (utf8)
        page.setFromUtf8(html.c_str());
    else
        page.setFromAnsi(html.c_str());
    converter.put_Html(page);
    XString out;
    EXPECT_TRUE(converter.ToXml(out));
    EXPECT_EQ(out.isAnsiCurrent(), !utf8);
    return utf8 ? out.getUtf8() : out.getAnsi();
}

std::string convert(const std::string& html, bool utf8 = false) {
    ClsHtmlToXml converter;
    return convert(converter, html, utf8);
}

// The declaration, the empty line before the root, then each line ended by CR LF.
std::string xmlText(const char* encoding, const std::vector<std::string>& lines) {
    std::string out = std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\" ?>\r\n\r\n";
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

// One page a file in html_to_xml_cases, named after the shape it tests: a line "html <page>",
// then one line "xml <line>" for each line of the XML text after the declaration. Both are
// written with the escapes \n, \r, \t, \\ and \xNN.
struct PageCase {
    std::string name;
    std::string html;
    std::vector<std::string> xml;
};

void PrintTo(const PageCase& page, std::ostream* os) {
    *os << page.name;
}

std::vector<PageCase> pageCases() {
    std::vector<PageCase> cases;
    for (const std::string& path : file_test::filesIn(HTML_TO_XML_CASES_DIR, ".case")) {
        PageCase page;
        // The test name: the file name in camel case.
        bool wordStart = true;
        for (char c : std::filesystem::path(path).stem().string()) {
            if (c != '-')
                page.name += wordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            wordStart = c == '-';
        }
        std::ifstream in(path, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("html ", 0) == 0)
                page.html = test_support::unescape(line.substr(5));
            else if (line.rfind("xml ", 0) == 0)
                page.xml.push_back(test_support::unescape(line.substr(4)));
        }
        cases.push_back(page);
    }
    return cases;
}

class ConvertedPageTest : public testing::TestWithParam<PageCase> {};

TEST_P(ConvertedPageTest, GivesTheExpectedXmlText) {
    const PageCase& page = GetParam();
    ASSERT_FALSE(page.xml.empty()) << page.name;
    EXPECT_EQ(convert(page.html), xmlText("windows-1252", page.xml));
}

INSTANTIATE_TEST_SUITE_P(HtmlToXml, ConvertedPageTest, testing::ValuesIn(pageCases()),
                         [](const testing::TestParamInfo<PageCase>& info) { return info.param.name; });

// ---- Character sets and the declaration ----

TEST(HtmlToXmlTest, Utf8PageGetsTheCharacterInUtf8AndIsDeclaredUtf8) {
    EXPECT_EQ(convert("<p>&copy; &euro;</p>", true),
              xmlText("utf-8", {"<root>", "<p>", "<text>\xC2\xA9 \xE2\x82\xAC</text>", "</p>", "</root>"}));
}

// The meta content type names the encoding unless an output charset overrides it.
TEST(HtmlToXmlTest, MetaCharsetAndOutputCharsetNameTheEncoding) {
    const char* page = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">x";
    std::string xml = convert(page);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n", 0), 0u) << xml;
    ClsHtmlToXml converter;
    converter.put_OutputCharset("utf-8");
    xml = convert(converter, page);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n", 0), 0u) << xml;
}

// Replacing the anchor works on the UTF-8 form, which then is the page's only form.
TEST(HtmlToXmlTest, BareAnchorIsTakenForAnEndTag) {
    ClsHtmlToXml converter;
    XString page;
    page.setFromAnsi("<a href=\"x\">link<a>after<A>");
    converter.put_Html(page);
    XString out;
    ASSERT_TRUE(converter.ToXml(out));
    EXPECT_FALSE(out.isAnsiCurrent());
    // "after" follows the link without a blank: the empty text element joins them into one word.
    EXPECT_STREQ(out.getUtf8(), xmlText("utf-8", {"<root>", "<a href=\"x\">", "<text>link</text>", "</a>",
                                                  "<text></text>", "<text>after</text>", "</root>"})
                                    .c_str());
}

// ---- Settings ----

TEST(HtmlToXmlTest, UnknownTagsCanBeDropped) {
    ClsHtmlToXml converter;
    converter.parser().setDropUnknownTags(true);
    EXPECT_EQ(convert(converter, "<p>a <custom>b</custom> c</p>"),
              xmlText("windows-1252", {"<root>", "<p>", "<text>a  b c</text>", "</p>", "</root>"}));
}

TEST(HtmlToXmlTest, DroppedTagsCanBeKept) {
    ClsHtmlToXml converter;
    converter.parser().setDropTag(51, false);
    EXPECT_EQ(convert(converter, "<p>a <b>b</b></p>"),
              xmlText("windows-1252", {"<root>", "<p>", "<text>a </text>", "<b>", "<text>b</text>", "</b>",
                                       "</p>", "</root>"}));
}

TEST(HtmlToXmlTest, NbspModesGiveABlankTheCharacterOrNothing) {
    ClsHtmlToXml converter;
    for (const auto& [mode, text] : {std::pair<uint32_t, const char*>{0, "a b"},
                                     {1, "a\xA0"
                                         "b"},
                                     {2, "ab"}}) {
        converter.parser().setNbspMode(mode);
        EXPECT_EQ(convert(converter, "<p>a&nbsp;b</p>"),
                  xmlText("windows-1252",
                          {"<root>", "<p>", std::string("<text>") + text + "</text>", "</p>", "</root>"}));
    }
}

// ---- The text loads back ----

TEST(HtmlToXmlTest, ConvertedTextLoadsBackIntoADocumentRootedAtRoot) {
    const struct {
        const char* html;
        const char* tag;
        const char* text;
    } cases[] = {
        {"<html><head><title>T &amp; U</title></head><body><p>x</p></body></html>", "title", "T & U"},
        // A CDATA end inside the content loads back whole.
        {"<script>a = \"]]></x></y></z>\";</script><p>after</p>", "script", "a = \"]]></x></y></z>\";"},
    };
    for (const auto& c : cases) {
        ClsXml doc;
        ASSERT_TRUE(doc.LoadXml(convert(c.html).c_str()));
        EXPECT_STREQ(doc.get_Tag(), "root");
        std::unique_ptr<ClsXml> found(doc.SearchForTag(nullptr, c.tag));
        ASSERT_NE(found, nullptr);
        StringBuffer text;
        EXPECT_TRUE(found->GetChildContent("text", text));
        EXPECT_STREQ(text.getString(), c.text);
    }
}

TEST(HtmlToXmlTest, EachConversionStartsAfresh) {
    ClsHtmlToXml converter;
    convert(converter, "<pre><script><table><form><p>open");
    EXPECT_EQ(convert(converter, "<p>x</p>"),
              xmlText("windows-1252", {"<root>", "<p>", "<text>x</text>", "</p>", "</root>"}));
}

} // namespace
