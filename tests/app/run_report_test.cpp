#include "app/run_report.h"

#include "app/result_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RunReport, StaysSmallAndEscapedWhateverThePagesHeld) {
    ReportTallies tallies;
    DomainResult r;
    for (int i = 0; i < 20000; ++i) {
        r.country.setString(("<script>" + std::to_string(i)).c_str());
        tallies.add(r);
    }
    StringBuffer html;
    buildRunReport(RunStatistics(), tallies, html);
    std::string page = html.getString();
    EXPECT_LT(page.size(), 64u * 1024);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
}

} // namespace
