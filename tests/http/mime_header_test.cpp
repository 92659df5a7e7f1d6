#include "http/mime_header.h"

#include "../support/case_rows.h"
#include "base/string_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

Fields fieldsOf(const MimeHeader& h) {
    Fields out;
    for (int i = 0; i < h.getNumFields(); ++i) {
        out.emplace_back(h.getFieldAt(i)->getName(), h.getFieldAt(i)->getValue());
    }
    return out;
}

Fields parse(const std::string& text) {
    MimeHeader h;
    h.parseHeaderText(text.c_str());
    return fieldsOf(h);
}

TEST(MimeHeaderParse, GivesFields) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/header_fields.tsv", 3)) {
        std::string lines;
        for (const auto& field : parse(c[1]))
            lines += (lines.empty() ? "" : "\n") + field.first + ": " + field.second;
        EXPECT_EQ(lines, c[2]) << c[0];
    }
}

TEST(MimeHeaderParse, NullOrNewTextReplacesEarlierFields) {
    MimeHeader h;
    h.parseHeaderText("A: 1\r\n");
    h.parseHeaderText("B: 2\r\n");
    EXPECT_EQ(fieldsOf(h), (Fields{{"B", "2"}}));
    h.parseHeaderText(nullptr);
    EXPECT_EQ(h.getNumFields(), 0);
}

TEST(MimeHeaderParse, ReadsAtMostOneThousandLinesContinuationsIncluded) {
    std::string text;
    for (int i = 0; i < 1005; ++i)
        text += "F" + std::to_string(i) + ": v\r\n";
    MimeHeader h;
    h.parseHeaderText(text.c_str());
    ASSERT_EQ(h.getNumFields(), 1000);
    EXPECT_STREQ(h.getFieldAt(999)->getName(), "F999");
    text = "A: x\r\n";
    for (int i = 0; i < 999; ++i)
        text += " y\r\n";
    h.parseHeaderText((text + "B: 1\r\n").c_str());
    EXPECT_EQ(fieldsOf(h), (Fields{{"A", "x" + std::string(999, 'y')}}));
}

TEST(MimeHeaderParse, ConvertsEightBitValuesToUtf8) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/header_eight_bit.tsv", 4)) {
        MimeHeader h;
        h.parseHeaderText(c[1].c_str());
        StringBuffer value;
        ASSERT_TRUE(h.getField("X", value)) << c[0];
        EXPECT_STREQ(value.getString(), c[2].c_str()) << c[0];
        EXPECT_EQ(h.getCodePage(), std::stoi(c[3])) << c[0];
    }
}

TEST(MimeHeaderLookup, GetFieldIgnoresCaseAndTakesTheFirst) {
    MimeHeader h;
    h.parseHeaderText("Set-Cookie: a=1\r\nset-cookie: b=2\r\n");
    StringBuffer value("stale");
    EXPECT_TRUE(h.getField("SET-COOKIE", value));
    EXPECT_STREQ(value.getString(), "a=1");
    EXPECT_FALSE(h.getField("Location", value));
    EXPECT_STREQ(value.getString(), "");
}

TEST(MimeHeaderLookup, GetFieldParamFindsTheParameter) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/header_params.tsv", 4)) {
        MimeHeader h;
        if (!c[0].empty())
            h.addField("Content-Type", c[0].c_str());
        StringBuffer out("stale");
        EXPECT_EQ(h.getFieldParam("content-type", c[1].c_str(), out), c[2] == "1") << c[0];
        EXPECT_STREQ(out.getString(), c[3].c_str()) << c[0];
    }
}

TEST(MimeHeaderEdit, AddReplaceRemove) {
    MimeHeader h;
    h.addField("A", "1");
    h.addField("B", "2");
    h.addField("a", "3");
    h.replaceField("A", "9");
    EXPECT_EQ(fieldsOf(h), (Fields{{"A", "9"}, {"B", "2"}}));
    h.replaceField("C", "4");
    EXPECT_EQ(fieldsOf(h), (Fields{{"A", "9"}, {"B", "2"}, {"C", "4"}}));
    h.addField("b", "5");
    EXPECT_EQ(h.removeField("B"), 2);
    EXPECT_EQ(h.removeField("B"), 0);
    EXPECT_EQ(fieldsOf(h), (Fields{{"A", "9"}, {"C", "4"}}));
    h.clear();
    EXPECT_EQ(h.getFieldAt(0), nullptr);
}

TEST(MimeHeaderSerialize, OneLinePerFieldWithoutTrailingBreak) {
    MimeHeader h;
    StringBuffer out("stale");
    h.serialize(out);
    EXPECT_STREQ(out.getString(), "");
    h.addField("A", "1");
    h.addField("X-B", "2");
    h.addField("C", "");
    h.serialize(out);
    EXPECT_STREQ(out.getString(), "A: 1\r\nX-B: 2\r\nC: ");
    h.serialize(out, "x-");
    EXPECT_STREQ(out.getString(), "A: 1\r\nC: ");
    h.serialize(out, "");
    EXPECT_STREQ(out.getString(), "A: 1\r\nX-B: 2\r\nC: ");
}

} // namespace
