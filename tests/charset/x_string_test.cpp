#include "base/x_string.h"

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "tests/support/buffer_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kUtf8Cafe = "caf\xC3\xA9";
const char* const kAnsiCafe = "caf\xE9";

TEST(XStringTest, ConversionsAddFormsAndEachSetterLeavesOnlyItsOwn) {
    XString s;
    s.setFromUtf8(kUtf8Cafe);
    EXPECT_EQ(std::u16string(s.getUtf16()), u"caf\u00E9");
    EXPECT_TRUE(s.isUtf8Current());
    EXPECT_STREQ(s.getAnsi(), kAnsiCafe);
    EXPECT_EQ(s.getNumChars(), 4);

    // Every setter makes its form the only valid one.
    s.setFromAnsi(kAnsiCafe);
    EXPECT_STREQ(s.getUtf8(), kUtf8Cafe);

    s.setFromUtf16(u"\u20AC1");
    EXPECT_FALSE(s.isAnsiCurrent());
    EXPECT_EQ(s.getNumChars(), 2);
    EXPECT_STREQ(s.getUtf8(), "\xE2\x82\xAC"
                              "1");
    // The euro sign is 0x80 in Windows-1252.
    EXPECT_STREQ(s.getAnsi(), "\x80"
                              "1");

    s.setFromUtf16(u"abcdef", 3);
    EXPECT_STREQ(s.getUtf8(), "abc");
    s.setFromUtf8(nullptr);
    EXPECT_TRUE(s.isEmpty());
    EXPECT_STREQ(s.getAnsi(), "");
}

TEST(XStringTest, CanBeAnsiRemembersTheAnswer) {
    XString latin;
    latin.setFromUtf8(kUtf8Cafe);
    EXPECT_TRUE(latin.canBeAnsi());

    XString greek;
    greek.setFromUtf8("\xCE\xB1\xCE\xB2 ab");
    EXPECT_FALSE(greek.canBeAnsi());
    EXPECT_EQ(greek.ansiState(), XString::kAnsiNo);
    // The UTF-8 form is untouched by the lossy ANSI form.
    EXPECT_STREQ(greek.getUtf8(), "\xCE\xB1\xCE\xB2 ab");
    EXPECT_FALSE(greek.canBeAnsi());
}

TEST(XStringTest, ReplaceAllUtf8InvalidatesOtherFormsOnlyWhenSomethingChanged) {
    XString s;
    s.setFromAnsi(kAnsiCafe);
    s.getUtf8();
    EXPECT_EQ(s.replaceAllUtf8("zzz", "y"), 0);
    EXPECT_TRUE(s.isAnsiCurrent());
    EXPECT_EQ(s.replaceAllUtf8("\xC3\xA9", "e!"), 1);
    EXPECT_FALSE(s.isAnsiCurrent());
    EXPECT_STREQ(s.getAnsi(), "cafe!");
}

TEST(XStringTest, ToLowerAnsiAndCopy) {
    XString s;
    s.setFromUtf8("MiXeD \xC3\x89t\xC3\xA9");
    s.toLowerAnsi();
    EXPECT_EQ(std::string(s.getAnsi()).substr(0, 6), "mixed ");

    XString copy;
    copy.copyFrom(s);
    EXPECT_STREQ(copy.getUtf8(), s.getUtf8());
}

TEST(DataBufferWide, AppendWideWritesUnitsAndConvertsBackToUtf8) {
    DataBuffer db;
    db.appendWide(u"A\u20AC");
    EXPECT_EQ(test_support::bytesOf(db), std::string("A\0\xAC\x20\0\0", 6));

    std::u16string longText(3000, u'x');
    DataBuffer big;
    big.appendWide(longText.c_str());
    EXPECT_EQ(big.getSize(), 6002u);

    DataBuffer pair;
    pair.appendWide(u"caf\u00E9 \U0001F600");
    StringBuffer out("old");
    EXPECT_TRUE(pair.utf16ToUtf8(out));
    EXPECT_STREQ(out.getString(), "caf\xC3\xA9 \xF0\x9F\x98\x80");
}

TEST(StringBufferCodePages, ConvertsInPlace) {
    StringBuffer s(kUtf8Cafe);
    EXPECT_TRUE(s.convertToAnsi(65001));
    EXPECT_STREQ(s.getString(), kAnsiCafe);
    EXPECT_TRUE(s.convertFromAnsi(65001));
    EXPECT_STREQ(s.getString(), kUtf8Cafe);

    StringBuffer greek("a\xCE\xB1"
                       "b");
    EXPECT_FALSE(greek.convertToAnsi(65001));
}

TEST(StringBufferCodePages, HexDecodeAndAppendDb) {
    StringBuffer hex("00ff7Fa0Bc");
    DataBuffer out;
    out.appendByte('!');
    hex.hexDecodeInto(out);
    EXPECT_EQ(test_support::bytesOf(out), std::string("!\0\xFF\x7F\xA0\xBC", 6));

    // More than one batch.
    std::string many;
    for (int i = 0; i < 1234; ++i)
        many += "4a";
    StringBuffer manyHex(many.c_str());
    DataBuffer decoded;
    manyHex.hexDecodeInto(decoded);
    EXPECT_EQ(decoded.getSize(), 1234u);

    StringBuffer sb("x");
    sb.appendDb(out);
    EXPECT_EQ(std::string(sb.getString(), 7), std::string("x!\0\xFF\x7F\xA0\xBC", 7));
}

} // namespace
