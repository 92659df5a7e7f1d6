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

TEST(AdCodes, OneAdUnit) {
    SiteAnalyzer a;
    run(a, script("pub-123", "728x90_as"));
    EXPECT_STREQ(a.googleId.getString(), "pub-123");
    EXPECT_EQ(a.numAdUnits, 1);
    EXPECT_STREQ(a.adFormats[0].getString(), "728x90_as");
    EXPECT_EQ(a.numLinkUnits, 0);
    EXPECT_EQ(a.troubleParsingGoogle, 0);
}

TEST(AdCodes, LinkUnitAndMissingFormat) {
    SiteAnalyzer a;
    run(a, script("pub-1", "468x15_0ads_al") + "<script>google_ad_client = \"pub-9\";</script>");
    EXPECT_EQ(a.numLinkUnits, 1);
    EXPECT_STREQ(a.linkFormats[0].getString(), "468x15_0ads_al");
    EXPECT_EQ(a.troubleParsingGoogle, 0);
    EXPECT_STREQ(a.googleId.getString(), "pub-1");
}

TEST(AdCodes, DifferentIdsAndNonPublisherClient) {
    SiteAnalyzer a;
    run(a, script("pub-1", "a_as") + script("pub-2", "b_as"));
    EXPECT_STREQ(a.googleId.getString(), "pub-1");
    EXPECT_EQ(a.troubleParsingGoogle, 1);
    EXPECT_EQ(a.numAdUnits, 2);
    EXPECT_STREQ(a.adFormats[1].getString(), "b_as");

    SiteAnalyzer b;
    run(b, script("ca-123", "x_as"));
    EXPECT_STREQ(b.googleId.getString(), "");
    EXPECT_EQ(b.troubleParsingGoogle, 1);
    EXPECT_EQ(b.numAdUnits, 1);
}

TEST(AdCodes, UnreadableCodeSetsTheFlag) {
    SiteAnalyzer a;
    run(a, "<script>google_ad_client = pub-1; google_ad_format = x;</script>");
    EXPECT_EQ(a.troubleParsingGoogle, 1);
    EXPECT_STREQ(a.googleId.getString(), "");
    SiteAnalyzer b;
    // Single quotes serve when there is no double quote at all.
    run(b, "<script>google_ad_client = 'pub-7'; google_ad_format = 'f_as';</script>");
    EXPECT_STREQ(b.googleId.getString(), "pub-7");
    EXPECT_STREQ(b.adFormats[0].getString(), "f_as");
    // A double quote anywhere later wins over the nearer single quote.
    SiteAnalyzer c;
    run(c, "<script>google_ad_client = 'pub-7'; google_ad_format = \"f_as\";</script>");
    EXPECT_EQ(c.troubleParsingGoogle, 1);
    EXPECT_STREQ(c.googleId.getString(), "");
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

TEST(AdCodes, QuickModeStopsAtTheFirstId) {
    SiteAnalyzer a;
    a.setQuickMode(true);
    run(a, script("pub-5", "a_as") + script("pub-6", "b_as") +
               "<form action=\"http://www.google.com/custom\"><input name=\"client\" type=\"hidden\" "
               "value=\"pub-5\"/></form>");
    EXPECT_STREQ(a.googleId.getString(), "pub-5");
    EXPECT_EQ(a.numAdUnits, 0);
    EXPECT_EQ(a.numSearchUnits, 0);
    EXPECT_EQ(a.troubleParsingGoogle, 0);
    // Once the id is known, later pages are not read at all.
    run(a, script("pub-6", "c_as"));
    EXPECT_EQ(a.troubleParsingGoogle, 0);
}

TEST(AdCodes, SearchBox) {
    const std::string form =
        "<form action=\"http://www.google.com/custom\"><input name=\"client\" type=\"hidden\" "
        "value=\"pub-5\"/></form>";
    SiteAnalyzer a;
    run(a, script("pub-5", "a_as") + form);
    EXPECT_EQ(a.numSearchUnits, 1);
    EXPECT_EQ(a.troubleParsingGoogle, 0);

    SiteAnalyzer other;
    run(other, script("pub-4", "a_as") + form);
    EXPECT_EQ(other.troubleParsingGoogle, 1);
    EXPECT_EQ(other.numSearchUnits, 1);

    SiteAnalyzer onlyForm;
    onlyForm.setQuickMode(true);
    run(onlyForm, form);
    EXPECT_STREQ(onlyForm.googleId.getString(), "pub-5");
    EXPECT_EQ(onlyForm.numSearchUnits, 0);

    SiteAnalyzer visible;
    run(visible, "<form action=\"http://www.google.com/x\"><input name=\"client\" value=\"pub-5\"/></form>");
    EXPECT_STREQ(visible.googleId.getString(), "");
}

} // namespace

namespace {

TEST(AdCodes, ScriptTextWithoutCommentOpener) {
    SiteAnalyzer a;
    run(a, "<script><text>google_ad_client = \"pub-3\"; google_ad_format = \"f_as\";</text></script>");
    EXPECT_STREQ(a.googleId.getString(), "pub-3");
}

} // namespace

namespace {

// Today's ad code: the "ca-pub-" id in a script's URL or text, or on an ad unit.
TEST(AdCodes, TodaysPublisherIds) {
    const char* const id = "pub-1234567890123456";
    const struct {
        std::string body;
        const char* googleId;
        int trouble;
    } cases[] = {
        {"<script async=\"\" src=\"https://pagead2.googlesyndication.com/pagead/js/"
         "adsbygoogle.js?client=ca-pub-1234567890123456\"/>",
         id, 0},
        {"<ins class=\"adsbygoogle\" data-ad-client=\"ca-pub-1234567890123456\" data-ad-slot=\"42\"/>", id,
         0},
        {"<script>(adsbygoogle = window.adsbygoogle || []).push({google_ad_client: "
         "\"ca-pub-1234567890123456\", enable_page_level_ads: true});</script>",
         id, 0},
        {script("ca-pub-1234567890123456", "728x90_as"), id, 0},
        // Fifteen or seventeen digits are no publisher id.
        {"<script src=\"adsbygoogle.js?client=ca-pub-123456789012345\"/>", "", 0},
        {"<script>var c = 'ca-pub-12345678901234567';</script>", "", 0},
        {"<ins data-ad-client=\"ca-pub-12\"/>", "", 1},
        // The walk goes breadth first: the ad unit nearer the root is met first.
        {"<div><script src=\"adsbygoogle.js?client=ca-pub-1111111111111111\"/></div>"
         "<ins data-ad-client=\"ca-pub-2222222222222222\"/>",
         "pub-2222222222222222", 1},
    };
    for (const auto& c : cases) {
        SiteAnalyzer a;
        run(a, c.body);
        EXPECT_STREQ(a.googleId.getString(), c.googleId) << c.body;
        EXPECT_EQ(a.troubleParsingGoogle, c.trouble) << c.body;
    }
    SiteAnalyzer old;
    run(old, script("ca-pub-1234567890123456", "728x90_as"));
    EXPECT_EQ(old.numAdUnits, 1);
}

} // namespace
