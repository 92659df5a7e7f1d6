#include "http/cache/cache_time.h"

#include "base/string_buffer.h"
#include "http/date_parser.h"

#include <chrono>
#include <cmath>

namespace CacheTime {

namespace {

// The OLE date of 1 January 1970, 00:00 UTC.
constexpr double kUnixEpochOle = 25569.0;
constexpr int kStampYearBase = 2000;

} // namespace

double nowOle() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    return kUnixEpochOle + static_cast<double>(ms) / (kSecondsPerDay * 1000.0);
}

bool toOle(const SystemTime& utc, double& out) {
    return DateParser::systemTimeToOleDate(utc, out);
}

bool formatOle(double oleDate, StringBuffer& out) {
    out.clear();
    SystemTime utc;
    SystemTime local;
    if (!std::isfinite(oleDate) || !DateParser::oleDateToSystemTime(oleDate, utc) ||
        !DateParser::utcToLocal(utc, local))
        return false;
    DateParser::formatRfc822(local, out);
    return true;
}

void makeStamp(double oleDate, unsigned char out[kStampSize]) {
    SystemTime t;
    if (!std::isfinite(oleDate) || !DateParser::oleDateToSystemTime(oleDate, t)) {
        for (int i = 0; i < kStampSize; ++i)
            out[i] = 0;
        return;
    }
    out[0] = static_cast<unsigned char>((t.year + 48) % 256);
    out[1] = static_cast<unsigned char>(t.month);
    out[2] = static_cast<unsigned char>(t.day);
    out[3] = static_cast<unsigned char>(t.hour);
}

bool stampToOle(const unsigned char stamp[kStampSize], double& out) {
    SystemTime t;
    t.year = static_cast<uint16_t>(kStampYearBase + stamp[0]);
    t.month = stamp[1];
    t.day = stamp[2];
    t.hour = stamp[3];
    return DateParser::systemTimeToOleDate(t, out);
}

} // namespace CacheTime
