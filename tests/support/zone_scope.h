// Sets the process's time zone for one test and puts the earlier one back afterwards.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace test_support {

class ZoneScope {
public:
    explicit ZoneScope(const char* tz) {
        const char* old = std::getenv("TZ");
        m_hadTz = old != nullptr;
        m_savedTz = m_hadTz ? old : "";
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneScope() {
        m_hadTz ? setenv("TZ", m_savedTz.c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;

private:
    bool m_hadTz = false;
    std::string m_savedTz;
};

} // namespace test_support
