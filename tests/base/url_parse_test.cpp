#include "base/url_parse.h"
#include "base/url_resolve.h"

#include "base/string_buffer.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct UrlCase {
    const char* url;
    const char* host;
    int port;
    const char* login;
    const char* password;
    const char* path;
    const char* query;
    const char* fragment;
};

class ParseUrlTable : public ::testing::TestWithParam<UrlCase> {};

TEST_P(ParseUrlTable, SplitsIntoParts) {
    const UrlCase& c = GetParam();
    StringBuffer host("stale"), login("stale"), password("stale"), path("stale"), query("stale"),
        fragment("stale");
    int port = -1;
    ASSERT_TRUE(parseUrl(c.url, host, port, login, password, path, query, fragment));
    EXPECT_STREQ(host.getString(), c.host);
    EXPECT_EQ(port, c.port);
    EXPECT_STREQ(login.getString(), c.login);
    EXPECT_STREQ(password.getString(), c.password);
    EXPECT_STREQ(path.getString(), c.path);
    EXPECT_STREQ(query.getString(), c.query);
    EXPECT_STREQ(fragment.getString(), c.fragment);
}

const UrlCase kUrlCases[] = {
    {"http://Host.COM/a/b.html?x=1#top", "host.com", 80, "", "", "/a/b.html", "x=1", "top"},
    {"https://h/x", "h", 443, "", "", "/x", "", ""},
    {"http://h:8080/x", "h", 8080, "", "", "/x", "", ""},
    {"http://h", "h", 80, "", "", "/", "", ""},
    // A port without a following path is honoured.
    {"http://h:8080", "h", 8080, "", "", "/", "", ""},
    {"http://h:8080?x=1", "h", 8080, "", "", "/", "x=1", ""},
    {"http://h?a=b#c", "h", 80, "", "", "/", "a=b", "c"},
    // A ':' after the first '/' is no port.
    {"http://h/p:8080", "h", 80, "", "", "/p:8080", "", ""},
    {"http://h:abc/x", "h", 80, "", "", "/x", "", ""},
    {"http://h:99999/x", "h", 80, "", "", "/x", "", ""},
    // Credentials.
    {"http://user:pw@h/p", "h", 80, "user", "pw", "/p", "", ""},
    {"https://a:b@Site.org:444/x?q", "site.org", 444, "a", "b", "/x", "q", ""},
    {"http://user@h/p", "h", 80, "", "", "/p", "", ""},
    {"http://u:p:q@h/", "h", 80, "u", "p:q", "/", "", ""},
    {"http://u:p@h", "h", 80, "u", "p", "/", "", ""},
    {"http://u:p@h?x=1", "h", 80, "u", "p", "/", "x=1", ""},
    {"http://a@b:c@h/p", "h", 80, "a@b", "c", "/p", "", ""},
    // An '@' in the path or query is neither credentials nor host.
    {"http://h/p?mail=a@b", "h", 80, "", "", "/p", "mail=a@b", ""},
    {"http://site/@team/x", "site", 80, "", "", "/@team/x", "", ""},
    {"http://h/p?u=a:b@evil/c", "h", 80, "", "", "/p", "u=a:b@evil/c", ""},
    // Backslashes are read as slashes.
    {"http:\\\\h\\a\\b.html", "h", 80, "", "", "/a/b.html", "", ""},
    // Other schemes and none.
    {"file:///c/dir", "c", 80, "", "", "/dir", "", ""},
    {"www.Site.com/page", "www.site.com", 80, "", "", "/page", "", ""},
    {"", "", 80, "", "", "/", "", ""},
    // Fragments: the last '#' of the query, or of the path when there is no query.
    {"http://h/a?x=1#f1#f2", "h", 80, "", "", "/a", "x=1#f1", "f2"},
    {"http://h/a#f?x=1", "h", 80, "", "", "/a#f", "x=1", ""},
    {"http://h/a#f?", "h", 80, "", "", "/a", "", "f"},
    // Host clean-up.
    {"http:// Host.com /x", "host.com", 80, "", "", "/x", "", ""},
    {"http://h%20x/", "h", 80, "", "", "/", "", ""},
    // With a '/' somewhere after it, the host part runs to that '/' and is cut at the '?'.
    {"http://h?x=/y", "h", 80, "", "", "/y", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Urls, ParseUrlTable, ::testing::ValuesIn(kUrlCases));

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

struct FragmentCase {
    const char* url;
    const char* expected;
};

class UrlWithoutFragmentTable : public ::testing::TestWithParam<FragmentCase> {};

TEST_P(UrlWithoutFragmentTable, DropsWhatTheParseRemoves) {
    StringBuffer out("stale");
    getUrlWithoutFragment(GetParam().url, out);
    EXPECT_STREQ(out.getString(), GetParam().expected);
}

const FragmentCase kFragmentCases[] = {
    {"http://Host.COM/a/b.html?x=1#top", "http://Host.COM/a/b.html?x=1"},
    {"http://h/a#f?x=1", "http://h/a#f?x=1"},
    {"http://h/a#f?", "http://h/a?"},
    {"http://h\\a#f", "http://h\\a"},
    {"", ""},
};

INSTANTIATE_TEST_SUITE_P(Urls, UrlWithoutFragmentTable, ::testing::ValuesIn(kFragmentCases));

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
