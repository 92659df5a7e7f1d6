// libFuzzer target for the dates of HTTP and mail headers. A date that reads is a valid UTC time
// of the years 1601 to 9999 with the right day of week; written in the RFC 822 form (the zone
// is UTC here, so nothing shifts) it reads back the same, and so does its OLE date.
#include "fuzz_support.h"
#include "http/date_parser.h"

#include <cstdlib>

namespace {

bool sameTime(const SystemTime& a, const SystemTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.dayOfWeek == b.dayOfWeek &&
           a.hour == b.hour && a.minute == b.minute && a.second == b.second &&
           a.milliseconds == b.milliseconds;
}

int daysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Text text(data, size);
    SystemTime t;
    if (!DateParser::parseDate(text.get(), t))
        return 0;
    fuzz::check(t.year >= 1601 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
                t.day <= daysInMonth(t.year, t.month) && t.hour < 24 && t.minute < 60 && t.second < 60 &&
                t.dayOfWeek < 7 && t.milliseconds == 0);

    StringBuffer written;
    DateParser::formatRfc822(t, written);
    SystemTime again;
    fuzz::check(DateParser::parseDate(written.getString(), again) && sameTime(again, t));

    double ole = 0;
    fuzz::check(DateParser::systemTimeToOleDate(t, ole));
    SystemTime fromOle;
    fuzz::check(DateParser::oleDateToSystemTime(ole, fromOle) && sameTime(fromOle, t));
    return 0;
}
