#include "http/date_parser.h"

#include "../support/zone_scope.h"
#include "base/string_buffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

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

struct ZoneCase {
    const char* tz;
    int bias;
    const char* expected;
};

class FormatZoneTable : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(FormatZoneTable, PrintsTheCurrentOffset) {
    test_support::ZoneScope zone(GetParam().tz);
    EXPECT_EQ(DateParser::currentZoneBias(), GetParam().bias);
    EXPECT_EQ(format(makeTime(2024, 3, 5, 14, 3, 9, 2)), GetParam().expected);
}

// Zones without daylight rules, so the offset does not depend on the day the test runs.
const ZoneCase kZoneCases[] = {
    {"XXX-1", -60, "Tue, 05 Mar 2024 14:03:09 +0100"},
    {"UTC0", 0, "Tue, 05 Mar 2024 14:03:09 +0000"},
    {"XXX3:30", 210, "Tue, 05 Mar 2024 14:03:09 -0330"},
    {"XXX-12:45", -765, "Tue, 05 Mar 2024 14:03:09 +1245"},
    // The hours are the bias divided by 60 rounded toward zero, so half an hour west prints "+".
    {"XXX0:30", 30, "Tue, 05 Mar 2024 14:03:09 +0030"},
};

INSTANTIATE_TEST_SUITE_P(Zones, FormatZoneTable, ::testing::ValuesIn(kZoneCases));

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

struct DateCase {
    const char* text;
    int year, month, day, hour, minute, second, dayOfWeek;
};

class ParseDateTable : public ::testing::TestWithParam<DateCase> {};

TEST_P(ParseDateTable, ReadsTheInstantInUtc) {
    const DateCase& c = GetParam();
    SystemTime t = makeTime(1, 1, 1, 1, 1, 1, 1, 1);
    ASSERT_TRUE(DateParser::parseDate(c.text, t)) << c.text;
    EXPECT_EQ(fields(t), fields(makeTime(c.year, c.month, c.day, c.hour, c.minute, c.second, c.dayOfWeek)))
        << c.text;
}

