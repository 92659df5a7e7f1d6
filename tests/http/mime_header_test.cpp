#include "http/mime_header.h"

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

struct ParseCase {
    const char* name;
    const char* text;
    Fields expected;
};

class ParseHeaderTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseHeaderTable, GivesFields) {
    EXPECT_EQ(parse(GetParam().text), GetParam().expected);
}

const ParseCase kParseCases[] = {
    {"Plain",
     "Content-Type: text/html\r\nContent-Length: 12\r\n\r\nbody: x",
     {{"Content-Type", "text/html"}, {"Content-Length", "12"}}},
    {"LfOnly", "A: 1\nB: 2\n\nC: 3", {{"A", "1"}, {"B", "2"}}},
    {"CrOnly", "A: 1\rB: 2\r\rC: 3", {{"A", "1"}, {"B", "2"}}},
    {"LfThenCrLfEnds", "A: 1\n\r\nC: 3", {{"A", "1"}}},
    {"LeadingEmptyLineEndsAtOnce", "\r\n\r\nA: 1", {}},
    // A continuation drops its first character and is appended directly.
    {"ContinuationTab", "Subject: a\r\n\tb\r\n c\r\n\r\n", {{"Subject", "abc"}}},
    {"ContinuationKeepsFurtherBlanks", "X: a\r\n   b\r\n", {{"X", "a  b"}}},
    // Before an encoded word only the last blank stays, and adjacent words join.
    {"EncodedWordContinuation",
     "Subject: =?utf-8?Q?caf=C3=A9?=\r\n   =?utf-8?Q?_bar?=\r\n",
     {{"Subject", "caf\xC3\xA9 bar"}}},
    {"FromLineSkipped",
     "From someone@example.de Tue Mar  5 14:03:09 2024\r\nA: 1\r\nFrom: x@y\r\n",
     {{"A", "1"}, {"From", "x@y"}}},
    {"ContinuationOfFromLineSkipped", "From a b\r\n c: d\r\nA: 1\r\n", {{"A", "1"}}},
    {"NamesCleaned", " X Foo<bar>\"q' : v\r\n", {{"X-Foo-bar--q-", "v"}}},
    {"OneLeadingBlankSkippedThenTrimmed", "A:\t  v  \r\nB:x\r\nC:\r\n", {{"A", "v"}, {"B", "x"}, {"C", ""}}},
    {"ColonInValue", "Location: http://h:81/x\r\n", {{"Location", "http://h:81/x"}}},
    {"EncodedWordLowerCaseMarker", "Subject: =?ISO-8859-1?q?caf=E9?=\r\n", {{"Subject", "caf\xC3\xA9"}}},
    {"EncodedWordBase64", "Subject: =?utf-8?b?aMOpbGxv?=\r\n", {{"Subject", "h\xC3\xA9llo"}}},
    {"DecodedLineBreaksRemoved", "Subject: =?utf-8?Q?a=0D=0A=09b?=\r\n", {{"Subject", "ab"}}},
    {"DecodedBareLineBreaksBecomeBlanks",
     "Subject: =?utf-8?Q?a=0Ab=0Dc?=\r\nX: y\r\n",
     {{"Subject", "a b c"}, {"X", "y"}}},
    {"NoMarkerNoDecoding", "X: =?x=y?=\r\n", {{"X", "=?x=y?="}}},
};

INSTANTIATE_TEST_SUITE_P(Headers, ParseHeaderTable, ::testing::ValuesIn(kParseCases),
                         [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

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

struct EightBitCase {
    const char* name;
    const char* text;
    const char* value; // of the field "X"
    int codePage;
};

class EightBitTable : public ::testing::TestWithParam<EightBitCase> {};

TEST_P(EightBitTable, ConvertsToUtf8) {
    MimeHeader h;
    h.parseHeaderText(GetParam().text);
    StringBuffer value;
    ASSERT_TRUE(h.getField("X", value));
    EXPECT_STREQ(value.getString(), GetParam().value);
    EXPECT_EQ(h.getCodePage(), GetParam().codePage);
}

const EightBitCase kEightBitCases[] = {
    {"SevenBit", "X: plain\r\n", "plain", 0},
    {"EightBitName", "N\xE4me: v\r\nX: y\r\n", "y", 1252},
    {"Windows1252ByDefault", "X: caf\xE9 \x80\r\n", "caf\xC3\xA9 \xE2\x82\xAC", 1252},
    // 0x81 has no character in Windows-1252; ISO-8859-1 reads it.
    {"Latin1WhenWindows1252Fails", "X: \x81\xE9\r\n", "\xC2\x81\xC3\xA9", 28591},
    {"DeclaredCharset", "Content-Type: text/html; charset=iso-8859-2\r\nX: \xB1\r\n", "\xC4\x85", 28592},
    {"DeclaredUtf8KeptAsIs", "Content-Type: text/plain; charset=\"UTF-8\"\r\nX: caf\xC3\xA9\r\n",
     "caf\xC3\xA9", 65001},
    {"DeclaredButUnusableFallsBack", "Content-Type: text/plain; charset=us-ascii\r\nX: \xE9\r\n", "\xC3\xA9",
     1252},
};

INSTANTIATE_TEST_SUITE_P(Headers, EightBitTable, ::testing::ValuesIn(kEightBitCases),
                         [](const ::testing::TestParamInfo<EightBitCase>& info) { return info.param.name; });

TEST(MimeHeaderLookup, GetFieldIgnoresCaseAndTakesTheFirst) {
    MimeHeader h;
    h.parseHeaderText("Set-Cookie: a=1\r\nset-cookie: b=2\r\n");
    StringBuffer value("stale");
    EXPECT_TRUE(h.getField("SET-COOKIE", value));
    EXPECT_STREQ(value.getString(), "a=1");
    EXPECT_FALSE(h.getField("Location", value));
    EXPECT_STREQ(value.getString(), "");
}

struct ParamCase {
    const char* value; // of Content-Type
    const char* param;
    bool found;
    const char* expected;
};

class FieldParamTable : public ::testing::TestWithParam<ParamCase> {};

TEST_P(FieldParamTable, FindsTheParameter) {
    MimeHeader h;
    if (*GetParam().value)
        h.addField("Content-Type", GetParam().value);
    StringBuffer out("stale");
    EXPECT_EQ(h.getFieldParam("content-type", GetParam().param, out), GetParam().found);
    EXPECT_STREQ(out.getString(), GetParam().expected);
}

const ParamCase kParamCases[] = {
    {"text/html; charset=\"UTF-8\"", "charset", true, "UTF-8"},
    {"text/html", "charset", false, ""},
    {"text/html; Charset = utf-8 ; x=1", "CHARSET", true, "utf-8"},
    {"text/html; x=1; charset=koi8-r", "charset", true, "koi8-r"},
    {"multipart/mixed; boundary=\"a;b\"; charset=x", "boundary", true, "a;b"},
    // The media type never matches, even when it is the name asked for.
    {"charset; x=1", "charset", false, ""},
    {"text/html; xcharset=1", "charset", false, ""},
    {"text/html; charset=", "charset", true, ""},
    {"", "", false, ""},
};

INSTANTIATE_TEST_SUITE_P(Headers, FieldParamTable, ::testing::ValuesIn(kParamCases));

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
