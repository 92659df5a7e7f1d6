#include "app/result_format.h"

#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Whatever a page or a table put in a field, the line keeps seven fields on one line.
TEST(PipeLine, SeparatorsAndLineBreaksNeverSplitTheLine) {
    DomainResult r;
    r.domain.setString("example.com");
    for (StringBuffer* field : {&r.country, &r.state, &r.charset, &r.adId, &r.title, &r.words})
        field->setString("a|b\r\nc\td |\n");
    StringBuffer line;
    formatPipeLine(r, line);
    EXPECT_STREQ(line.getString(), "example.com|a b c d|a b c d|a b c d|a b c d|a b c d|a b c d");
    formatPipeLine(DomainResult{}, line);
    EXPECT_STREQ(line.getString(), "||||||");
}

TEST(JsonLine, FieldsAreEscapedAndAlwaysValidUtf8) {
    for (const case_rows::Row& c : case_rows::read(APP_TEST_DATA_DIR "/json_strings.tsv", 2)) {
        DomainResult r;
        r.title.setString(c[0].c_str());
        StringBuffer line;
        formatJsonLine(r, line);
        std::string expected = std::string(",\"title\":") + c[1] + ",";
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

} // namespace
