// The HTML-to-XML converter on small pages, byte for byte on the XML text it writes, and the
// document it hands over without the text the same as the one that text loads into.
#include "markup/cls_html_to_xml.h"

#include "base/x_string.h"
#include "markup/cls_xml.h"
#include "tests/support/case_rows.h"
#include "tests/support/escaped_text.h"
#include "tests/support/file_test_support.h"
#include "tests/support/html_round_trip.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// The XML text of `html`, converted from its ANSI form, or from its UTF-8 form when `utf8Page` is
// set; the result is expected in UTF-8 form when `utf8Result` is set, else in ANSI form.
std::string convert(ClsHtmlToXml& converter, const std::string& html, bool utf8Page = false,
                    bool utf8Result = false) {
    XString page;
    if (utf8Page)
        page.setFromUtf8(html.c_str());
    else
        page.setFromAnsi(html.c_str());
    converter.put_Html(page);
    XString out;
    EXPECT_TRUE(converter.ToXml(out));
    EXPECT_EQ(out.isAnsiCurrent(), !utf8Result);
    return utf8Result ? out.getUtf8() : out.getAnsi();
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
// page is given in its UTF-8 form), "utf8-result" (the result comes in UTF-8 form), "drop-unknown",
// "keep-tag <number>", "nbsp <mode>", "output-charset <name>"; "encoding <name>" is the one the
// declaration names (windows-1252 unless said otherwise). Lines starting with '#' are notes.
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
            if (line.empty() || line[0] == '#')
                continue;
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
    bool utf8 = false, utf8Result = false;
    for (const auto& [word, value] : GetParam().lines) {
        if (word == "html")
            html = value;
        else if (word == "xml")
            xml.push_back(value);
        else if (word == "encoding")
            encoding = value;
        else if (word == "utf8")
            utf8 = true;
        else if (word == "utf8-result")
            utf8Result = true;
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
    std::string text = convert(converter, html, utf8, utf8 || utf8Result);
    EXPECT_EQ(text, xmlText(encoding.c_str(), xml));
    ClsXml loaded;
    EXPECT_EQ(html_round_trip::directFault(converter, loaded, loaded.LoadXml(text.c_str())), "");
}

INSTANTIATE_TEST_SUITE_P(HtmlToXml, ConvertedPageTest, testing::ValuesIn(pageCases()),
                         [](const testing::TestParamInfo<PageCase>& info) { return info.param.name; });

// ---- The text loads back ----

TEST(HtmlToXmlTest, ConvertedTextLoadsBackIntoADocumentRootedAtRoot) {
    for (const case_rows::Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/html_loaded_back.tsv", 3)) {
        ClsXml doc;
        ASSERT_TRUE(doc.LoadXml(convert(c[0]).c_str()));
        EXPECT_STREQ(doc.get_Tag(), "root");
        std::unique_ptr<ClsXml> found(doc.SearchForTag(nullptr, c[1].c_str()));
        ASSERT_NE(found, nullptr);
        StringBuffer text;
        EXPECT_TRUE(found->GetChildContent("text", text));
        EXPECT_EQ(text.getString(), c[2]) << c[0];
    }
}

TEST(HtmlToXmlTest, EachConversionStartsAfresh) {
    ClsHtmlToXml converter;
    convert(converter, "<pre><script><table><form><p>open");
    EXPECT_EQ(convert(converter, "<p>x</p>"),
              xmlText("windows-1252", {"<root>", "<p>", "<text>x</text>", "</p>", "</root>"}));
}

} // namespace
