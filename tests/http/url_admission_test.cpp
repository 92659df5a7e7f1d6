#include "http/url_admission.h"

#include "../base/file_test_support.h"
#include "http/http_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Every line and data item in order, as "error:text", "info:text" or "name=value".
Lines linesOf(const file_test::RecordingLog& log) {
    Lines lines;
    for (const auto& e : log.entries)
        lines.push_back(e.kind == "data" ? e.name + "=" + e.text : e.kind + ":" + e.text);
    return lines;
}

TEST(IsRefusedMediaUrl, EveryExtensionAtTheEnd) {
    const char* extensions[] = {".asf", ".mp3", ".rm",  ".mpeg", ".mpg", ".avi", ".mov", ".mp4", ".wmv",
                                ".pps", ".wma", ".wvx", ".wax",  ".asx", ".wms", ".wmz", ".wmd"};
    for (const char* ext : extensions) {
        EXPECT_TRUE(isRefusedMediaUrl((std::string("http://h/file") + ext).c_str())) << ext;
        EXPECT_TRUE(isRefusedMediaUrl((std::string("http://h/f?name=x") + ext).c_str())) << ext;
        EXPECT_FALSE(isRefusedMediaUrl((std::string("http://h/file") + ext + "?x=1").c_str())) << ext;
        EXPECT_FALSE(isRefusedMediaUrl((std::string("http://h/file") + ext + ".html").c_str())) << ext;
    }
    EXPECT_TRUE(isRefusedMediaUrl(".rm"));
    EXPECT_FALSE(isRefusedMediaUrl("rm"));
    EXPECT_FALSE(isRefusedMediaUrl(nullptr));
}

class AdmitUrlTest : public ::testing::Test {
protected:
    UrlAdmission admit(const std::string& url) { return admitUrl(url.c_str(), control, parsed, &log); }

    HttpControl control;
    RequestUrl parsed;
    file_test::RecordingLog log;
};

TEST_F(AdmitUrlTest, AcceptsAndParsesKeepingTheCaseOfThePath) {
    EXPECT_EQ(admit("http://Host.COM/A/B.html?X=1#Top"), UrlAdmission::kAccepted);
    EXPECT_STREQ(parsed.host.getString(), "host.com");
    EXPECT_EQ(parsed.port, 80);
    EXPECT_STREQ(parsed.path.getString(), "/A/B.html");
    EXPECT_STREQ(parsed.query.getString(), "X=1");
    EXPECT_STREQ(parsed.fragment.getString(), "Top");
    EXPECT_FALSE(parsed.isTls);
    EXPECT_EQ(admit("HTTPS://Secure.h/x"), UrlAdmission::kAccepted);
    EXPECT_TRUE(parsed.isTls);
    EXPECT_EQ(parsed.port, 443);
    EXPECT_EQ(linesOf(log), Lines{});
    control.proxyDomain.setString("proxy.h");
    EXPECT_EQ(admit("https://h/x"), UrlAdmission::kTlsProxyRefused);
    EXPECT_EQ(linesOf(log), (Lines{"error:Proxies for SSL are not yet supported."}));
    EXPECT_EQ(admit("http://h/x"), UrlAdmission::kAccepted);
}

TEST_F(AdmitUrlTest, RefusalsAndTheirLines) {
    struct {
        const char* url;
        UrlAdmission result;
        Lines lines;
    } cases[] = {
        {"http://h/Movie.WMV",
         UrlAdmission::kRefusedMedia,
         {"error:Does not support URLs with this file extension", "url=http://h/Movie.WMV"}},
        {"About:Blank", UrlAdmission::kAboutBlank, {"info:Skipping about:blank", "url=About:Blank"}},
        // The media check comes first.
        {"about:blank.mp3",
         UrlAdmission::kRefusedMedia,
         {"error:Does not support URLs with this file extension", "url=about:blank.mp3"}},
        {nullptr, UrlAdmission::kParseFailed, {"error:Failed to parse URL", "url="}},
    };
    for (const auto& c : cases) {
        log.entries.clear();
        EXPECT_EQ(admitUrl(c.url, control, parsed, &log), c.result);
        EXPECT_EQ(linesOf(log), c.lines);
    }
    EXPECT_EQ(admitUrl("http://h/a.mp3", control, parsed, nullptr), UrlAdmission::kRefusedMedia);
}

TEST_F(AdmitUrlTest, EightHundredCharactersAreTheLimit) {
    std::string url = "http://h/" + std::string(800 - 9, 'a');
    ASSERT_EQ(url.size(), 800u);
    EXPECT_EQ(admit(url), UrlAdmission::kAccepted);
    EXPECT_EQ(linesOf(log), Lines{});
    url += "a";
    EXPECT_EQ(admit(url), UrlAdmission::kTooLong);
    EXPECT_EQ(linesOf(log),
              (Lines{"error:URL is longer than the maximum allowed length.", "maxUrlLen=800", "url=" + url}));
    log.entries.clear();
    control.maxUrlLen = 10;
    EXPECT_EQ(admit("http://h/ab"), UrlAdmission::kTooLong);
    EXPECT_EQ(linesOf(log)[1], "maxUrlLen=10");
}

struct RedirectCase {
    const char* base;
    const char* location;
    bool ok;
    const char* expected;
};

class RedirectTable : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(RedirectTable, Resolves) {
    StringBuffer out("stale");
    EXPECT_EQ(buildRedirectUrl(GetParam().base, GetParam().location, out), GetParam().ok);
    EXPECT_STREQ(out.getString(), GetParam().expected);
}

const RedirectCase kRedirectCases[] = {
    // Relative references resolve against the directory of the base.
    {"http://h/d/p.html", "q.html", true, "http://h/d/q.html"},
    {"http://h/d/p.html", "../up/x", true, "http://h/up/x"},
    {"http://h/d/p.html", "?page=2", true, "http://h/d/p.html?page=2"},
    {"http://h/d/p.html", "/r", true, "http://h/r"},
    {"http://h/d/p.html", "//other:81/x", true, "http://other:81/x"},
    {"https://h/d/p.html", "//other/x", true, "https://other/x"},
    {"http://h", "/r", true, "http://h/r"},
    {"http://h", "q", true, "http://h/q"},
    {"http://h:81/a/b", "/r?x=1", true, "http://h:81/r?x=1"},
    // A location beginning with "http" in any letter case is absolute.
    {"http://h/d/p.html", "HTTP://o/", true, "HTTP://o/"},
    {"http://h/d/p.html", "Https://o/a/./b", true, "Https://o/a/b"},
    // A base without "//" starts with the host.
    {"h/d", "q", true, "h/q"},
    {"h/d", "/r", true, "h/r"},
    // Nothing to build.
    {"", "", false, ""},
};

INSTANTIATE_TEST_SUITE_P(Redirects, RedirectTable, ::testing::ValuesIn(kRedirectCases));

TEST(BuildRedirectUrl, NullArgumentsGiveNothing) {
    StringBuffer out("stale");
    EXPECT_FALSE(buildRedirectUrl("http://h/", nullptr, out));
    EXPECT_STREQ(out.getString(), "");
    EXPECT_FALSE(buildRedirectUrl(nullptr, "/r", out));
}

} // namespace
