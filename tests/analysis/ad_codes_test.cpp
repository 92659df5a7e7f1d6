#include "analysis/ad_codes.h"

#include "analysis/site_analyzer.h"
#include "markup/cls_xml.h"

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

constexpr int kUnchecked = -1;

const char* const kSearchForm = "<form action=\"http://www.google.com/custom\"><input name=\"client\" "
                                "type=\"hidden\" value=\"pub-5\"/></form>";

// The publisher id, the trouble flag, the units and the search boxes one page gives.
TEST(AdCodes, PageShapes) {
    const char* const id = "pub-1234567890123456";
    const struct {
        std::string body;
        const char* googleId;
        int trouble;
        const char* formats;
        int searchUnits = kUnchecked;
    } cases[] = {
        {script("pub-123", "728x90_as"), "pub-123", 0, "728x90_as|"},
        // A client without a format is no unit; a link unit is counted apart.
        {script("pub-1", "468x15_0ads_al") + "<script>google_ad_client = \"pub-9\";</script>", "pub-1", 0,
         "|468x15_0ads_al"},
        // A second id keeps the first and sets the flag; a client that is no publisher id is none.
        {script("pub-1", "a_as") + script("pub-2", "b_as"), "pub-1", 1, "a_as b_as|"},
        {script("ca-123", "x_as"), "", 1, "x_as|"},
        {"<script>google_ad_client = pub-1; google_ad_format = x;</script>", "", 1, nullptr},
        // Single quotes serve when there is no double quote at all; a double quote anywhere later
        // wins over the nearer single quote.
        {"<script>google_ad_client = 'pub-7'; google_ad_format = 'f_as';</script>", "pub-7", kUnchecked,
         "f_as|"},
        {"<script>google_ad_client = 'pub-7'; google_ad_format = \"f_as\";</script>", "", 1, nullptr},
        {"<script><text>google_ad_client = \"pub-3\"; google_ad_format = \"f_as\";</text></script>", "pub-3",
         kUnchecked, nullptr},
        // The search box of the same publisher, of another, and a form that shows its client.
        {script("pub-5", "a_as") + kSearchForm, "pub-5", 0, nullptr, 1},
        {script("pub-4", "a_as") + kSearchForm, "pub-4", 1, nullptr, 1},
        {"<form action=\"http://www.google.com/x\"><input name=\"client\" value=\"pub-5\"/></form>", "",
         kUnchecked, nullptr},
        // Today's ad code: the "ca-pub-" id in a script's URL or text, or on an ad unit.
        {"<script async=\"\" src=\"https://pagead2.googlesyndication.com/pagead/js/"
         "adsbygoogle.js?client=ca-pub-1234567890123456\"/>",
         id, 0, nullptr},
        {"<ins class=\"adsbygoogle\" data-ad-client=\"ca-pub-1234567890123456\" data-ad-slot=\"42\"/>", id, 0,
         nullptr},
        {"<script>(adsbygoogle = window.adsbygoogle || []).push({google_ad_client: "
         "\"ca-pub-1234567890123456\", enable_page_level_ads: true});</script>",
         id, 0, nullptr},
        {script("ca-pub-1234567890123456", "728x90_as"), id, 0, "728x90_as|"},
        // Fifteen or seventeen digits are no publisher id.
        {"<script src=\"adsbygoogle.js?client=ca-pub-123456789012345\"/>", "", 0, nullptr},
        {"<script>var c = 'ca-pub-12345678901234567';</script>", "", 0, nullptr},
        {"<ins data-ad-client=\"ca-pub-12\"/>", "", 1, nullptr},
        // The walk goes breadth first: the ad unit nearer the root is met first.
        {"<div><script src=\"adsbygoogle.js?client=ca-pub-1111111111111111\"/></div>"
         "<ins data-ad-client=\"ca-pub-2222222222222222\"/>",
         "pub-2222222222222222", 1, nullptr},
    };
    for (const auto& c : cases) {
        SiteAnalyzer a;
        run(a, c.body);
        EXPECT_STREQ(a.googleId.getString(), c.googleId) << c.body;
        if (c.trouble != kUnchecked) {
            EXPECT_EQ(a.troubleParsingGoogle, c.trouble) << c.body;
        }
        if (c.formats != nullptr) {
            EXPECT_EQ(formatsOf(a), c.formats) << c.body;
        }
        if (c.searchUnits != kUnchecked) {
            EXPECT_EQ(a.numSearchUnits, c.searchUnits) << c.body;
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
