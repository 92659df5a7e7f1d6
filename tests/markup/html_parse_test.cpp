// The pieces of the HTML reader: the tag classifier, entity decoding, the tag normaliser, the
// meta charset reader and the finder of tag ends.
#include "markup/html_parse.h"

#include "base/string_buffer.h"
#include "markup/html_tag_end.h"
#include "markup/html_tag_text.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// ---- classifyTag ----

using case_rows::Row;

// The enumerator a data file names: the one at that name's place in `names`.
template <typename Kind> Kind named(const std::string& name, std::initializer_list<const char*> names) {
    int index = 0;
    for (const char* known : names) {
        if (name == known)
            return static_cast<Kind>(index);
        ++index;
    }
    ADD_FAILURE() << "unknown name " << name;
    return static_cast<Kind>(0);
}

TEST(HtmlParseTest, ClassifiesEveryTagOfTheTable) {
    for (const Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/html_tag_numbers.tsv", 2)) {
        HtmlTagKind kind = HtmlTagKind::End;
        StringBuffer name;
        EXPECT_EQ(HtmlParse::classifyTag(c[0].c_str(), kind, name), std::stoi(c[1])) << c[0];
        EXPECT_EQ(kind, HtmlTagKind::Start) << c[0];
    }
}

TEST(HtmlParseTest, ClassifiesTheKindAndName) {
    for (const Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/html_tag_kinds.tsv", 4)) {
        HtmlTagKind kind = HtmlTagKind::End;
        StringBuffer name("stale");
        EXPECT_EQ(HtmlParse::classifyTag(c[0].c_str(), kind, name), std::stoi(c[1])) << c[0];
        EXPECT_EQ(kind, named<HtmlTagKind>(c[2], {"Start", "End", "Empty"})) << c[0];
        EXPECT_EQ(name.getString(), c[3]) << c[0];
    }
}

// Containers are the tags later content goes into; presentational tags are dropped by default.
TEST(HtmlParseTest, ContainersAndDroppedTags) {
    HtmlParse parse;
    for (const Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/html_tag_roles.tsv", 3)) {
        int number = std::stoi(c[0]);
        EXPECT_EQ(HtmlParse::isContainer(number), c[1] == "1") << number;
        EXPECT_EQ(parse.isDropTag(number), c[2] == "1") << number;
    }
    parse.setDropTag(57, true);
    parse.setDropTag(8888, true);
    EXPECT_TRUE(parse.isDropTag(57));
    EXPECT_FALSE(parse.isDropTag(8888));
}

// ---- decodeEntities ----

TEST(HtmlParseTest, DecodesEveryReference) {
    for (const Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/html_references.tsv", 5)) {
        HtmlParse parse;
        parse.setNbspMode(c[4].empty() ? 0 : std::stoul(c[4]));
        StringBuffer text(c[0].c_str());
        parse.decodeEntities(text, std::stoul(c[1]), named<HtmlReferenceContext>(c[3], {"text", "value"}));
        EXPECT_EQ(text.getString(), c[2]) << c[0];
    }
}

// ---- cleanTag ----

using Ending = HtmlTagText::TagEnding;

TEST(HtmlTagTextTest, CleanTagWritesTheNormalForm) {
    for (const Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/html_clean_tags.tsv", 3)) {
        StringBuffer out("stale");
        Ending ending = HtmlTagText::cleanTag(c[0].c_str(), c[0].size(), out);
        EXPECT_EQ(out.getString(), c[1]) << c[0];
        EXPECT_EQ(ending, named<Ending>(c[2], {"", "NoTag", "AfterName", "Unexpected", "AfterValue",
                                               "TooManyAttributes", "AfterValueless"}))
            << c[0];
    }
}

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
    for (const Row& c : case_rows::read(MARKUP_TEST_DATA_DIR "/html_attribute_values.tsv", 3)) {
        HtmlTagText::getAttributeValue(c[0].c_str(), c[1].c_str(), out);
        EXPECT_EQ(out.getString(), c[2]) << c[0];
    }
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
