#include "base/url_parse.h"
#include "base/url_resolve.h"

#include "base/string_buffer.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ParseUrl, SplitsIntoParts) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/url_parts.txt", 8)) {
        SCOPED_TRACE(c[0]);
        StringBuffer host("stale"), login("stale"), password("stale"), path("stale"), query("stale"),
            fragment("stale");
        int port = -1;
        ASSERT_TRUE(parseUrl(c[0].c_str(), host, port, login, password, path, query, fragment));
        const std::vector<std::string> parts = {host.getString(),     std::to_string(port), login.getString(),
                                                password.getString(), path.getString(),     query.getString(),
                                                fragment.getString()};
        EXPECT_EQ(parts, std::vector<std::string>(c.begin() + 1, c.end()));
    }
}

TEST(ParseUrl, NullUrlFailsWithOutputsCleared) {
    StringBuffer host("x"), login("x"), password("x"), path("x"), query("x"), fragment("x");
    int port = 1;
    EXPECT_FALSE(parseUrl(nullptr, host, port, login, password, path, query, fragment));
    EXPECT_EQ(port, 80);
    EXPECT_EQ(host.getSize() + login.getSize() + path.getSize() + query.getSize() + fragment.getSize(), 0);
    getUrlWithoutFragment(nullptr, fragment);
    EXPECT_STREQ(fragment.getString(), "");
}

TEST(ParseUrl, HostileTextStaysInsideBounds) {
    std::string many(5000, '@');
    many += "/";
    std::string colons(3000, ':');
    const char* texts[] = {many.c_str(), colons.c_str(), "@", ":", "#", "?", "/", "http://", "https://:@/?#"};
    for (const char* text : texts) {
        StringBuffer host, login, password, path, query, fragment;
        int port = 0;
        EXPECT_TRUE(parseUrl(text, host, port, login, password, path, query, fragment)) << text;
    }
}

TEST(GetUrlHostAndPath, KeepTheirPart) {
    StringBuffer host;
    EXPECT_TRUE(getUrlHost("http://a:b@WWW.Example.DE:81/x", host));
    EXPECT_STREQ(host.getString(), "www.example.de");
    EXPECT_FALSE(getUrlHost(nullptr, host));
    EXPECT_STREQ(host.getString(), "");
    StringBuffer path;
    EXPECT_TRUE(getUrlPath("http://h/Dir/Page.html?q=1#f", path));
    EXPECT_STREQ(path.getString(), "/Dir/Page.html");
}

TEST(GetUrlWithoutFragment, DropsWhatTheParseRemoves) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/url_without_fragment.txt", 2)) {
        StringBuffer out("stale");
        getUrlWithoutFragment(c[0].c_str(), out);
        EXPECT_EQ(std::string(out.getString()), c[1]) << c[0];
    }
}

TEST(ResolveUrlReference, ResolvesEveryCase) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/url_resolve.txt", 3)) {
        StringBuffer out("stale");
        EXPECT_EQ(resolveUrlReference(c[0].c_str(), c[1].c_str(), out), !c[2].empty())
            << c[0] << " + " << c[1];
        EXPECT_EQ(std::string(out.getString()), c[2]) << c[0] << " + " << c[1];
    }
}

TEST(ResolveUrlReference, NullAndEmptyArgumentsGiveNothing) {
    StringBuffer out("stale");
    EXPECT_FALSE(resolveUrlReference("", "", out));
    EXPECT_STREQ(out.getString(), "");
    out.setString("stale");
    EXPECT_FALSE(resolveUrlReference("http://h/", nullptr, out));
    EXPECT_STREQ(out.getString(), "");
    out.setString("stale");
    EXPECT_FALSE(resolveUrlReference(nullptr, "q", out));
    EXPECT_STREQ(out.getString(), "");
}

TEST(ResolveUrlReference, LongDotSegmentChainsStayAtTheRoot) {
    std::string reference;
    for (int i = 0; i < 20000; ++i)
        reference += "a/";
    for (int i = 0; i < 30000; ++i)
        reference += "../";
    reference += "end";
    StringBuffer out;
    EXPECT_TRUE(resolveUrlReference("http://h/d/p", reference.c_str(), out));
    EXPECT_STREQ(out.getString(), "http://h/end");
}

} // namespace
