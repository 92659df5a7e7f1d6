#include "base/zelcora_bzip2.h"

#include "base/data_buffer.h"
#include "tests/support/buffer_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using test_support::bytesOf;

void setBytes(DataBuffer& db, const std::string& s) {
    db.clear();
    ASSERT_TRUE(db.append(s.data(), static_cast<uint32_t>(s.size())));
}

std::string sampleText() {
    std::string text;
    for (int i = 0; i < 500; ++i)
        text += "line " + std::to_string(i) + " of the sample\r\n";
    text += "caf\xE9 \xCE\xB5\xCF\x80\xCE\xB1\xCF\x86\xCE\xAE";
    return text;
}

std::string compressed(const std::string& text) {
    DataBuffer in;
    DataBuffer out;
    setBytes(in, text);
    ZelcoraBzip2 codec;
    EXPECT_TRUE(codec.Compress(in, out));
    return bytesOf(out);
}

bool decompress(const std::string& container, DataBuffer& out) {
    DataBuffer in;
    setBytes(in, container);
    ZelcoraBzip2 codec;
    return codec.Decompress(in, out);
}

// Both directions replace what the output held.
TEST(ZelcoraBzip2, RoundTripGivesTheSameBytes) {
    for (const std::string& text : {sampleText(), std::string("abc")}) {
        DataBuffer in;
        DataBuffer packed;
        DataBuffer out;
        setBytes(in, text);
        setBytes(packed, "old content");
        setBytes(out, "old content");
        ZelcoraBzip2 codec;
        ASSERT_TRUE(codec.Compress(in, packed));
        ASSERT_TRUE(codec.Decompress(packed, out));
        EXPECT_EQ(bytesOf(out), text);
    }
}

TEST(ZelcoraBzip2, HeaderHoldsMagicLengthAndBlockSizeThreeStream) {
    const std::string text = sampleText();
    const std::string c = compressed(text);
    ASSERT_GT(c.size(), 12u);
    EXPECT_EQ(c.substr(0, 4), std::string("\xE1\xA7\x94\xB3"));
    const uint32_t n = static_cast<uint32_t>(text.size());
    const std::string length{static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                             static_cast<char>((n >> 16) & 0xFF), static_cast<char>(n >> 24)};
    EXPECT_EQ(c.substr(4, 4), length);
    EXPECT_EQ(c.substr(8, 4), "BZh3");
    EXPECT_LT(c.size(), text.size());
}

TEST(ZelcoraBzip2, EmptyInputGivesEmptyOutput) {
    DataBuffer in;
    DataBuffer out;
    setBytes(out, "stale");
    ZelcoraBzip2 codec;
    ASSERT_TRUE(codec.Compress(in, out));
    EXPECT_EQ(out.getSize(), 0u);
    setBytes(out, "stale");
    EXPECT_TRUE(codec.Decompress(in, out));
    EXPECT_EQ(out.getSize(), 0u);
}

TEST(ZelcoraBzip2, WrongMagicAnswersFalseAndLeavesOutputUntouched) {
    std::string c = compressed(sampleText());
    c[0] = 'X';
    DataBuffer out;
    setBytes(out, "untouched");
    EXPECT_FALSE(decompress(c, out));
    EXPECT_EQ(bytesOf(out), "untouched");
    EXPECT_FALSE(decompress("BZ", out));
    EXPECT_EQ(bytesOf(out), "untouched");
}

TEST(ZelcoraBzip2, StoredLengthZeroWithEmptyStreamDecodesToNothing) {
    // Header with length 0 followed by the bzip2 stream of no bytes.
    const std::string container = std::string("\xE1\xA7\x94\xB3", 4) + std::string(4, '\0') +
                                  std::string("BZh3\x17\x72\x45\x38\x50\x90\x00\x00\x00\x00", 14);
    DataBuffer out;
    setBytes(out, "stale");
    EXPECT_TRUE(decompress(container, out));
    EXPECT_EQ(out.getSize(), 0u);
}

TEST(ZelcoraBzip2, DamagedStreamAnswersFalseWithEmptyOutput) {
    const std::string good = compressed(sampleText());
    std::string flipped = good;
    for (size_t i = 20; i < flipped.size(); i += 7)
        flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    // A stored length of 1 (plus the slack) where thousands of bytes follow.
    const std::string tooSmall = good.substr(0, 4) + std::string("\1\0\0\0", 4) + good.substr(8);
    const std::string cases[] = {
        flipped,
        good.substr(0, good.size() / 2),        // cut short
        good.substr(0, 8),                      // header only
        good.substr(0, 6),                      // header cut short
        good.substr(0, 8) + "not bzip2 at all", // no stream
        tooSmall,
    };
    for (const std::string& damaged : cases) {
        DataBuffer out;
        setBytes(out, "stale");
        EXPECT_FALSE(decompress(damaged, out));
        EXPECT_EQ(out.getSize(), 0u);
    }
}

// The stored length is a bound taken from the input: above the cap it is refused before any
// allocation; at the cap it is taken.
TEST(ZelcoraBzip2, StoredLengthAboveTheCapIsRefusedWithoutAllocating) {
    const std::string text = sampleText();
    const uint32_t cap = ZelcoraBzip2::kMaxDecompressedSize;
    for (uint32_t stored : {0xFFFFFFFFu, cap + 1, cap}) {
        SCOPED_TRACE(stored);
        std::string c = compressed(text);
        for (int i = 0; i < 4; ++i)
            c[4 + i] = static_cast<char>((stored >> (8 * i)) & 0xFF);
        DataBuffer out;
        EXPECT_EQ(decompress(c, out), stored == cap);
        EXPECT_EQ(bytesOf(out), stored == cap ? text : "");
        if (stored > cap) {
            EXPECT_LT(out.getCapacity(), cap);
        }
    }
}

} // namespace
