// The pieces of the HTML reader: the tag classifier, entity decoding, the tag normaliser, the
// meta charset reader and the finder of tag ends.
#include "markup/html_parse.h"

#include "base/string_buffer.h"
#include "markup/html_tag_end.h"
#include "markup/html_tag_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

// ---- classifyTag ----

// Start tags by number: every entry of the classifier's table, the prefixes that begin others
// (basefont and base, frams and frame, thead and th, link and li, colgroup and col, embed and em)
// and names that only begin like a table entry.
struct NumberCase {
    const char* tag;
    int number;
};

// clang-format off
const NumberCase kNumberCases[] = {
    {"<body>", 3}, {"<link>", 7}, {"<hr>", 15}, {"<head>", 1}, {"<HEADER class=\"x\">", 1},
    {"<meta name=\"a\">", 2}, {"<title>", 4}, {"<base href=\"x\">", 5}, {"<basefont size=\"2\">", 63},
    {"<isindex>", 6}, {"<li>", 37}, {"<script>", 8}, {"<style>", 9}, {"<address>", 10},
    {"<blockquote>", 12}, {"<center>", 13}, {"<div>", 14}, {"<p>", 16}, {"<h1>", 17}, {"<h4>", 20},
    {"<H6>", 22}, {"<a href=\"x\">", 23}, {"<pre>", 24}, {"<form>", 25}, {"<input type=\"text\">", 26},
    {"<select>", 27}, {"<option>", 28}, {"<optgroup>", 89}, {"<textarea>", 29}, {"<dl>", 30}, {"<dt>", 31},
    {"<dd>", 32}, {"<ol>", 33}, {"<ul>", 34}, {"<dir>", 35}, {"<menu>", 36}, {"<table>", 38},
    {"<caption>", 39}, {"<col>", 40}, {"<colgroup>", 41}, {"<thead>", 42}, {"<tfoot>", 44}, {"<tr>", 45},
    {"<td>", 46}, {"<th>", 47}, {"<applet>", 48}, {"<param>", 49}, {"<img src=\"a\">", 50}, {"<image>", 50},
    {"<b>", 51}, {"<big>", 52}, {"<font face=\"x\">", 53}, {"<i>", 54}, {"<s>", 55}, {"<small>", 56},
    {"<span>", 57}, {"<spacer>", 57}, {"<strike>", 58}, {"<sub>", 59}, {"<sup>", 60}, {"<tt>", 61},
    {"<u>", 62}, {"<map>", 64}, {"<area>", 65}, {"<br>", 66}, {"<del>", 67}, {"<ins>", 68},
    {"<noscript>", 69}, {"<frame>", 70}, {"<frameset>", 70}, {"<frams>", 71}, {"<noframes>", 72},
    {"<iframe>", 73}, {"<bgsound>", 74}, {"<blink>", 75}, {"<embed>", 76}, {"<marquee>", 77},
    {"<multicol>", 78}, {"<nobr>", 79}, {"<noembed>", 80}, {"<server>", 81}, {"<wbr>", 83}, {"<w>", 83},
    {"<button>", 84}, {"<kbd>", 85}, {"<label>", 86}, {"<fieldset>", 87}, {"<legend>", 88},
    {"<object>", 90}, {"<layer>", 91}, {"<ilayer>", 92}, {"<nolayer>", 93}, {"<em>", 94}, {"<strong>", 95},
    {"<html lang=\"de\">", 7777}, {"<abbr>", 8888}, {"<bx>", 8888}, {"<tbody>", 8888}, {"<section>", 8888},
    // One-letter names count only as whole names.
    {"<a>", 23}, {"<a\thref=\"x\">", 23}, {"<a\r\n>", 23}, {"<ab>", 8888}, {"<a:b>", 8888}, {"<a-b>", 8888},
};
// clang-format on

TEST(HtmlParseTest, ClassifiesEveryTagOfTheTable) {
    for (const NumberCase& c : kNumberCases) {
        HtmlTagKind kind = HtmlTagKind::End;
        StringBuffer name;
        EXPECT_EQ(HtmlParse::classifyTag(c.tag, kind, name), c.number) << c.tag;
        EXPECT_EQ(kind, HtmlTagKind::Start) << c.tag;
    }
}

