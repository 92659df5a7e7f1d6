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

std::string convert(const std::string& html) {
    ClsHtmlToXml converter;
    return convert(converter, html);
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
// written with the escapes of escaped_text.h. Optional lines set the converter up: "utf8" (the
// page is given in its UTF-8 form), "drop-unknown", "keep-tag <number>", "nbsp <mode>",
// "output-charset <name>"; "encoding <name>" is the one the declaration names (windows-1252
// unless said otherwise).
struct PageCase {
    std::string name;
    std::vector<std::pair<std::string, std::string>> lines;
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
            size_t gap = line.find(' ');
            page.lines.emplace_back(line.substr(0, gap), gap == std::string::npos
                                                             ? ""
                                                             : test_support::unescape(line.substr(gap + 1)));
        }
        cases.push_back(page);
    }
    return cases;
}

class ConvertedPageTest : public testing::TestWithParam<PageCase> {};

TEST_P(ConvertedPageTest, GivesTheExpectedXmlText) {
    ClsHtmlToXml converter;
    std::string html, encoding = "windows-1252";
    std::vector<std::string> xml;
    bool utf8 = false;
    for (const auto& [word, value] : GetParam().lines) {
        if (word == "html")
            html = value;
        else if (word == "xml")
            xml.push_back(value);
        else if (word == "encoding")
            encoding = value;
        else if (word == "utf8")
            utf8 = true;
        else if (word == "drop-unknown")
            converter.parser().setDropUnknownTags(true);
        else if (word == "keep-tag")
            converter.parser().setDropTag(std::stoi(value), false);
        else if (word == "nbsp")
            converter.parser().setNbspMode(std::stoul(value));
        else if (word == "output-charset")
            converter.put_OutputCharset(value.c_str());
        else
            ADD_FAILURE() << "unknown line " << word;
    }
    ASSERT_FALSE(xml.empty());
    EXPECT_EQ(convert(converter, html, utf8), xmlText(encoding.c_str(), xml));
}

INSTANTIATE_TEST_SUITE_P(HtmlToXml, ConvertedPageTest, testing::ValuesIn(pageCases()),
                         [](const testing::TestParamInfo<PageCase>& info) { return info.param.name; });

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
