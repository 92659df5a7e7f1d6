// Date reading and writing. The calendar arithmetic is the proleptic Gregorian calendar counted
// in days since 1 January 1970; the date reader scans a bounded prefix of its text once.
#include "http/date_parser.h"

#include "base/ascii.h"
#include "base/string_buffer.h"
#include "http/limits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>

namespace {

const char* const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kFullMonthNames[12] = {"january",   "february", "march",    "april",
                                         "may",       "june",     "july",     "august",
                                         "september", "october",  "november", "december"};

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kMillisecondsPerDay = 86400000;
constexpr int kMinYear = 1601;
constexpr int kMaxYear = 9999;
constexpr int kMinOleYear = 100;

bool isLeapYear(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int64_t year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 to the given date (month 1-12).
int64_t daysFromCivil(int64_t y, int month, int day) {
    y -= month <= 2 ? 1 : 0;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t mp = (month + 9) % 12;
    int64_t doy = (153 * mp + 2) / 5 + day - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The date `days` after 1 January 1970.
void civilFromDays(int64_t days, int64_t& y, int& month, int& day) {
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t doe = days - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (month <= 2 ? 1 : 0);
}

int dayOfWeekFromDays(int64_t days) {
    int64_t dow = (days + 4) % 7; // 1 January 1970 was a Thursday
    return static_cast<int>(dow < 0 ? dow + 7 : dow);
}

bool isValidTime(const SystemTime& t, int minYear) {
    return t.year >= minYear && t.year <= kMaxYear && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month) && t.hour < 24 && t.minute < 60 && t.second < 60 &&
           t.milliseconds < 1000;
}

// Fills `out` with the day `days` after 1970-01-01 and the time of day `msOfDay`; false when the
// year lies outside [minYear, kMaxYear].
bool fromDaysAndMs(int64_t days, int64_t msOfDay, int minYear, SystemTime& out) {
    int64_t year = 0;
    int month = 0;
    int day = 0;
    civilFromDays(days, year, month, day);
    if (year < minYear || year > kMaxYear) {
        return false;
    }
    out.year = static_cast<uint16_t>(year);
    out.month = static_cast<uint16_t>(month);
    out.day = static_cast<uint16_t>(day);
    out.dayOfWeek = static_cast<uint16_t>(dayOfWeekFromDays(days));
    out.hour = static_cast<uint16_t>(msOfDay / 3600000);
    out.minute = static_cast<uint16_t>(msOfDay / 60000 % 60);
    out.second = static_cast<uint16_t>(msOfDay / 1000 % 60);
    out.milliseconds = static_cast<uint16_t>(msOfDay % 1000);
    return true;
}

// Shifts a valid time by `minutes` (which may be negative).
bool shiftByMinutes(const SystemTime& t, int minutes, SystemTime& out) {
    int64_t ms = (daysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 +
                  t.second + static_cast<int64_t>(minutes) * 60) *
                     1000 +
                 t.milliseconds;
    int64_t days =
        ms >= 0 ? ms / kMillisecondsPerDay : -((-ms + kMillisecondsPerDay - 1) / kMillisecondsPerDay);
    return fromDaysAndMs(days, ms - days * kMillisecondsPerDay, kMinYear, out);
}

// What the date reader has found so far; -1 for "not yet".
struct DateFields {
    int day = -1;
    int month = -1;
    int year = -1;
    int hour = -1;
    int minute = -1;
    int second = -1;
    int zoneMinutes = 0; // local time minus UTC
};

// The named zones, as offsets from UTC in minutes.
bool namedZone(const char* word, int length, int& minutes) {
    struct Zone {
        const char* name;
        int minutes;
    };
    static const Zone kZones[] = {{"gmt", 0},       {"ut", 0},        {"utc", 0},       {"z", 0},
                                  {"est", -5 * 60}, {"edt", -4 * 60}, {"cst", -6 * 60}, {"cdt", -5 * 60},
                                  {"mst", -7 * 60}, {"mdt", -6 * 60}, {"pst", -8 * 60}, {"pdt", -7 * 60}};
    for (const Zone& zone : kZones) {
        if (static_cast<int>(strlen(zone.name)) == length && strncasecmp(word, zone.name, length) == 0) {
            minutes = zone.minutes;
            return true;
        }
    }
    return false;
}

// A month name: at least its first three letters, in any case.
int monthFromWord(const char* word, int length) {
    if (length < 3) {
        return -1;
    }
    for (int m = 0; m < 12; ++m) {
        const char* full = kFullMonthNames[m];
        if (length <= static_cast<int>(strlen(full)) && strncasecmp(word, full, length) == 0) {
            return m + 1;
        }
    }
    return -1;
}

// Reads up to 9 digits at s[i]; answers the number of digits read (more than 9 answer -1).
int readDigits(const char* s, int n, int& i, int& value) {
    value = 0;
    int digits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
        if (++digits > 9) {
            return -1;
        }
        value = value * 10 + (s[i] - '0');
        ++i;
    }
    return digits;
}

int expandYear(int value, int digits) {
    if (digits <= 2) {
        return value < 70 ? 2000 + value : 1900 + value;
    }
    return digits == 3 ? 1900 + value : value;
}

// An offset written as hhmm (or hh) with its sign; false when it is no plausible zone.
bool numericZone(int value, int digits, int sign, int& minutes) {
    int hours = digits <= 2 ? value : value / 100;
    int mins = digits <= 2 ? 0 : value % 100;
    if ((digits != 4 && digits > 2) || hours > 14 || mins > 59) {
        return false;
    }
    minutes = sign * (hours * 60 + mins);
    return true;
}

void takeNumber(DateFields& f, int value, int digits) {
    bool timeSeen = f.hour >= 0;
    if ((digits >= 3 || value > 31) && f.year < 0) {
        f.year = expandYear(value, digits);
    } else if (digits <= 2 && f.day < 0) {
        f.day = value;
    } else if (digits <= 2 && f.year < 0) {
        f.year = expandYear(value, digits);
    } else if (digits == 4 && timeSeen && f.year >= 0) {
        numericZone(value, digits, 1, f.zoneMinutes);
    }
}

// Reads "h:m" or "h:m:s" at s[i], where i is just after the ':' following the hours.
void takeTime(DateFields& f, const char* s, int n, int& i, int hours) {
    int minutes = 0;
    if (readDigits(s, n, i, minutes) <= 0) {
        return;
    }
    int seconds = 0;
    if (i < n && s[i] == ':') {
        ++i;
        if (readDigits(s, n, i, seconds) <= 0) {
            seconds = 0;
        }
    }
    f.hour = hours;
    f.minute = minutes;
    f.second = seconds == 60 ? 59 : seconds; // a leap second is read as the second before it
}

void scanDate(const char* s, int n, DateFields& f) {
    int i = 0;
    while (i < n) {
        char c = s[i];
        if (isAsciiLetter(c)) {
            int start = i;
            while (i < n && isAsciiLetter(s[i])) {
                ++i;
            }
            int month = monthFromWord(s + start, i - start);
            int zone = 0;
            if (month > 0 && f.month < 0) {
                f.month = month;
            } else if (namedZone(s + start, i - start, zone)) {
                f.zoneMinutes = zone;
            }
        } else if (isAsciiDigit(c)) {
            int value = 0;
            int digits = readDigits(s, n, i, value);
            if (digits < 0) {
                return;
            }
            if (i < n && s[i] == ':' && f.hour < 0) {
                ++i;
                takeTime(f, s, n, i, value);
            } else {
                takeNumber(f, value, digits);
            }
        } else if ((c == '+' || c == '-') && f.hour >= 0 && i + 1 < n && isAsciiDigit(s[i + 1])) {
            int sign = c == '-' ? -1 : 1;
            ++i;
            int value = 0;
            int digits = readDigits(s, n, i, value);
            if (digits < 0) {
                return;
            }
            numericZone(value, digits, sign, f.zoneMinutes);
        } else {
            ++i;
        }
    }
}

} // namespace