struct ClassifyCase {
    const char* tag;
    int number;
    HtmlTagKind kind;
    const char* name;
};

// Kinds and names.
// clang-format off
const ClassifyCase kClassifyCases[] = {
    {"</BODY>", 3, HtmlTagKind::End, "body"},
    {"<link rel=\"x\"/>", 7, HtmlTagKind::Empty, "link"},
    {"<p/>", 16, HtmlTagKind::Empty, "p"},
    {"<a/>", 23, HtmlTagKind::Empty, "a"},
    {"</a>", 23, HtmlTagKind::End, "a"},
    {"</ p>", 16, HtmlTagKind::End, "p"},
    {"<3>", 9999, HtmlTagKind::Start, "3"},
    {"</>", 9999, HtmlTagKind::End, ""},
    {"text", 9999, HtmlTagKind::Start, ""},
    {"<HEADER class=\"x\">", 1, HtmlTagKind::Start, "header"},
    {"<html lang=\"de\">", 7777, HtmlTagKind::Start, "html"},
};
// clang-format on

class ClassifyTagTest : public testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyTagTest, GivesTheNumberKindAndName) {
    const ClassifyCase& c = GetParam();
    HtmlTagKind kind = HtmlTagKind::End;
    StringBuffer name("stale");
    EXPECT_EQ(HtmlParse::classifyTag(c.tag, kind, name), c.number) << c.tag;
    EXPECT_EQ(kind, c.kind) << c.tag;
    EXPECT_STREQ(name.getString(), c.name) << c.tag;
}

INSTANTIATE_TEST_SUITE_P(HtmlParse, ClassifyTagTest, testing::ValuesIn(kClassifyCases));

TEST(HtmlParseTest, ContainersAreTheTagsLaterContentGoesInto) {
    for (int number : {38, 45, 4,  13, 25, 3,  7777, 10, 24, 35, 23, 16, 17, 22, 30, 31, 32, 37, 33,
                       34, 27, 28, 29, 71, 72, 12,   9,  8,  64, 1,  44, 42, 41, 39, 46, 47, 36, 48,
                       67, 68, 69, 14, 51, 52, 53,   54, 55, 56, 58, 59, 60, 61, 62, 94, 95})
        EXPECT_TRUE(HtmlParse::isContainer(number)) << number;
    for (int number : {2, 5, 6, 7, 15, 26, 40, 49, 50, 57, 63, 65, 66, 70, 73, 79, 84, 89, 90, 8888, 9999})
        EXPECT_FALSE(HtmlParse::isContainer(number)) << number;
}

TEST(HtmlParseTest, PresentationalTagsAreDroppedByDefault) {
    HtmlParse parse;
    for (int number : {51, 52, 53, 54, 55, 56, 58, 59, 60, 61, 62, 13, 66, 94, 95})
        EXPECT_TRUE(parse.isDropTag(number)) << number;
    for (int number : {16, 23, 57, 8888, 7777, -1})
        EXPECT_FALSE(parse.isDropTag(number)) << number;
    parse.setDropTag(57, true);
    parse.setDropTag(8888, true);
    EXPECT_TRUE(parse.isDropTag(57));
    EXPECT_FALSE(parse.isDropTag(8888));
}

// ---- decodeEntities ----

struct DecodeCase {
    const char* text;
    unsigned codePage;
    const char* decoded;
    HtmlReferenceContext context = HtmlReferenceContext::Text;
};
constexpr HtmlReferenceContext kInValue = HtmlReferenceContext::AttributeValue;

