#include "analysis/page_text.h"

#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "primed_analyzer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string vectorOf(const char* charset, const char* text) {
    StringBuffer out("stale");
    makeWordVector(primedAnalyzer(), charset, StringBuffer(text), out);
    return out.getString();
}

TEST(WordVector, TextShapes) {
    const struct {
        const char* charset;
        const char* text;
        const char* vector;
    } cases[] = {
        {"iso-8859-1", "copyright 2005 acme inc. all rights reserved.", "acme,1"},
        // Place names count as one word.
        {"iso-8859-1", "New York", "new_york,1"},
        {"iso-8859-1", "Hotels in New York and new york", "hotels,1,new_york,2"},
        {"utf-8", "", ""},
        {nullptr, "a an to", ""},
        // A Latin-1 page with Greek words: the Greek letters do not convert and vanish.
        {"iso-8859-1", "garden \xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 garden", "garden,2"},
        // Broken UTF-8 is dropped by the round trip through UTF-16.
        {"utf-8",
         "gar\xFF"
         "den\xC3",
         "garden,1"},
        // Counted in 1251, where the capitals are 0xC0 to 0xDF; the vector is UTF-8.
        {"windows-1251",
         "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2 \xD0\x9C\xD0\x98\xD0\xA0 "
         "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2",
         "\xD0\xBC\xD0\xB8\xD1\x80,1,\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82,2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vectorOf(c.charset, c.text), c.vector) << c.text;
}

TEST(WordVector, CodePageChoice) {
    struct Case {
        const char* charset;
        unsigned codePage;
    };
    const Case cases[] = {
        {nullptr, 65001},       {"ISO_8859-1", 28591},      {"windows-1251", 1251}, {"windows-1252", 1252},
        {"iso-8859-15", 28605}, {"windows-1258", 1258},     {"koi8-r", 65001},      {"shift_jis", 65001},
        {"big5", 65001},        {"no-such-charset", 65001}, {"utf-8", 65001},       {"unicode", 65001},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wordVectorCodePage(c.charset), c.codePage) << (c.charset ? c.charset : "(null)");
}

TEST(WordVector, LimitIsTheAnalyzersMaximum) {
    std::string text;
    for (char c = 'a'; c <= 'z'; ++c)
        text += std::string("zq") + c + "x ";
    std::string vector = vectorOf("iso-8859-1", text.c_str());
    int commas = 0;
    for (char c : vector)
        commas += c == ',' ? 1 : 0;
    EXPECT_EQ(commas, 2 * 12 - 1) << vector;
}

std::string cleaned(const char* text) {
    ClsStringArray phrases;
    phrases.LoadFromText(
        "do not include strings that can be found in urls.\r\n****\r\nnew york\r\nnew_york\r\n"
        "st. john\r\nst_john\r\nlonely\r\n");
    StringBuffer work(text);
    cleanWordVectorText(phrases, 28591, work);
    return work.getString();
}

// Each place phrase is replaced in the text the earlier ones left, so a replacement can make or
// break a later phrase's match.
struct PhraseCase {
    std::vector<const char*> table; // phrase, joined form, phrase, joined form...
    const char* text;
    const char* expected;
};

TEST(WordVectorCleaning, PlacePhrasesReplacedInTableOrderOnTheTextSoFar) {
    const PhraseCase cases[] = {
        // A later phrase made by an earlier replacement, absent from the text before.
        {{"qa qb", "qa_qb", "_qb qc", "qx"}, "qa qb qc", "qaqx"},
        // An earlier phrase spoils a later one's match.
        {{"qb qc", "qb_qc", "qb qcx", "zz"}, "qa qb qcx", "qa qb_qcx"},
        // A later phrase matches inside an earlier replacement and in the plain text.
        {{"new york", "new_york", "york", "yrk"}, "new york and york", "new_yrk and yrk"},
        // An empty replacement joins its two sides into a later phrase.
        {{"zz", "", "qaqb", "qc"}, "qazzqb", "qc"},
        // Non-overlapping matches from the left; the last byte of the text; a one-byte phrase.
        {{"aa", "b", "q", "k"}, "aaa qq", "ba kk"},
        // A replacement containing its own phrase is not searched again.
        {{"qe", "qeqe"}, "qe qe", "qeqe qeqe"},
    };
    for (const PhraseCase& c : cases) {
        ClsStringArray phrases;
        for (const char* entry : c.table)
            phrases.Append(entry);
        StringBuffer work(c.text);
        cleanWordVectorText(phrases, 28591, work);
        EXPECT_STREQ(work.getString(), c.expected) << c.text;
    }
}

TEST(WordVectorCleaning, StepsInOrder) {
    EXPECT_EQ(cleaned("a....b c___d e----f"), "a.b c_d e-f");
    EXPECT_EQ(cleaned("End. Next.\nLine.\tTab.\rCr."), "end next line tab cr.");
    EXPECT_EQ(cleaned("See http://www.acme.com/ or HTTPS://x.org"), "see www.acme.com or x.org");
    EXPECT_EQ(cleaned("<a>[b]=c$d?e\"f'g,h:i/j\xABk;l%m(n)o&p#q\xBBr!s|t"),
              " a b c d e f g h i j k l m n o p q r s t");
    EXPECT_EQ(cleaned("\xA9 Copyright Acme \xA9 2005 \xAE x\x92s"), " acme 2005 x s");
    EXPECT_EQ(cleaned("Contents of this site may be reproduced. Privacy Policy"), "  ");
    // Step 2 has already turned "St. John" into "st john" when the place phrases are joined.
    EXPECT_EQ(cleaned("Developed by Zed, best in New York. St. John"), "zed best in new_york st john");
    // The note pair is a phrase like any other; a key without a value is not used.
    EXPECT_EQ(cleaned("lonely Do not include strings that can be found in URLs."), "lonely ****");
}

struct PageTextCase {
    const char* name;
    const char* html;
    const char* text;
};

// clang-format off
const PageTextCase kPageTexts[] = {
    {"PhrasingTagsJoinTheirNeighbours", "<p><b>F</b>irst <span>t</span>ime <a href=x>l</a>ink<em>s</em></p>",
     "First time links"},
    {"BlanksBesidePhrasingElementsSeparate", "<p>Home <a href=a>About</a> <a href=b>Contact</a>\n<span>x</span></p>",
     "Home About Contact x"},
    {"BreaksAndBlocksSeparate", "<p>one<br>two</p><div>three</div>four<br><a href=x>five</a><br><span>six</span>",
     "one two three four five six"},
    {"CommentsSitInsideWords", "<p>a<!-- x -->b c<!-- y --> d<br><!-- z -->e</p>", "ab c d e"},
    {"ReadingOrderAcrossNesting", "<div>1<div>2<div>3</div>4</div>5</div>6", "1 2 3 4 5 6"},
    {"ScriptStyleAndTemplateHoldNoText",
     "a<script>var x = '<p>no</p>';</script>b<style>p > a { }</style>c<template><p>no</p></template>d",
     "a b c d"},
    {"TextBeforeTheFirstTagCounts", "Intro <p>body</p>", "Intro body"},
    {"StyleAndScriptOfTheHeadHoldNoText",
     "<html><head><style>p { color: red }</style><script>var hidden = 1;</script></head><body>Hello</body></html>",
     "Hello"},
    {"ReferencesAreCharacters", "<p>Zubeh&#246;r &amp; mehr&hellip; it&rsquo;s</p>",
     "Zubeh\xC3\xB6r & mehr\xE2\x80\xA6 it\xE2\x80\x99s"},
    {"CellEndKeepsTheNextCellApart", "<table><tr><td><p>a</td><td>b</td></tr></table>", "a b"},
    {"EnDashCommentLosesNothing", "<!\xE2\x80\x93 menu \xE2\x80\x93><p>all the words</p>", "all the words"},
};
// clang-format on

class PageTextShapeTest : public testing::TestWithParam<PageTextCase> {};

TEST_P(PageTextShapeTest, GivesTheVisibleWords) {
    StringBuffer text("stale");
    pageText(StringBuffer(GetParam().html), text);
    EXPECT_STREQ(text.getString(), GetParam().text) << GetParam().html;
}

INSTANTIATE_TEST_SUITE_P(PageText, PageTextShapeTest, testing::ValuesIn(kPageTexts),
                         [](const testing::TestParamInfo<PageTextCase>& info) { return info.param.name; });

TEST(PageText, Utf8TextStaysUtf8WhateverThePageDeclares) {
    StringBuffer html(
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
        "</head><body>\xD0\x9C\xD0\xB8\xD1\x80</body></html>");
    StringBuffer text;
    pageText(html, text);
    EXPECT_NE(std::string(text.getString()).find("\xD0\x9C\xD0\xB8\xD1\x80"), std::string::npos)
        << text.getString();
}

// UTF-8 text is cleaned and counted by character: whole letters folded, guillemets and signs
// blanked as characters, the three-letter minimum in characters, stop words met after folding.
TEST(WordVectorCleaning, Utf8TextByCharacter) {
    ClsStringArray phrases;
    phrases.LoadFromText("new york\r\nnew_york\r\n");
    StringBuffer work(
        "\xC2\xAB\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2\xC2\xBB \xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3. "
        "Stra\xC3\x9F"
        "e\xE2\x80\x99s \xC2\xA9 Copyright voil\xC3\xA0 \xC2\xAE New York");
    cleanWordVectorText(phrases, 65001, work);
    EXPECT_EQ(std::string(work.getString()),
              "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82 stra\xC3\x9F"
              "e s "
              "voil\xC3\xA0 new_york");

    WordList stop;
    stop.addWords("the", nullptr, 1);
    WordList words;
    words.setCodePage(65001);
    words.setMinWordLength(3);
    words.addWords("\xD0\xB4\xD0\xB0 \xD0\xB4\xD0\xB0\xD0\xBC THE \xC3\xA9t\xC3\xA9", &stop, 1);
    StringBuffer vector;
    words.toVector(vector, 12);
    EXPECT_EQ(words.getNumWords(), 2) << vector.getString();
    EXPECT_TRUE(words.containsWord("\xD0\x94\xD0\x90\xD0\x9C"));
    EXPECT_TRUE(words.containsWord("\xC3\x89T\xC3\x89"));
}

} // namespace
