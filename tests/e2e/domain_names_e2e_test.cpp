// The real crawler on today's domain names: a top-level domain newer than the first list, an
// international name given in capitals, and a name under no top-level domain at all.
#include "crawler_run.h"

#include "fixture_server.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using e2e::CrawlerRun;
using e2e::titledPage;
using test_support::FixtureServer;

TEST_F(CrawlerRun, InternationalAndNewTopLevelNames) {
    FixtureServer web;
    web.add("xn--mnchen-3ya.de", "/", titledPage("Muenchen Bakery"));
    web.add("example.shop", "/", titledPage("Corner Shop"));
    ASSERT_TRUE(web.start(80));
    // DNS knows the international name only by its A-label.
    addHosts({"xn--mnchen-3ya.de", "example.shop"});
    ASSERT_EQ(crawlList("M\u00DCNCHEN.DE\nexample.shop\nexample.zz\n", 2), 0);

    std::string out = file("DunmereOut.txt");
    // The lines carry the name as given, lower-cased; .de still gives the country, and the title
    // is the sixth field.
    const std::string munich = "m\u00FCnchen.de";
    EXPECT_EQ(lineOf(munich).rfind(munich + "|de||||Muenchen Bakery|", 0), 0u) << out;
    EXPECT_EQ(lineOf("example.shop").rfind("example.shop|||||Corner Shop|", 0), 0u) << out;
    EXPECT_EQ(web.countRequests("xn--mnchen-3ya.de /"), 1);
    EXPECT_EQ(file("DunmereErr.txt"), "");
    std::string log = file("DunmereLog.txt");
    EXPECT_NE(log.find("Invalid Domain: example.zz\n"), std::string::npos) << log;
}

} // namespace
