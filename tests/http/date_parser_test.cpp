#include "http/date_parser.h"

#include "../support/case_rows.h"
#include "../support/zone_scope.h"
#include "base/string_buffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

SystemTime makeTime(int year, int month, int day, int hour, int minute, int second, int dayOfWeek = 0,
                    int ms = 0) {
    SystemTime t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    t.second = static_cast<uint16_t>(second);
    t.dayOfWeek = static_cast<uint16_t>(dayOfWeek);
    t.milliseconds = static_cast<uint16_t>(ms);
    return t;
}

// Every field, so that one comparison checks them all.
std::string fields(const SystemTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d.%d w%d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.milliseconds, t.dayOfWeek);
    return text;
}

std::string format(const SystemTime& t) {
    StringBuffer out("stale");
    DateParser::formatRfc822(t, out);
    return out.getString();
}

// A time written as fields() writes it.
SystemTime timeOf(const std::string& text) {
    int v[8] = {};
    EXPECT_EQ(std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d.%d w%d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                          &v[7], &v[6]),
              8)
        << text;
    return makeTime(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
}

TEST(FormatRfc822, PrintsTheCurrentOffset) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/date_zones.tsv", 3)) {
        test_support::ZoneScope zone(c[0].c_str());
        EXPECT_EQ(DateParser::currentZoneBias(), std::stoi(c[1])) << c[0];
        EXPECT_EQ(format(makeTime(2024, 3, 5, 14, 3, 9, 2)), c[2]) << c[0];
    }
}

TEST(FormatRfc822, ClampsDayAndMonthNames) {
    test_support::ZoneScope zone("UTC0");
    EXPECT_EQ(format(makeTime(2024, 0, 1, 0, 0, 0, 9)), "Sun, 01 Jan 2024 00:00:00 +0000");
    EXPECT_EQ(format(makeTime(999, 13, 31, 23, 59, 59, 6)), "Sat, 31 Jan 999 23:59:59 +0000");
}

TEST(UtcToLocal, ShiftsByTheCurrentBias) {
    test_support::ZoneScope zone("XXX-1");
    SystemTime local;
    ASSERT_TRUE(DateParser::utcToLocal(makeTime(2023, 12, 31, 23, 30, 0), local));
    EXPECT_EQ(format(local), "Mon, 01 Jan 2024 00:30:00 +0100");
    SystemTime untouched = makeTime(1, 1, 1, 1, 1, 1);
    EXPECT_FALSE(DateParser::utcToLocal(makeTime(2024, 2, 30, 0, 0, 0), untouched));
    EXPECT_EQ(untouched.year, 1);
}

// A refused text leaves the time as it was.
TEST(ParseDate, ReadsTheInstantInUtcOrRefuses) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/date_texts.tsv", 2)) {
        SystemTime t = makeTime(7, 7, 7, 7, 7, 7, 7, 7);
        EXPECT_EQ(DateParser::parseDate(c[0].c_str(), t), !c[1].empty()) << c[0];
        EXPECT_EQ(fields(t), c[1].empty() ? fields(makeTime(7, 7, 7, 7, 7, 7, 7, 7)) : c[1]) << c[0];
    }
    SystemTime t;
    EXPECT_FALSE(DateParser::parseDate(nullptr, t));
    // Only a bounded prefix is read.
    EXPECT_FALSE(
        DateParser::parseDate((std::string(100000, ' ') + "Tue, 05 Mar 2024 14:03:09 GMT").c_str(), t));
}

// A refusal leaves the result as it was.
TEST(OleDate, ConvertsBothWaysOrRefuses) {
    const SystemTime untouched = makeTime(7, 7, 7, 7, 7, 7);
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/ole_dates.tsv", 2)) {
        SCOPED_TRACE(c[0] + " / " + c[1]);
        double ole = 42;
        if (!c[0].empty()) {
            EXPECT_EQ(DateParser::systemTimeToOleDate(timeOf(c[0]), ole), !c[1].empty());
            EXPECT_DOUBLE_EQ(ole, c[1].empty() ? 42 : std::stod(c[1]));
        }
        SystemTime back = untouched;
        if (!c[1].empty()) {
            EXPECT_EQ(DateParser::oleDateToSystemTime(std::stod(c[1]), back), !c[0].empty());
            EXPECT_EQ(fields(back), c[0].empty() ? fields(untouched) : c[0]);
        }
    }
}

TEST(OleDate, FractionsOfADayAndRoundingCrossMidnight) {
    double ole = 0;
    ASSERT_TRUE(DateParser::systemTimeToOleDate(makeTime(2024, 3, 5, 23, 0, 0), ole));
    SystemTime t;
    ASSERT_TRUE(DateParser::oleDateToSystemTime(ole + 3600.0 / 86400.0, t));
    EXPECT_EQ(fields(t), fields(makeTime(2024, 3, 6, 0, 0, 0, 3)));
    ASSERT_TRUE(DateParser::oleDateToSystemTime(45356.0 - 1e-10, t));
    EXPECT_EQ(fields(t), fields(makeTime(2024, 3, 5, 0, 0, 0, 2)));
}

} // namespace
