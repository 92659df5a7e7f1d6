#include "analysis/page_text.h"

#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "primed_analyzer.h"
#include "string_table.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string vectorOf(const char* charset, const char* text) {
    StringBuffer out("stale");
    makeWordVector(primedAnalyzer(), charset, StringBuffer(text), out);
    return out.getString();
}

// A charset of "-" stands for a page that declares none.
const char* charsetOf(const std::string& field) {
    return field == "-" ? nullptr : field.c_str();
}

TEST(WordVector, TextShapes) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/word_vectors.tsv", 4))
        EXPECT_EQ(vectorOf(charsetOf(c[1]), c[2].c_str()), c[3]) << c[0];
}

TEST(WordVector, CodePageChoice) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/word_vector_code_pages.tsv", 2))
        EXPECT_EQ(wordVectorCodePage(charsetOf(c[0])), std::stoul(c[1])) << c[0];
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

TEST(WordVectorCleaning, PlacePhrasesReplacedInTableOrderOnTheTextSoFar) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/place_phrases.tsv", 4)) {
        ClsStringArray phrases;
        appendEntries(c[1], phrases);
        StringBuffer work(c[2].c_str());
        cleanWordVectorText(phrases, 28591, work);
        EXPECT_EQ(work.getString(), c[3]) << c[0];
    }
}

TEST(WordVectorCleaning, StepsInOrder) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/word_vector_cleaning.tsv", 2))
        EXPECT_EQ(cleaned(c[0].c_str()), c[1]) << c[0];
}

// Text is cleaned in one pass unless it holds a sign of its code page (a guillemet, a copyright or
// registered sign or a right quote): a registered sign in front sends the same text through the
// steps one by one, where it only becomes a blank, trimmed away in UTF-8 and one with the blanks
// that follow it in a single-byte page. Both must agree on every mix of the bytes the steps look at.
TEST(WordVectorCleaning, OnePassAgreesWithTheStepsOneByOne) {
    // clang-format off
    const char* const pieces[] = {".", "..", "_", "-", "--", " ", "\n", "\t", "\r", ":", ",", "/", "!", "|", "(",
                                  "http", "https", "HTTP", "Https", "h", "s", "p", "a", "B", "I", "new york",
                                  "\xC2\xA0", "\xC2", "\xA0", "\xCE\xA3", "\xCE\xB1", "\xC4\xB0", "\xE2\x84\xAA", "\xC3\x89",
                                  "\xAB", "\xBB", "\xDD", "\xA9"};
    // clang-format on
    ClsStringArray phrases;
    phrases.LoadFromText("new york\r\nnew_york\r\n");
    std::mt19937 random(2026);
    for (unsigned codePage : {65001u, 28591u, 1251u, 1254u}) {
        bool utf8 = codePage == 65001;
        for (int round = 0; round < 8000; ++round) {
            std::string text;
            for (int n = static_cast<int>(random() % 13); n > 0; --n)
                text += pieces[random() % std::size(pieces)];
            if (utf8 && text.find('\xA9') != std::string::npos)
                continue;
            StringBuffer onePass(text.c_str());
            cleanWordVectorText(phrases, codePage, onePass);
            StringBuffer stepByStep(((utf8 ? "\xC2\xAE " : "\xAE ") + text).c_str());
            cleanWordVectorText(phrases, codePage, stepByStep);
            std::string expected = onePass.getString();
            if (!utf8 && expected.compare(0, 1, " ") != 0)
                expected = " " + expected;
            ASSERT_EQ(stepByStep.getString(), expected) << codePage << ": " << text;
        }
    }
}

TEST(PageText, PageShapesGiveTheVisibleWords) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/page_texts.tsv", 3)) {
        StringBuffer text("stale");
        pageText(StringBuffer(c[1].c_str()), text);
        EXPECT_EQ(text.getString(), c[2]) << c[0];
    }
}

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
    // Text without those signs is blanked on the way through the collapse.
    StringBuffer plain(" <a>[b]=c$d?e\"f'g,h:i/j;k%l(m)n&o#p!q|r \xC2\xA0 s.\tNew  York ");
    cleanWordVectorText(phrases, 65001, plain);
    EXPECT_STREQ(plain.getString(), "a b c d e f g h i j k l m n o p q r s new_york");

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