void DateParser::formatRfc822(const SystemTime& t, StringBuffer& out) {
    const char* dayName = kDayNames[t.dayOfWeek > 6 ? 0 : t.dayOfWeek];
    const char* monthName = kMonthNames[t.month == 0 || t.month > 12 ? 0 : t.month - 1];
    char text[80];
    snprintf(text, sizeof(text), "%s, %02d %s %d %02d:%02d:%02d ", dayName, t.day, monthName, t.year, t.hour,
             t.minute, t.second);
    int bias = currentZoneBias();
    char zone[16];
    snprintf(zone, sizeof(zone), "%+.2d%.2d", -bias / 60, abs(bias) % 60);
    out.setString(text);
    out.append(zone);
}

bool DateParser::parseDate(const char* text, SystemTime& out) {
    if (text == nullptr) {
        return false;
    }
    int n = static_cast<int>(strnlen(text, HttpLimits::kMaxDateText));
    DateFields f;
    scanDate(text, n, f);
    if (f.day < 1 || f.month < 1 || f.year < kMinYear || f.year > kMaxYear) {
        return false;
    }
    SystemTime local;
    local.year = static_cast<uint16_t>(f.year);
    local.month = static_cast<uint16_t>(f.month);
    local.day = static_cast<uint16_t>(f.day);
    if (f.hour >= 0) {
        local.hour = static_cast<uint16_t>(f.hour);
        local.minute = static_cast<uint16_t>(f.minute);
        local.second = static_cast<uint16_t>(f.second);
    }
    if (f.hour > 23 || f.minute > 59 || f.second > 59 || !isValidTime(local, kMinYear)) {
        return false;
    }
    return shiftByMinutes(local, -f.zoneMinutes, out);
}

