#include "base/ascii.h"

bool containsNoCase(const char* text, const char* needle) {
    for (const char* start = text;; ++start) {
        const char* t = start;
        const char* p = needle;
        while (*p != '\0' && lowerAscii(*t) == lowerAscii(*p)) {
            ++t;
            ++p;
        }
        if (*p == '\0')
            return true;
        if (*start == '\0')
            return false;
    }
}
