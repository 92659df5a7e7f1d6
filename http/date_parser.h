// Dates of HTTP and mail headers: reading the RFC 822, RFC 850 and asctime forms, writing the
// RFC 822 form the HTTP engine sends and logs, and the OLE automation dates the caches and
// cookies store. SystemTime is the broken-down calendar time these work on. Everything here is
// computed by our own calendar code; only the local zone offset comes from the system (through
// localtime_r and tm_gmtoff, so it follows TZ).
#pragma once

#include <cstdint>

class StringBuffer;

// A calendar time, field by field: year (e.g. 2024), month 1-12, dayOfWeek 0-6 (0 = Sunday),
// day 1-31, hour 0-23, minute, second, milliseconds. A year of 0 means "not set".
struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

class DateParser {
public:
    // Replaces `out` with "Tue, 05 Mar 2024 14:03:09 +0100": the day name of t.dayOfWeek (values
    // above 6 taken as 0), the month name (0 or above 12 taken as 1), and the zone offset the
    // system is in at the moment of the call. The offset is printed as "%+.2d%.2d" of the hours
    // (the bias in minutes divided by 60, rounded toward zero, negated) and the minutes (absolute
    // bias modulo 60), so a zone 30 minutes behind UTC prints as "+0030". `t` is taken to be a
    // local time; nothing of it is converted.
    static void formatRfc822(const SystemTime& t, StringBuffer& out);

    // Reads a date in RFC 822 ("Tue, 05 Mar 2024 14:03:09 GMT"), RFC 850
    // ("Tuesday, 05-Mar-24 14:03:09 GMT") or asctime ("Tue Mar  5 14:03:09 2024") form. The
    // zone may be "GMT", "UT", "UTC" or "Z", a numeric offset ("+0100", "-0330", or "0100" after
    // the time), or one of the US zones EST, EDT, CST, CDT, MST, MDT, PST, PDT, in any case; none
    // means UTC. The result is that instant in UTC, with its day of week; milliseconds are 0.
    // Two-digit years below 70 are 20xx, the others 19xx. A missing time reads as midnight.
    // False, leaving `out` unchanged, when no valid day, month and year can be read or the
    // result lies outside the years 1601 to 9999.
    static bool parseDate(const char* text, SystemTime& out);

    // OLE automation dates: days since 30 December 1899 as a double, the time of day as the
    // fraction (for days before the epoch the fraction counts forward from the start of the
    // day, as OLE has it: -1.25 is 29 December 1899, 06:00). Years 100 to 9999. False, leaving
    // `out` unchanged, for an invalid time or a date outside that range. Conversions to
    // SystemTime round to the nearest millisecond and fill in the day of week.
    static bool systemTimeToOleDate(const SystemTime& t, double& out);
    static bool oleDateToSystemTime(double date, SystemTime& out);

    // The bias of the local zone at the moment of the call: UTC minus local time, in minutes
    // (-60 for a zone one hour east of Greenwich), daylight time included.
    static int currentZoneBias();
    // Shifts a UTC time by the current zone bias, giving the local time that formatRfc822
    // prints with the matching offset. False, leaving `out` unchanged, for an invalid time.
    static bool utcToLocal(const SystemTime& utc, SystemTime& out);
};
