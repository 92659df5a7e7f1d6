// The times the disk caches store. Every time here is UTC: an expiration is an OLE automation
// date (days since 30 December 1899, the time of day as the fraction) of a UTC instant, and the
// 4-byte stamps of HttpCache entries hold year + 48 (modulo 256), month, day and hour of a UTC
// time. Times are shown in logs in RFC 822 form in the local zone.
#pragma once

#include <cstdint>

class StringBuffer;
struct SystemTime;

namespace CacheTime {

constexpr double kSecondsPerDay = 86400.0;
constexpr int kStampSize = 4;

// The current UTC time as an OLE date.
double nowOle();
inline double addSeconds(double oleDate, double seconds) {
    return oleDate + seconds / kSecondsPerDay;
}
// A UTC calendar time as an OLE date; false for an invalid time.
bool toOle(const SystemTime& utc, double& out);
// Replaces `out` with the RFC 822 form of a UTC OLE date in the local zone; false (with `out`
// empty) for a date outside the calendar.
bool formatOle(double oleDate, StringBuffer& out);

// The stamp of a UTC OLE date: year + 48 modulo 256, month, day, hour (all 0 for a date outside
// the calendar).
void makeStamp(double oleDate, unsigned char out[kStampSize]);
// The start of the hour a stamp names, as an OLE date; false for a stamp that names no hour.
// The stamp's year byte is read as a year from 2000 to 2255 (2000 + 48 is 0 modulo 256).
bool stampToOle(const unsigned char stamp[kStampSize], double& out);

} // namespace CacheTime