// clang-format off
const DecodeCase kDecodeCases[] = {
    {"a&nbsp;b", 1252, "a b"},
    {"&eacute;t&eacute;", 1252, "\xE9t\xE9"},
    {"&copy;&iexcl;&yuml;", 28591, "\xA9\xA1\xFF"},
    {"&euro; &trade;", 65001, "\xE2\x82\xAC \xE2\x84\xA2"},
    {"&euro;&dagger;&Dagger;&circ;&OElig;&rdquo;&ndash;&mdash;&tilde;&trade;&oelig;&Yuml;", 1252,
     "\x80\x86\x87\x88\x8C\x94\x96\x97\x98\x99\x9C\x9F"},
    {"&amp; &lt; &gt; &quot;", 1252, "& < > \""},
    {"&eacute &unknown; &Eacute;", 1252, "\xE9 &unknown; \xC9"},
    {"&copy2024 &ampx &notin &notin; &LT&GTx &frac12;", 65001,
     "\xC2\xA9" "2024 &x \xC2\xACin \xE2\x88\x89 <>x \xC2\xBD"},
    {"&nbsp&apos &euro &ensp &rsquo", 65001, " &apos &euro &ensp &rsquo"},
    {"?a=1&copy=2&reg;&regx&amp&lt", 65001, "?a=1&copy=2\xC2\xAE&regx&<", kInValue},
    {"&eacute; &#233 &eacute.", 65001, "\xC3\xA9 \xC3\xA9 \xC3\xA9.", kInValue},
    {"&#233; and &eacute;", 1252, "\xE9 and \xE9"},
    {"&#x41;&#X42&#67;", 65001, "ABC"},
    {"Zubeh&#246;r", 65001, "Zubeh\xC3\xB6r"},
    {"&rsquo;&hellip;&bull;", 65001, "\xE2\x80\x99\xE2\x80\xA6\xE2\x80\xA2"},
    {"&rsquo;&hellip;&bull;", 1252, "\x92\x85\x95"},
    {"&#150;", 65001, "\xE2\x80\x93"},
    {"&NotEqualTilde;", 65001, "\xE2\x89\x82\xCC\xB8"},
    {"&euro;", 28591, "&euro;"},
    {"&#x3b1;", 28591, "&#x3b1;"},
    {"&#; &#x; &;", 65001, "&#; &#x; &;"},
    {"trailing &", 1252, "trailing &"},
};
// clang-format on

class DecodeEntitiesTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeEntitiesTest, DecodesEveryReference) {
    const DecodeCase& c = GetParam();
    HtmlParse parse;
    StringBuffer text(c.text);
    parse.decodeEntities(text, c.codePage, c.context);
    EXPECT_STREQ(text.getString(), c.decoded) << c.text;
}

INSTANTIATE_TEST_SUITE_P(HtmlParse, DecodeEntitiesTest, testing::ValuesIn(kDecodeCases));

TEST(HtmlParseTest, NbspIsReplacedBeforeTheOtherReferences) {
    HtmlParse parse;
    parse.setNbspMode(1);
    StringBuffer asCharacter("a&nbsp;b");
    parse.decodeEntities(asCharacter, 1252);
    EXPECT_STREQ(asCharacter.getString(), "a\xA0"
                                          "b");

    parse.setNbspMode(7);
    StringBuffer removed("&&nbsp;copy;");
    parse.decodeEntities(removed, 1252);
    EXPECT_STREQ(removed.getString(), "\xA9");
}

TEST(HtmlParseTest, DecodingFollowsTheCodePageItIsGiven) {
    HtmlParse parse;
    StringBuffer utf8("&auml;");
    parse.decodeEntities(utf8, 65001);
    StringBuffer ansi("&auml;");
    parse.decodeEntities(ansi, 1252);
    EXPECT_STREQ(utf8.getString(), "\xC3\xA4");
    EXPECT_STREQ(ansi.getString(), "\xE4");
}

// ---- cleanTag ----

using Ending = HtmlTagText::TagEnding;

struct CleanCase {
    const char* tag;
    const char* cleaned;
    Ending ending;
};

// clang-format off
const CleanCase kCleanCases[] = {
    {"<img src=a.gif alt=\"x\" >", "<img src=\"a.gif\" alt=\"x\">", Ending::AfterValue},
    {"no tag here", "", Ending::NoTag},
    {"<META NAME=Description CONTENT=\"A b\">", "<META NAME=\"Description\" CONTENT=\"A b\">", Ending::AfterValue},
    {"<a title=say\"hi\">", "<a title='say\"hi\"'>", Ending::AfterValue},
    {"<a href='x'>", "<a href='x'>", Ending::AfterValue},
    {"<input checked disabled>", "<input checked disabled>", Ending::AfterValueless},
    {"<input disabled type=\"x\">", "<input disabled type=\"x\">", Ending::AfterValue},
    {"<br>", "<br>", Ending::Unexpected},
    {"<br />", "<br />", Ending::AfterValueless},
    {"<a href=\"x\"/>", "<a href=\"x\" />", Ending::AfterValueless},
    {"< p >", "<p>", Ending::AfterName},
    {"<a\r\nhref=\"x\ny\">", "<a href=\"x y\">", Ending::AfterValue},
    {"<a title=\"a\r\nb\">", "<a title=\"a b\">", Ending::AfterValue},
    {"<a href=\"x\" b ;>", "<a href=\"x\">", Ending::Unexpected},
    {"<a href=\"x\" ", "<a href=\"x\">", Ending::Unexpected},
    {"<a href=\\\"x\\\">", "<a href=\"x\">", Ending::AfterValue},
    {"<p title=\"oops>", "<p title=\"oops>\">", Ending::Unexpected},
    {"junk <b class = big >", "<b class=\"big\">", Ending::AfterValue},
};
// clang-format on

