#include "analysis/site_analyzer.h"
#include "app/domain_job.h"
#include "base/string_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Whatever a page or a table put in a field, the line keeps seven fields on one line.
TEST(ResultLine, SeparatorsAndLineBreaksNeverSplitTheLine) {
    const char* dirt = "a|b\r\nc\td |\n";
    SiteAnalyzer analyzer;
    for (StringBuffer* field : {&analyzer.country, &analyzer.state, &analyzer.charset, &analyzer.googleId,
                                &analyzer.siteTitle, &analyzer.homeWordVector})
        field->setString(dirt);
    StringBuffer line;
    buildResultLine(StringBuffer("example.com"), analyzer, line);
    std::string text = line.getString();
    EXPECT_EQ(text, "example.com|a b c d|a b c d|a b c d|a b c d|a b c d|a b c d");
    EXPECT_EQ(text.find_first_of("\r\n\t"), std::string::npos);

    SiteAnalyzer empty;
    buildResultLine(StringBuffer("example.org"), empty, line);
    EXPECT_STREQ(line.getString(), "example.org||||||");
}

} // namespace
