// The real crawler on today's domain names: a top-level domain newer than the first list, an
// international name given in capitals, and a name under no top-level domain at all.
#include "crawler_run.h"

#include "../base/file_test_support.h"
#include "fixture_server.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using e2e::CrawlerRun;
using e2e::linesOf;
using test_support::FixtureServer;

std::string page(const std::string& title) {
    return "<html><head><title>" + title +
           "</title></head><body>Bread and cakes from the corner "
           "bakery, baked every morning.</body></html>";
}

// The result line that starts with `domain` followed by '|'; "<none>" when there is none.
std::string resultLineOf(const std::string& out, const std::string& domain) {
    for (const std::string& line : linesOf(out)) {
        if (line.rfind(domain + "|", 0) == 0)
            return line;
    }
    return "<none>";
}

TEST_F(CrawlerRun, InternationalAndNewTopLevelNames) {
    FixtureServer web;
    web.add("xn--mnchen-3ya.de", "/", page("Muenchen Bakery"));
    web.add("example.shop", "/", page("Corner Shop"));
    ASSERT_TRUE(web.start(80));
    // DNS knows the international name only by its A-label.
    addHosts({"xn--mnchen-3ya.de", "example.shop"});
    writeConfig(2);
    file_test::writeBytes(m_dir + "/c:/Orrastead/DunmereIn.txt",
                          "M\u00DCNCHEN.DE\nexample.shop\nexample.zz\n");
    ASSERT_EQ(runCrawler(), 0);

    std::string out = file("DunmereOut.txt");
    // The lines carry the name as given, lower-cased; .de still gives the country, and the title
    // is the sixth field.
    const std::string munich = "m\u00FCnchen.de";
    EXPECT_EQ(resultLineOf(out, munich).rfind(munich + "|de||||Muenchen Bakery|", 0), 0u) << out;
    EXPECT_EQ(resultLineOf(out, "example.shop").rfind("example.shop|||||Corner Shop|", 0), 0u) << out;
    EXPECT_EQ(web.countRequests("xn--mnchen-3ya.de /"), 1);
    EXPECT_EQ(file("DunmereErr.txt"), "");
    std::string log = file("DunmereLog.txt");
    EXPECT_NE(log.find("Invalid Domain: example.zz\n"), std::string::npos) << log;
}

} // namespace
