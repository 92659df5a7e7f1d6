#include "app/result_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// One field's bytes and the JSON string they must become.
struct JsonCase {
    const char* bytes;
    const char* json;
};

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

} // namespace
