// EncodingConvert: the order of a conversion, the Unicode forms, ISO-2022, the error actions in
// one-step and two-step conversions, and the limits.
#include "base/data_buffer.h"
#include "charset/code_pages.h"
#include "charset/conv_buffer.h"
#include "charset/encoding_convert.h"
#include "charset/mac_arabic.h"
#include "tests/support/buffer_text.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;

using test_support::bytesOf;

const unsigned char* bytesOf(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

struct Settings {
    int action = 0;
    std::string substitute;
    unsigned altCodePage = 0;
};

struct Outcome {
    bool ok;
    std::string out;
};

Outcome convert(unsigned from, unsigned to, const std::string& input, const Settings& settings = {}) {
    EncodingConvert ec;
    ec.setErrorAction(settings.action);
    ec.setAltCodePage(settings.altCodePage);
    EXPECT_TRUE(
        ec.setSubstitute(settings.substitute.data(), static_cast<unsigned>(settings.substitute.size())));
    DataBuffer out;
    bool ok = ec.Convert(from, to, bytesOf(input), static_cast<unsigned>(input.size()), out);
    EXPECT_FALSE(ec.isDecoding());
    EXPECT_FALSE(ec.isEncoding());
    return {ok, bytesOf(out)};
}

// The settings an action column of the case file names.
Settings settingsFor(const std::string& action) {
    const size_t colon = action.find(':');
    const std::string name = action.substr(0, colon);
    const std::string argument = colon == std::string::npos ? "" : action.substr(colon + 1);
    if (name == "substitute")
        return {EncodingConvert::kWriteSubstitute, argument, 0};
    if (name == "reference")
        return {EncodingConvert::kWriteHexReference, "", 0};
    if (name == "alternative")
        return {EncodingConvert::kWriteAlternative, "",
                argument.empty() ? 0u : unsigned(std::stoul(argument))};
    if (name == "raw")
        return {EncodingConvert::kWriteRaw, "", 0};
    EXPECT_EQ(name, "nothing");
    return {};
}

TEST(EncodingConvert, ConvertsEveryCase) {
    for (const case_rows::Row& c : case_rows::read(CHARSET_TEST_DATA_DIR "/conversions.txt", 7)) {
        SCOPED_TRACE(c[0]);
        Outcome outcome =
            convert(unsigned(std::stoul(c[1])), unsigned(std::stoul(c[2])), c[3], settingsFor(c[4]));
        EXPECT_EQ(outcome.ok, c[5] == "ok");
        EXPECT_EQ(outcome.out, c[6]);
    }
}

// An input above the limit is refused before a byte is read, so the short buffer behind the long
// length is never touched; a substitute above its bound is refused and the old one kept.
TEST(EncodingConvert, RefusesInputAndSubstituteAboveTheirBounds) {
    EncodingConvert ec;
    DataBuffer out;
    const unsigned char byte = 'a';
    EXPECT_FALSE(ec.Convert(1252, 65001, &byte, EncodingConvert::kMaxInputLength + 1, out));
    EXPECT_EQ(out.getSize(), 0u);
    EXPECT_TRUE(ec.setSubstitute("abcd", 4));
    EXPECT_FALSE(ec.setSubstitute("abcde", 5));
    EXPECT_EQ(ec.getSubstituteSize(), 4u);
}

// A conversion appends to what the buffer holds.
TEST(EncodingConvert, ConvertsByName) {
    EncodingConvert ec;
    DataBuffer out;
    out.append("x", 1);
    const std::string input = "caf\xE9";
    EXPECT_TRUE(ec.ConvertByName("ISO_8859-1", "UTF-8", bytesOf(input), 4, out));
    EXPECT_EQ(bytesOf(out), "xcaf\xC3\xA9");
    out.clear();
    EXPECT_TRUE(ec.ConvertFromName("latin1", 1200, bytesOf(input), 4, out));
    EXPECT_EQ(bytesOf(out), "c\0a\0f\0\xE9\0"s);
    out.clear();
    EXPECT_FALSE(ec.ConvertByName("no-such-charset", "utf-8", bytesOf(input), 4, out));
    EXPECT_FALSE(ec.ConvertToName(28591, "", bytesOf(input), 4, out));
    EXPECT_EQ(out.getSize(), 0u);
}

TEST(EncodingConvert, RoundTripsComeBackUnchanged) {
    for (const case_rows::Row& c : case_rows::read(CHARSET_TEST_DATA_DIR "/round_trips.txt", 2)) {
        SCOPED_TRACE(c[0]);
        const unsigned codePage = unsigned(std::stoul(c[0]));
        Outcome there = convert(65001, codePage, c[1]);
        ASSERT_TRUE(there.ok);
        Outcome back = convert(codePage, 65001, there.out);
        EXPECT_TRUE(back.ok);
        EXPECT_EQ(back.out, c[1]);
    }
}

TEST(MacArabic, ReversesRightToLeftRunsAndMovesPunctuationToAscii) {
    ConvBuffer out;
    const std::string visual = "x\xC1\xC2\xC3y\xC4z\xB1\xB2\xA0\x81\xA5\xAC\xBB";
    ASSERT_TRUE(MacArabic::toLogicalOrder(bytesOf(visual), visual.size(), out));
    std::string logical(reinterpret_cast<const char*>(out.data()), out.size());
    // The run C1 C2 C3 is reversed; C4 stands alone; the digits are no run; A0 81 A5 AC BB is a run.
    EXPECT_EQ(logical, "x\xC3\xC2\xC1y\xC4z12\xBB\xAC\xA5\xA0 ");
}

// Several threads making the first use of code pages at once all get the same, complete tables.
TEST(EncodingConvert, TablesAreSafeUnderConcurrentFirstUse) {
    const std::string input = "\xB0\xA1\xB0\xA2 abc \xC7\xD1";
    const unsigned codePages[] = {1361, 51949, 20880, 10029};
    std::vector<std::string> results(16);
    std::vector<bool> oks(16);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            EncodingConvert ec;
            DataBuffer out;
            oks[t] =
                ec.Convert(codePages[t % 4], 1200, bytesOf(input), static_cast<unsigned>(input.size()), out);
            results[t] = bytesOf(out);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (unsigned t = 4; t < results.size(); ++t) {
        EXPECT_EQ(results[t], results[t % 4]);
        EXPECT_EQ(oks[t], oks[t % 4]);
    }
    EXPECT_TRUE(oks[1]);
    EXPECT_EQ(results[1], "\0\xAC\x01\xAC \0a\0b\0c\0 \0\x5C\xD5"s);
}

// Between a table-driven code page and UTF-8 the engine takes a shortcut for text that converts
// cleanly; whatever the text, the bytes and the answer must be those of going through UTF-16.
TEST(EncodingConvert, ShortcutToAndFromUtf8AgreesWithTheWayThroughUtf16) {
    std::mt19937 random(12345);
    const unsigned codePages[] = {1252, 1251, 28591, 28596, 874, 437, 932, 936, 949, 950};
    for (unsigned cp : codePages) {
        for (int round = 0; round < 200; ++round) {
            std::string bytes;
            int length = static_cast<int>(random() % 40);
            for (int i = 0; i < length; ++i) {
                // Mostly ASCII, like web text, so that most rounds convert cleanly.
                bool high = random() % 4 == 0;
                bytes.push_back(static_cast<char>(high ? 0x80 + random() % 0x80 : 0x20 + random() % 0x5F));
            }
            if (round % 3 == 0)
                bytes.append(16, 'a');
            const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
            auto n = static_cast<unsigned>(bytes.size());

            EncodingConvert direct, first, second;
            DataBuffer viaShortcut, utf16, viaUtf16;
            bool okDirect = direct.Convert(cp, 65001, data, n, viaShortcut);
            bool okFirst = first.Convert(cp, 1200, data, n, utf16);
            bool okSecond = second.Convert(1200, 65001, utf16.getData(), utf16.getSize(), viaUtf16);
            ASSERT_EQ(bytesOf(viaShortcut), bytesOf(viaUtf16)) << cp << " round " << round;
            ASSERT_EQ(okDirect, okFirst && okSecond) << cp << " round " << round;

            // And back: the UTF-8 text (clean or not) to the code page.
            std::string utf8 = bytesOf(viaShortcut);
            if (round % 5 == 0)
                utf8 += "\xE2\x82\xAC \xEE\xBF\xBD \xCE\xB1 \xFF";
            const auto* text = reinterpret_cast<const unsigned char*>(utf8.data());
            auto m = static_cast<unsigned>(utf8.size());
            EncodingConvert back, toUnits, fromUnits;
            DataBuffer backShortcut, units, backUnits;
            bool okBack = back.Convert(65001, cp, text, m, backShortcut);
            bool okUnits = toUnits.Convert(65001, 1200, text, m, units);
            bool okFromUnits = fromUnits.Convert(1200, cp, units.getData(), units.getSize(), backUnits);
            ASSERT_EQ(bytesOf(backShortcut), bytesOf(backUnits)) << cp << " round " << round;
            ASSERT_EQ(okBack, okUnits && okFromUnits) << cp << " round " << round;
        }
    }
}

} // namespace
