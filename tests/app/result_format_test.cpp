#include "app/result_format.h"
#include "app/run_report.h"
#include "app/run_statistics.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// One field's bytes and the JSON string they must become.
struct JsonCase {
    const char* bytes;
    const char* json;
};

TEST(JsonLine, FieldsAreEscapedAndAlwaysValidUtf8) {
    const JsonCase cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\" \\ bye", "\"say \\\"hi\\\" \\\\ bye\""},
        {"tab\there\nline", "\"tab\\u0009here\\u000aline\""},
        {"caf\xC3\xA9", "\"caf\xC3\xA9\""},                   // UTF-8 is kept
        {"bad\xFF byte", "\"bad\xEF\xBF\xBD byte\""},         // a stray byte becomes U+FFFD
        {"cut \xE2\x82", "\"cut \xEF\xBF\xBD\xEF\xBF\xBD\""}, // so does each byte of a cut sequence
        {"a|b", "\"a|b\""},                                   // the separator needs no cleaning
    };
    for (const JsonCase& c : cases) {
        DomainResult r;
        r.title.setString(c.bytes);
        StringBuffer line;
        formatJsonLine(r, line);
        std::string expected = std::string(",\"title\":") + c.json + ",";
        EXPECT_NE(std::string(line.getString()).find(expected), std::string::npos) << line.getString();
    }
}

TEST(JsonLine, WordsBecomeAnObjectAndFailuresCarryTheirCause) {
    DomainResult r;
    r.domain.setString("example.com");
    r.words.setString("schuhe,4,stiefel,12");
    StringBuffer line;
    formatJsonLine(r, line);
    EXPECT_STREQ(line.getString(),
                 "{\"domain\":\"example.com\",\"country\":\"\",\"state\":\"\",\"charset\":\"\","
                 "\"adId\":\"\",\"title\":\"\",\"words\":{\"schuhe\":4,\"stiefel\":12}}");
    r.words.setString("broken,");
    r.failure = FetchFailure::HttpStatus;
    r.detail.setString("503");
    formatJsonLine(r, line);
    EXPECT_NE(
        std::string(line.getString()).find("\"words\":{},\"failed\":\"http-status\",\"detail\":\"503\"}"),
        std::string::npos)
        << line.getString();
}

TEST(RunReport, StaysSmallAndEscapedWhateverThePagesHeld) {
    DomainResult r;
    for (int i = 0; i < 20000; ++i) {
        r.country.setString(("<script>" + std::to_string(i)).c_str());
        tallyForReport(r);
    }
    StringBuffer html;
    buildRunReport(html);
    std::string page = html.getString();
    EXPECT_LT(page.size(), 64u * 1024);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
}

TEST(Progress, ShowsTheShareOfTheInputAndTheTimeLeft) {
    resetRunStatistics();
    runStatistics().inputBytesTotal = 4000;
    runStatistics().inputBytesRead = 1000;
    char line[256];
    formatProgress(600, line, sizeof(line));
    // A quarter read in ten minutes leaves thirty.
    EXPECT_NE(std::string(line).find("25% of the input read, about 0:30 left"), std::string::npos) << line;
    runStatistics().inputBytesTotal = 0;
    formatProgress(600, line, sizeof(line));
    EXPECT_EQ(std::string(line).find("left"), std::string::npos) << line;
}

} // namespace
