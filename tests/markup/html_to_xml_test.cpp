// The HTML-to-XML converter on small pages, byte for byte on the XML text it writes.
#include "markup/cls_html_to_xml.h"

#include "base/x_string.h"
#include "markup/cls_xml.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

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
std::string xmlText(const char* encoding, std::initializer_list<const char*> lines) {
    std::string out = std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\" ?>\r\n\r\n";
    for (const char* line : lines)
        out += std::string(line) + "\r\n";
    return out;
}

struct PageCase {
    const char* name;
    const char* html;
    std::initializer_list<const char*> xml;
};

// clang-format off
const PageCase kPages[] = {
    {"TextWithoutMarkupIsOneTextElement", "plain words &amp; more",
     {"<root>", "<text>plain words &amp; more</text>", "</root>"}},
    {"DroppedPhrasingTagsJoinTheWordsAsWritten", "<p>Hello <b>big</b> world, <b>F</b>irst <i>x</i>\n<em>y</em>z</p>",
     {"<root>", "<p>", "<text>Hello big world, First x\nyz</text>", "</p>", "</root>"}},
    {"DroppedBreakSeparatesTheWords", "<p>one<br>two<br/>three</p>",
     {"<root>", "<p>", "<text>one two three</text>", "</p>", "</root>"}},
    {"TableCellWithoutRowGetsAnImplicitRow", "<table><td>x</table>",
     {"<root>", "<table>", "<tr>", "<td>", "<text>x</text>", "</td>", "</tr>", "</table>", "</root>"}},
    {"SecondListItemClosesTheFirst", "<ul><li>a<li>b</ul>",
     {"<root>", "<ul>", "<li>", "<text>a</text>", "</li>", "<li>", "<text>b</text>", "</li>", "</ul>",
      "</root>"}},
    {"ScriptCodeIsACdataTextChild", "<script>if (a < b) go();</script>",
     {"<root>", "<script>", "<text><![CDATA[if (a < b) go();]]></text>", "</script>", "</root>"}},
    {"ScriptCodeBeginningWithLessThanIsTheScriptsContent", "<script><!-- hide(); --></script>",
     {"<root>", "<script><![CDATA[<!-- hide(); -->]]></script>", "</root>"}},
    {"NamedReferenceBecomesTheLatin1Character", "<p>&copy; 2024</p>",
     {"<root>", "<p>", "<text>\xA9 2024</text>", "</p>", "</root>"}},
    {"NumericReferenceIsDecoded", "<p>&#169; 2024 Zubeh&#246;r &#x41;</p>",
     {"<root>", "<p>", "<text>\xA9 2024 Zubeh\xF6r A</text>", "</p>", "</root>"}},
    {"Html5NamedReferencesAreDecoded", "<p>it&rsquo;s&hellip; &bull;</p>",
     {"<root>", "<p>", "<text>it\x92s\x85 \x95</text>", "</p>", "</root>"}},
    {"EscapedMarkupIsDecodedAndWrittenEscaped", "<p>a &amp; b &#38; c &lt;d&gt;</p>",
     {"<root>", "<p>", "<text>a &amp; b &amp; c &lt;d&gt;</text>", "</p>", "</root>"}},
    {"CharacterOutsideTheCodePageStaysAsItsReference", "<p>&alpha;</p>",
     {"<root>", "<p>", "<text>&amp;alpha;</text>", "</p>", "</root>"}},
    {"NestedTablesStayNested",
     "<table><tr><td>a<table><tr><td>b</td></tr></table>c</td></tr></table>",
     {"<root>", "<table>", "<tr>", "<td>", "<text>a</text>", "<table>", "<tr>", "<td>", "<text>b</text>",
      "</td>", "</tr>", "</table>", "<text>c</text>", "</td>", "</tr>", "</table>", "</root>"}},
    {"FramesetAndFramesAreLeaves",
     "<html><frameset cols=\"50%,50%\"><frame src=a.html><frame src=\"b.html\">"
     "<noframes>No frames</noframes></frameset></html>",
     {"<root>", "<html>", "<frameset cols=\"50%,50%\"></frameset>", "<frame src=\"a.html\"></frame>",
      "<frame src=\"b.html\"></frame>", "<noframes>", "<text>No frames</text>", "</noframes>", "</html>",
      "</root>"}},
    {"UnclosedAttributeQuoteEndsTheTagAtItsFirstGreaterThan", "<p title=\"oops>Text</p><p>more</p>",
     {"<root>", "<p title=\"oops&gt;\">", "<text>Text</text>", "</p>", "<p>", "<text>more</text>", "</p>",
      "</root>"}},
    {"TagWithoutGreaterThanEndsTheConversion", "<p>before</p>after<img src=\"x.gif\" alt='y'",
     {"<root>", "<p>", "<text>before</text>", "</p>", "<text>after</text>", "</root>"}},
    {"ParagraphIsClosedByADiv", "<p>a<div>b</div>",
     {"<root>", "<p>", "<text>a</text>", "</p>", "<div>", "<text>b</text>", "</div>", "</root>"}},
    {"ParagraphInAnEnclosingCellStaysOpen", "<p>a<table><tr><td><div>b</div></td></tr></table>c</p>",
     {"<root>", "<p>", "<text>a</text>", "<table>", "<tr>", "<td>", "<div>", "<text>b</text>", "</div>",
      "</td>", "</tr>", "</table>", "<text>c</text>", "</p>", "</root>"}},
    {"OptionsAreClosedByTheNextOptionAndTheSelectEnd",
     "<select name=s><option value=1>one<option value=2>two</select>after",
     {"<root>", "<select name=\"s\">", "<option value=\"1\">", "<text>one</text>", "</option>",
      "<option value=\"2\">", "<text>two</text>", "</option>", "</select>", "<text>after</text>", "</root>"}},
    {"DefinitionTermsAndDescriptionsCloseEachOther", "<dl><dt>term<dd>meaning</dl>x",
     {"<root>", "<dl>", "<dt>", "<text>term</text>", "</dt>", "<dd>", "<text>meaning</text>", "</dd>",
      "</dl>",
      "<text>x</text>", "</root>"}},
    {"NestedListKeepsItsItemsInside", "<ul><li>a<ul><li>b</ul><li>c</ul>",
     {"<root>", "<ul>", "<li>", "<text>a</text>", "<ul>", "<li>", "<text>b</text>", "</li>", "</ul>", "</li>",
      "<li>", "<text>c</text>", "</li>", "</ul>", "</root>"}},
    {"ListEndClosesItsOpenItem", "<ol><li>a</ol>b",
     {"<root>", "<ol>", "<li>", "<text>a</text>", "</li>", "</ol>", "<text>b</text>", "</root>"}},
    {"FormEndInsideACellWaitsForTheCellsToClose",
     "<body><form><table><tr><td>a</form></td></tr></table><p>b</p></body>",
     {"<root>", "<body>", "<form>", "<table>", "<tr>", "<td>", "<text>a</text>", "</td>", "</tr>", "</table>",
      "<p>", "<text>b</text>", "</p>", "</form>", "</body>", "</root>"}},
    {"EndTagWithoutAnOpenElementIsIgnored", "<div><nobr>x</span>y</p>z</div>",
     {"<root>", "<div>", "<nobr></nobr>", "<text>xy z</text>", "</div>", "</root>"}},
    {"CellEndClosesTheParagraphInTheCell", "<table><tr><td><p>a</td><td>b</td></tr></table>",
     {"<root>", "<table>", "<tr>", "<td>", "<p>", "<text>a</text>", "</p>", "</td>", "<td>",
      "<text>b</text>", "</td>", "</tr>", "</table>", "</root>"}},
    {"EndTagInACellLeavesTheElementAroundTheTable", "<div><table><tr><td>a</div>b</td></tr></table>c</div>d",
     {"<root>", "<div>", "<table>", "<tr>", "<td>", "<text>a b</text>", "</td>", "</tr>", "</table>",
      "<text>c</text>", "</div>", "<text>d</text>", "</root>"}},
    {"NextCellClosesTheOpenCell", "<table><tr><td>a<td>b</tr><tr><td>c</table>",
     {"<root>", "<table>", "<tr>", "<td>", "<text>a</text>", "</td>", "<td>", "<text>b</text>", "</td>",
      "</tr>", "<tr>", "<td>", "<text>c</text>", "</td>", "</tr>", "</table>", "</root>"}},
    {"PreformattedTextIsKeptAsWritten", "<pre>a &amp; b\n  c</pre>d &amp; e",
     {"<root>", "<pre>", "<text><![CDATA[a & b\n  c]]></text>", "</pre>", "<text>d &amp; e</text>",
      "</root>"}},
    {"DoctypeAndCommentBecomeElements", "<!DOCTYPE html PUBLIC \"-//W3C\"><!-- a note --><p>x</p>",
     {"<root>", "<doctype>html PUBLIC &quot;-//W3C&quot;</doctype>", "<comment>a note</comment>", "<p>",
      "<text>x</text>", "</p>", "</root>"}},
    {"CommentEndsAtDashDashBangToo", "a<!-- x --!>b<!-->c<!--->d",
     {"<root>", "<text>a</text>", "<comment>x</comment>", "<text></text>", "<text>b</text>",
      "<comment></comment>", "<text></text>", "<text>c</text>", "<comment></comment>", "<text></text>",
      "<text>d</text>", "</root>"}},
    {"UnclosedCommentRunsToTheEnd", "<p>a</p><!-- b > c",
     {"<root>", "<p>", "<text>a</text>", "</p>", "<comment>b &gt; c</comment>", "</root>"}},
    {"CommentOverLinesIsCdata", "<!-- one\ntwo -->",
     {"<root>", "<comment><![CDATA[one\ntwo]]></comment>", "</root>"}},
    {"DeclarationWithoutDashesEndsAtItsGreaterThan", "<!ELEMENT x><p>y</p>",
     {"<root>", "<comment>ELEMENT x</comment>", "<p>", "<text>y</text>", "</p>", "</root>"}},
    {"BogusCommentEndsAtItsFirstGreaterThan", "<!\xE2\x80\x93 note \xE2\x80\x93><p>words</p><p>more --></p>",
     {"<root>", "<comment>\xE2\x80\x93 note \xE2\x80\x93</comment>", "<p>", "<text>words</text>", "</p>",
      "<p>", "<text>more --&gt;</text>", "</p>", "</root>"}},
    {"ConditionalCommentsEndAtTheirGreaterThan", "<![if !lte IE 9]><p>x</p><![endif]>-->y",
     {"<root>", "<comment>[if !lte IE 9]</comment>", "<p>", "<text>x</text>", "</p>", "<comment>[endif]</comment>",
      "<text>--&gt;y</text>", "</root>"}},
    {"StyleIsRawText", "<style>/* <![CDATA[ */ p > a {} /* ]]> */</style><h1>Head</h1>",
     {"<root>", "<style>", "<text><![CDATA[/* <![CDATA[ */ p > a {} /* ]]]]><![CDATA[> */]]></text>", "</style>",
      "<h1>", "<text>Head</text>", "</h1>", "</root>"}},
    {"ScriptInsideAScriptCommentDoesNotEndTheScript", "<script><!--<script>a</script>-->b</script>c",
     {"<root>", "<script><![CDATA[<!--<script>a</script>-->b]]></script>", "<text>c</text>", "</root>"}},
    {"LegacyNamesAreReadInTextAndInValuesNotBeforeLettersOrEquals",
     "<a href=\"?a=1&copy=2&amp=3&#038;b=4\" title=\"&copy 2024\">&copy 2024 &amp more</a>",
     {"<root>", "<a href=\"?a=1&amp;copy=2&amp;amp=3&amp;b=4\" title=\"\xA9 2024\">",
      "<text>\xA9 2024 &amp; more</text>", "</a>", "</root>"}},
    {"AttributeWithoutValueBeforeASpacedSlashIsDroppedWithTheSlash", "<div class=\"a\" hidden />x</div>",
     {"<root>", "<div class=\"a\">", "<text>x</text>", "</div>", "</root>"}},
    {"EndTagWithABlankBeforeItsNameAndStrayMarkupIsNoTag", "<p>a</ p<!-- />b</p>c",
     {"<root>", "<p>", "<text>ab</text>", "</p>", "<text>c</text>", "</root>"}},
    {"RepeatedAttributeKeepsTheLastValue", "<img src=\"a.gif\" alt=x src=\"b.gif\">",
     {"<root>", "<img alt=\"x\" src=\"b.gif\"></img>", "</root>"}},
    {"AttributeValuesAreDecodedAndWrittenEscaped", "<a href=\"/q?a=1&amp;b=2\">go</a>",
     {"<root>", "<a href=\"/q?a=1&amp;b=2\">", "<text>go</text>", "</a>", "</root>"}},
    {"MarkupSwallowedByAQuoteInTheNameIsDroppedAndTheNameMended", "<p'>x<<!y>z</p>'>rest",
     {"<root>", "<p_></p_>", "<text>rest</text>", "</root>"}},
    {"EmptyContainerTagOpensNothing", "<div/>x",
     {"<root>", "<div></div>", "<text>x</text>", "</root>"}},
    {"WhitespaceAfterATagIsSkippedButNotBeforeOne", "<p>  a  <br>  b  </p>",
     {"<root>", "<p>", "<text>a   b  </text>", "</p>", "</root>"}},
    {"TextBeforeTheFirstTagIsKept", "words<p>x</p>",
     {"<root>", "<text>words</text>", "<p>", "<text>x</text>", "</p>", "</root>"}},
    {"UnknownTagsAreLeaves", "<custom a=1>x</custom>",
     {"<root>", "<custom a=\"1\"></custom>", "<text>x</text>", "</root>"}},
    {"LessThanBeforeNoLetterIsText", "<p><a href=x>I <3 it</a> 1 < 2 <= 3</p>",
     {"<root>", "<p>", "<a href=\"x\">", "<text>I &lt;3 it</text>", "</a>", "<text> 1 &lt; 2 &lt;= 3</text>",
      "</p>", "</root>"}},
    {"BodyEndClosesTheBody", "<body><div>x</body>y",
     {"<root>", "<body>", "<div>", "<text>x</text>", "</div>", "</body>", "<text>y</text>", "</root>"}},
    {"EuroInAnAnsiPageIsItsWindows1252Byte", "<p>&euro;&ndash;&trade;</p>",
     {"<root>", "<p>", "<text>\x80\x96\x99</text>", "</p>", "</root>"}},
    {"EmptyPageGivesAnEmptyTextElement", "", {"<root>", "<text></text>", "</root>"}},
    {"CdataEndInsideScriptSurvivesTheRoundTrip", "<script>s = \"]]>\";</script>",
     {"<root>", "<script>", "<text><![CDATA[s = \"]]]]><![CDATA[>\";]]></text>", "</script>", "</root>"}},
};
// clang-format on

