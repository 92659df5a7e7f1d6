// The dead and parked page phrases on the pages of tests/analysis/dead_pages: one page per phrase
// and per shape of a live page that merely holds a phrase, each with its outcome and what the
// phrase says of the site in expected.tsv.
#include "analysis/dead_page.h"

#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>

namespace {

TEST(DeadPage, EveryPageOfTheFolderGivesItsPhrase) {
    std::set<std::string> listed;
    for (const case_rows::Row& c : case_rows::read(DEAD_PAGES_DIR "/expected.tsv", 3)) {
        listed.insert(DEAD_PAGES_DIR "/" + c[0]);
        std::string html = file_test::readBytes(DEAD_PAGES_DIR "/" + c[0]);
        ASSERT_FALSE(html.empty()) << c[0];
        const char* found = findDeadPagePhrase(html.c_str());
        EXPECT_EQ(found != nullptr ? std::string(found) : std::string("live"), c[1]) << c[0];
        // What the phrase says of the site, for the failure cause the log and the summary count.
        EXPECT_EQ(found != nullptr ? fetchFailureWord(deadPageCause(found)) : "", c[2]) << c[0];
    }
    std::vector<std::string> pages = file_test::filesIn(DEAD_PAGES_DIR, ".html");
    EXPECT_EQ(std::set<std::string>(pages.begin(), pages.end()), listed);
}

// Text past the lead is never read, however the page goes on; a page of unclosed markup ends.
TEST(DeadPage, OnlyTheLeadOfAHugePageIsRead) {
    std::string article = "<title>Notes</title><p>" + std::string(2000, 'a') + " 404 Not Found";
    EXPECT_EQ(findDeadPagePhrase(article.c_str()), nullptr);
    std::string early = "<title>Notes</title><p>" + std::string(900, 'a') + " 404 Not Found";
    EXPECT_STREQ(findDeadPagePhrase(early.c_str()), "404 Not Found");
    // The last character of the lead ends the phrase; one more before it cuts the phrase short.
    std::string last = "<title>Notes</title><p>" + std::string(986, 'a') + " 404 Not Found";
    EXPECT_STREQ(findDeadPagePhrase(last.c_str()), "404 Not Found");
    EXPECT_EQ(findDeadPagePhrase(last.insert(23, "a").c_str()), nullptr);
    // The title counts apart from the text.
    std::string title = "<title>" + std::string(900, 'a') + " Error 404</title><p>" + std::string(900, 'b');
    EXPECT_STREQ(findDeadPagePhrase(title.c_str()), "Error 404");

    EXPECT_EQ(findDeadPagePhrase(""), nullptr);
    EXPECT_EQ(findDeadPagePhrase(nullptr), nullptr);
    std::string hostile;
    for (int i = 0; i < 200000; ++i)
        hostile += "<b><!--x--><script>";
    hostile += "<p>Site not found";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(findDeadPagePhrase(hostile.c_str()), nullptr);
    EXPECT_EQ(findDeadPagePhrase(("<a title='" + std::string(3000000, '<') + "Site not found").c_str()),
              nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

} // namespace
