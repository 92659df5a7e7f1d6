#include "base/content_coding.h"

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "tests/support/buffer_text.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

using test_support::bytesOf;

std::string decode64(const char* text, bool* ok = nullptr) {
    ContentCoding coding;
    DataBuffer out;
    bool result = coding.decodeBase64(text, static_cast<uint32_t>(std::strlen(text)), out);
    if (ok != nullptr)
        *ok = result;
    return bytesOf(out);
}

// The pieces of `text` between the breaks, each with the byte before its break (0 for the last).
std::vector<std::pair<size_t, char>> linesOf(const std::string& text, const std::string& lineBreak) {
    std::vector<std::pair<size_t, char>> lines;
    size_t start = 0;
    for (size_t at = text.find(lineBreak); at != std::string::npos; at = text.find(lineBreak, start)) {
        lines.emplace_back(at - start, at > 0 ? text[at - 1] : 0);
        start = at + lineBreak.size();
    }
    lines.emplace_back(text.size() - start, 0);
    return lines;
}

TEST(Base64, EncodesAndDecodesTheRfc4648Examples) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/base64_examples.txt", 2)) {
        ContentCoding coding;
        StringBuffer encoded;
        const auto length = static_cast<uint32_t>(c[0].size());
        ASSERT_TRUE(coding.encodeBase64(c[0].data(), length, encoded));
        EXPECT_EQ(encoded.getString(), c[1]);
        EXPECT_EQ(coding.encodedLength(length), static_cast<uint32_t>(encoded.getSize()));
        EXPECT_EQ(decode64(c[1].c_str()), c[0]);
    }
}

TEST(Base64, DecodingSkipsWhiteSpaceAndStopsAtPaddingOrNul) {
    EXPECT_EQ(decode64("Zm9v\r\n Ym\tFy"), "foobar");
    EXPECT_EQ(decode64("Zm9v=YmFy"), "foo");
    ContentCoding coding;
    DataBuffer out;
    const char withNul[] = "Zm9v\0YmFy";
    ASSERT_TRUE(coding.decodeBase64(withNul, sizeof(withNul) - 1, out));
    EXPECT_EQ(bytesOf(out), "foo");
}

TEST(Base64, ByteOutsideAlphabetFailsTheWholeDecode) {
    for (const char* bad : {"Zm9v~", "Zm9v\x80", "Zm*v", "Zm9v-"}) {
        ContentCoding coding;
        DataBuffer out;
        out.append("kept", 4);
        EXPECT_FALSE(coding.decodeBase64(bad, static_cast<uint32_t>(std::strlen(bad)), out)) << bad;
        EXPECT_EQ(bytesOf(out), "kept") << bad;
    }
    // A bad byte after the padding is never looked at.
    bool ok = false;
    EXPECT_EQ(decode64("Zg==!", &ok), "f");
    EXPECT_TRUE(ok);
}

TEST(Base64, LongInputBreaksIntoLinesAndDecodesBack) {
    std::string plain;
    for (int i = 0; i < 1000; ++i)
        plain.push_back(static_cast<char>(i * 7));
    ContentCoding coding;
    coding.setLineLength(76);
    StringBuffer encoded;
    ASSERT_TRUE(coding.encodeBase64(plain.data(), static_cast<uint32_t>(plain.size()), encoded));
    std::string text = encoded.getString();
    auto lines = linesOf(text, "\r\n");
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_EQ(lines[i].first, 76u) << i;
    EXPECT_LE(lines.back().first, 76u);
    EXPECT_EQ(coding.encodedLength(static_cast<uint32_t>(plain.size())), static_cast<uint32_t>(text.size()));
    EXPECT_EQ(decode64(text.c_str()), plain);
}

TEST(QuotedPrintable, EncodesWhatIsNotPrintable) {
    ContentCoding coding;
    StringBuffer out;
    const char text[] = "caf\xE9 = ok \r\nend\t";
    ASSERT_TRUE(coding.encodeQuotedPrintable(text, sizeof(text) - 1, out));
    EXPECT_STREQ(out.getString(), "caf=E9 =3D ok=20\r\nend=09");
    DataBuffer back;
    ASSERT_TRUE(coding.decodeQuotedPrintable(out.getString(), static_cast<uint32_t>(out.getSize()), back));
    EXPECT_EQ(bytesOf(back), std::string(text, sizeof(text) - 1));

    // Malformed escapes stay as written; a soft break vanishes.
    const char malformed[] = "a=4 b=ZZ c=\nd=";
    back.clear();
    coding.decodeQuotedPrintable(malformed, sizeof(malformed) - 1, back);
    EXPECT_EQ(bytesOf(back), "a=4 b=ZZ cd=");
}

TEST(QuotedPrintable, SoftBreaksKeepLinesShortAndVanishOnDecoding) {
    std::string plain(300, 'x');
    plain[150] = '\xC3';
    ContentCoding coding;
    coding.setLineLength(76);
    StringBuffer out;
    ASSERT_TRUE(coding.encodeQuotedPrintable(plain.data(), static_cast<uint32_t>(plain.size()), out));
    std::string text = out.getString();
    auto lines = linesOf(text, "\r\n");
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_LE(lines[i].first, 76u) << i;
        EXPECT_EQ(lines[i].second, '=') << i;
    }
    DataBuffer back;
    coding.decodeQuotedPrintable(text.c_str(), static_cast<uint32_t>(text.size()), back);
    EXPECT_EQ(bytesOf(back), plain);
}

TEST(EncodedWords, EncodeBothForms) {
    ContentCoding coding;
    StringBuffer out;
    coding.encodeWordB("caf\xC3\xA9", 5, "utf-8", out);
    EXPECT_STREQ(out.getString(), "=?utf-8?B?Y2Fmw6k=?=");
    out.clear();
    coding.encodeWordQ("a b=c?_\xE9", 8, "iso-8859-1", out);
    EXPECT_STREQ(out.getString(), "=?iso-8859-1?Q?a_b=3Dc=3F=5F=E9?=");
}

TEST(EncodedWords, DecodeToUtf8) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/encoded_words.txt", 2)) {
        ContentCoding coding;
        StringBuffer text(c[0].c_str());
        coding.decodeEncodedWords(text);
        EXPECT_EQ(text.getString(), c[1]) << c[0];
    }
}

TEST(EncodedWords, ManyUnfinishedWordsAreHandled) {
    std::string hostile;
    for (int i = 0; i < 20000; ++i)
        hostile += "=?a?B?x ";
    ContentCoding coding;
    StringBuffer text(hostile.c_str());
    coding.decodeEncodedWords(text);
    EXPECT_TRUE(std::string(text.getString()) == hostile);
}

TEST(FoldHeader, FoldsAfterBlanksAndUnfoldsBack) {
    std::string value;
    for (int i = 0; i < 40; ++i)
        value += "word" + std::to_string(i) + " ";
    value += "end";
    StringBuffer out;
    ContentCoding::foldHeader(value.c_str(), 76, out);
    std::string folded = out.getString();
    auto lines = linesOf(folded, "\r\n\t");
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_LE(lines[i].first, 76u) << i;
        EXPECT_EQ(lines[i].second, ' ') << i;
    }
    EXPECT_GE(lines.size(), 4u);
    EXPECT_EQ(std::regex_replace(folded, std::regex("\r\n\t"), ""), value);

    StringBuffer unbroken;
    std::string token(200, 'x');
    ContentCoding::foldHeader(token.c_str(), 76, unbroken);
    EXPECT_EQ(std::string(unbroken.getString()), token);
}

} // namespace