class ConvertedPageTest : public testing::TestWithParam<PageCase> {};

TEST_P(ConvertedPageTest, GivesTheExpectedXmlText) {
    const PageCase& page = GetParam();
    EXPECT_EQ(convert(page.html), xmlText("windows-1252", page.xml));
}

INSTANTIATE_TEST_SUITE_P(HtmlToXml, ConvertedPageTest, testing::ValuesIn(kPages),
                         [](const testing::TestParamInfo<PageCase>& info) {
                             return std::string(info.param.name);
                         });

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
    EXPECT_EQ(convert(converter, "<p>a&nbsp;b</p>"),
              xmlText("windows-1252", {"<root>", "<p>", "<text>a b</text>", "</p>", "</root>"}));
    converter.parser().setNbspMode(1);
    EXPECT_EQ(convert(converter, "<p>a&nbsp;b</p>"), xmlText("windows-1252", {"<root>", "<p>",
                                                                              "<text>a\xA0"
                                                                              "b</text>",
                                                                              "</p>", "</root>"}));
    converter.parser().setNbspMode(2);
    EXPECT_EQ(convert(converter, "<p>a&nbsp;b</p>"),
              xmlText("windows-1252", {"<root>", "<p>", "<text>ab</text>", "</p>", "</root>"}));
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
