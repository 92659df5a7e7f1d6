#include "base/url_parse.h"

#include "base/string_buffer.h"

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
    // An '@' only in the query, with no '/' after it, gives no credentials.
    {"http://h/p?mail=a@b", "h", 80, "", "", "/p", "mail=a@b", ""},
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

} // namespace