bool DateParser::systemTimeToOleDate(const SystemTime& t, double& out) {
    if (!isValidTime(t, kMinOleYear)) {
        return false;
    }
    static const int64_t kOleEpochDays = daysFromCivil(1899, 12, 30);
    int64_t days = daysFromCivil(t.year, t.month, t.day) - kOleEpochDays;
    double fraction = (t.hour * 3600000.0 + t.minute * 60000.0 + t.second * 1000.0 + t.milliseconds) /
                      static_cast<double>(kMillisecondsPerDay);
    out = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return true;
}

bool DateParser::oleDateToSystemTime(double date, SystemTime& out) {
    // 1 January 100 and the day after 31 December 9999.
    if (!std::isfinite(date) || date <= -657435.0 || date >= 2958466.0) {
        return false;
    }
    static const int64_t kOleEpochDays = daysFromCivil(1899, 12, 30);
    double whole = std::trunc(date);
    int64_t days = static_cast<int64_t>(whole) + kOleEpochDays;
    int64_t ms = std::llround(std::fabs(date - whole) * static_cast<double>(kMillisecondsPerDay));
    if (ms >= kMillisecondsPerDay) {
        ++days;
        ms = 0;
    }
    SystemTime t;
    if (!fromDaysAndMs(days, ms, kMinOleYear, t)) {
        return false;
    }
    out = t;
    return true;
}

int DateParser::currentZoneBias() {
    tzset();
    time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local) == nullptr) {
        return 0;
    }
    return -static_cast<int>(local.tm_gmtoff / 60);
}

bool DateParser::utcToLocal(const SystemTime& utc, SystemTime& out) {
    if (!isValidTime(utc, kMinYear)) {
        return false;
    }
    SystemTime local;
    if (!shiftByMinutes(utc, -currentZoneBias(), local)) {
        return false;
    }
    out = local;
    return true;
}