const DateCase kDateCases[] = {
    // RFC 822.
    {"Tue, 05 Mar 2024 14:03:09 GMT", 2024, 3, 5, 14, 3, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09 UT", 2024, 3, 5, 14, 3, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09", 2024, 3, 5, 14, 3, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09 +0100", 2024, 3, 5, 13, 3, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09 -0330", 2024, 3, 5, 17, 33, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09 0100", 2024, 3, 5, 13, 3, 9, 2},
    {"Mon, 31 Dec 2023 23:30:00 -0100", 2024, 1, 1, 0, 30, 0, 1},
    {"01 Jan 2024 00:10 +0100", 2023, 12, 31, 23, 10, 0, 0},
    {"5 March 2024", 2024, 3, 5, 0, 0, 0, 2},
    {"Thu, 29 Feb 2024 12:00:00 GMT", 2024, 2, 29, 12, 0, 0, 4},
    {"Sat, 31 Dec 2016 23:59:60 GMT", 2016, 12, 31, 23, 59, 59, 6},
    // Each named zone, upper and lower case.
    {"Tue, 05 Mar 2024 14:03:09 EST", 2024, 3, 5, 19, 3, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09 edt", 2024, 3, 5, 18, 3, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09 CST", 2024, 3, 5, 20, 3, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09 MST", 2024, 3, 5, 21, 3, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09 PST", 2024, 3, 5, 22, 3, 9, 2},
    {"Tue, 05 Mar 2024 14:03:09 pdt", 2024, 3, 5, 21, 3, 9, 2},
    {"Tue, 05 Mar 2024 22:03:09 PST", 2024, 3, 6, 6, 3, 9, 3},
    // RFC 850.
    {"Tuesday, 05-Mar-24 14:03:09 GMT", 2024, 3, 5, 14, 3, 9, 2},
    {"Sunday, 06-Nov-94 08:49:37 EST", 1994, 11, 6, 13, 49, 37, 0},
    // asctime.
    {"Tue Mar  5 14:03:09 2024", 2024, 3, 5, 14, 3, 9, 2},
};

INSTANTIATE_TEST_SUITE_P(Dates, ParseDateTable, ::testing::ValuesIn(kDateCases));

TEST(ParseDate, RefusesWhatIsNoDate) {
    const char* texts[] = {"",
                           "garbage",
                           "Tue, 05 Foo 2024 14:03:09 GMT",
                           "Thu, 29 Feb 2023 00:00:00 GMT",
                           "Tue, 05 Mar 2024 25:00:00 GMT",
                           "Tue, 05 Mar 2024 14:61:00 GMT",
                           "Tue, 05 Mar 1500 14:00:00 GMT",
                           "Tue, 32 Mar 2024",
                           "Mar 2024",
                           "Tue, 05 Mar 99999999999 14:03:09 GMT"};
    for (const char* text : texts) {
        SystemTime t = makeTime(7, 7, 7, 7, 7, 7);
        EXPECT_FALSE(DateParser::parseDate(text, t)) << text;
        EXPECT_EQ(t.year, 7) << text;
    }
    SystemTime t;
    EXPECT_FALSE(DateParser::parseDate(nullptr, t));
    // Only a bounded prefix is read.
    EXPECT_FALSE(
        DateParser::parseDate((std::string(100000, ' ') + "Tue, 05 Mar 2024 14:03:09 GMT").c_str(), t));
}

struct OleCase {
    SystemTime time;
    double ole;
};

class OleDateTable : public ::testing::TestWithParam<OleCase> {};

TEST_P(OleDateTable, ConvertsBothWays) {
    double ole = -99;
    ASSERT_TRUE(DateParser::systemTimeToOleDate(GetParam().time, ole));
    EXPECT_DOUBLE_EQ(ole, GetParam().ole);
    SystemTime back;
    ASSERT_TRUE(DateParser::oleDateToSystemTime(GetParam().ole, back));
    EXPECT_EQ(fields(back), fields(GetParam().time));
}

const OleCase kOleCases[] = {
    {makeTime(1899, 12, 30, 0, 0, 0, 6), 0.0},    {makeTime(1899, 12, 31, 0, 0, 0, 0), 1.0},
    {makeTime(1900, 1, 1, 0, 0, 0, 1), 2.0},      {makeTime(1900, 3, 1, 0, 0, 0, 4), 61.0},
    {makeTime(2024, 3, 5, 12, 0, 0, 2), 45356.5}, {makeTime(2024, 3, 5, 18, 0, 0, 2), 45356.75},
    {makeTime(1899, 12, 29, 6, 0, 0, 5), -1.25},  {makeTime(1899, 12, 30, 6, 0, 0, 6), 0.25},
    {makeTime(100, 1, 1, 0, 0, 0, 5), -657434.0}, {makeTime(9999, 12, 31, 0, 0, 0, 5), 2958465.0},
};

INSTANTIATE_TEST_SUITE_P(Dates, OleDateTable, ::testing::ValuesIn(kOleCases));

TEST(OleDate, FractionsOfADayAndRoundingCrossMidnight) {
    double ole = 0;
    ASSERT_TRUE(DateParser::systemTimeToOleDate(makeTime(2024, 3, 5, 23, 0, 0), ole));
    SystemTime t;
    ASSERT_TRUE(DateParser::oleDateToSystemTime(ole + 3600.0 / 86400.0, t));
    EXPECT_EQ(fields(t), fields(makeTime(2024, 3, 6, 0, 0, 0, 3)));
    ASSERT_TRUE(DateParser::oleDateToSystemTime(45356.0 - 1e-10, t));
    EXPECT_EQ(fields(t), fields(makeTime(2024, 3, 5, 0, 0, 0, 2)));
    // Milliseconds survive the round trip, before 1900 too.
    for (const SystemTime& ms :
         {makeTime(2038, 1, 19, 3, 14, 7, 2, 999), makeTime(1899, 12, 1, 13, 45, 30, 5, 250)}) {
        ASSERT_TRUE(DateParser::systemTimeToOleDate(ms, ole));
        ASSERT_TRUE(DateParser::oleDateToSystemTime(ole, t));
        EXPECT_EQ(fields(t), fields(ms));
    }
}

TEST(OleDate, RefusesInvalidTimesAndDates) {
    double ole = 42;
    EXPECT_FALSE(DateParser::systemTimeToOleDate(makeTime(2024, 13, 1, 0, 0, 0), ole));
    EXPECT_FALSE(DateParser::systemTimeToOleDate(makeTime(2023, 2, 29, 0, 0, 0), ole));
    EXPECT_FALSE(DateParser::systemTimeToOleDate(makeTime(2024, 1, 1, 0, 0, 0, 0, 1000), ole));
    EXPECT_FALSE(DateParser::systemTimeToOleDate(makeTime(99, 12, 31, 0, 0, 0), ole));
    EXPECT_FALSE(DateParser::systemTimeToOleDate(SystemTime(), ole));
    EXPECT_EQ(ole, 42);
    SystemTime t = makeTime(7, 7, 7, 7, 7, 7);
    EXPECT_FALSE(DateParser::oleDateToSystemTime(std::nan(""), t));
    EXPECT_FALSE(DateParser::oleDateToSystemTime(std::numeric_limits<double>::infinity(), t));
    EXPECT_FALSE(DateParser::oleDateToSystemTime(2958466.0, t));
    EXPECT_FALSE(DateParser::oleDateToSystemTime(-657435.0, t));
    EXPECT_EQ(t.year, 7);
}

} // namespace
