#include "analysis/ad_codes.h"

#include "analysis/site_analyzer.h"
#include "markup/cls_xml.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string script(const char* client, const char* format) {
    return std::string("<script>google_ad_client = \"") + client + "\"; google_ad_format = \"" + format +
           "\";</script>";
}

void run(SiteAnalyzer& analyzer, const std::string& body) {
    ClsXml tree;
    ASSERT_TRUE(tree.LoadXml(("<root>" + body + "</root>").c_str()));
    extractAdCodes(analyzer, tree);
}

// The formats a run found: the ad units', then after a bar the link units'.
std::string formatsOf(const SiteAnalyzer& a) {
    std::string out;
    for (int i = 0; i < a.numAdUnits; ++i)
        out += (i > 0 ? " " : "") + std::string(a.adFormats[i].getString());
    out += "|";
    for (int i = 0; i < a.numLinkUnits; ++i)
        out += (i > 0 ? " " : "") + std::string(a.linkFormats[i].getString());
    return out;
}

const char* const kSearchForm = "<form action=\"http://www.google.com/custom\"><input name=\"client\" "
                                "type=\"hidden\" value=\"pub-5\"/></form>";

TEST(AdCodes, PageShapes) {
    for (const case_rows::Row& c : case_rows::read(ANALYSIS_TEST_DATA_DIR "/ad_code_pages.tsv", 6)) {
        SiteAnalyzer a;
        run(a, c[1]);
        EXPECT_EQ(a.googleId.getString(), c[2]) << c[0];
        if (!c[3].empty()) {
            EXPECT_EQ(a.troubleParsingGoogle, std::stoi(c[3])) << c[0];
        }
        if (!c[4].empty()) {
            EXPECT_EQ(formatsOf(a), c[4]) << c[0];
        }
        if (!c[5].empty()) {
            EXPECT_EQ(a.numSearchUnits, std::stoi(c[5])) << c[0];
        }
    }
}

TEST(AdCodes, AtMostSixOfAKind) {
    SiteAnalyzer a;
    std::string body;
    for (int i = 0; i < 8; ++i)
        body += script("pub-1", ("f" + std::to_string(i) + "_as").c_str());
    run(a, body);
    EXPECT_EQ(a.numAdUnits, 6);
    EXPECT_STREQ(a.adFormats[5].getString(), "f5_as");
}

// Quick mode wants the id alone: it stops at the first, even a search box's, and counts nothing.
TEST(AdCodes, QuickModeStopsAtTheFirstId) {
    SiteAnalyzer a;
    a.setQuickMode(true);
    run(a, script("pub-5", "a_as") + script("pub-6", "b_as") + kSearchForm);
    EXPECT_STREQ(a.googleId.getString(), "pub-5");
    EXPECT_EQ(a.numAdUnits, 0);
    EXPECT_EQ(a.numSearchUnits, 0);
    EXPECT_EQ(a.troubleParsingGoogle, 0);
    // Once the id is known, later pages are not read at all.
    run(a, script("pub-6", "c_as"));
    EXPECT_EQ(a.troubleParsingGoogle, 0);
    SiteAnalyzer searchBox;
    searchBox.setQuickMode(true);
    run(searchBox, kSearchForm);
    EXPECT_STREQ(searchBox.googleId.getString(), "pub-5");
    EXPECT_EQ(searchBox.numSearchUnits, 0);
}

} // namespace