class CleanTagTest : public testing::TestWithParam<CleanCase> {};

TEST_P(CleanTagTest, WritesTheNormalForm) {
    const CleanCase& c = GetParam();
    StringBuffer out("stale");
    Ending ending = HtmlTagText::cleanTag(c.tag, std::strlen(c.tag), out);
    EXPECT_STREQ(out.getString(), c.cleaned) << c.tag;
    EXPECT_EQ(ending, c.ending) << c.tag;
}

INSTANTIATE_TEST_SUITE_P(HtmlTagText, CleanTagTest, testing::ValuesIn(kCleanCases));

TEST(HtmlTagTextTest, MoreThanAHundredValuedAttributesEndWithoutGreaterThan) {
    std::string tag = "<a";
    for (int i = 0; i < 150; ++i)
        tag += " x" + std::to_string(i) + "=" + std::to_string(i);
    tag += ">";
    StringBuffer out;
    EXPECT_EQ(HtmlTagText::cleanTag(tag.c_str(), tag.size(), out), Ending::TooManyAttributes);
    std::string cleaned = out.getString();
    EXPECT_NE(cleaned.find(" x100=\"100\""), std::string::npos);
    EXPECT_EQ(cleaned.find("x101"), std::string::npos);
    EXPECT_NE(cleaned.back(), '>');
}

TEST(HtmlTagTextTest, AttributeValueIsTrimmedAndUsesSlashes) {
    StringBuffer out("stale");
    HtmlTagText::getAttributeValue("<a HREF=\" C:\\dir\\x \xA0\">", "href", out);
    EXPECT_STREQ(out.getString(), "C:/dir/x");
    HtmlTagText::getAttributeValue("<a title=\"x>", "title", out);
    EXPECT_STREQ(out.getString(), "");
    HtmlTagText::getAttributeValue("<a>", "title", out);
    EXPECT_STREQ(out.getString(), "");
    HtmlTagText::getAttributeValue("<a HREF='y'>", "href", out);
    EXPECT_STREQ(out.getString(), "y");
    // The name matches as the tail of a longer name too.
    HtmlTagText::getAttributeValue("<a data-href=\"z\">", "href", out);
    EXPECT_STREQ(out.getString(), "z");
}

// ---- HtmlTagEndFinder ----

// The definition: the first `>` outside quotes, else the first `>` at all.
size_t naiveTagEnd(const std::string& text, size_t start) {
    char quote = 0;
    for (size_t i = start; i < text.size(); ++i) {
        if (quote != 0) {
            if (text[i] == quote)
                quote = 0;
        } else if (text[i] == '"' || text[i] == '\'') {
            quote = text[i];
        } else if (text[i] == '>') {
            return i;
        }
    }
    size_t first = text.find('>', start);
    return first == std::string::npos ? HtmlTagEndFinder::kNone : first;
}

TEST(HtmlTagEndFinderTest, AgreesWithTheDefinitionOnRandomText) {
    std::mt19937 random(12345);
    const char alphabet[] = "<>\"'a ";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        size_t length = random() % 200;
        for (size_t i = 0; i < length; ++i)
            text += alphabet[random() % 6];
        HtmlTagEndFinder finder(text.data(), text.size());
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '<')
                continue;
            ASSERT_EQ(finder.find(i), naiveTagEnd(text, i)) << text << " at " << i;
        }
    }
}

} // namespace
