#include "http/url_admission.h"

#include "../support/case_rows.h"
#include "../support/file_test_support.h"
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

TEST(BuildRedirectUrl, Resolves) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/redirects.tsv", 3)) {
        StringBuffer out("stale");
        EXPECT_EQ(buildRedirectUrl(c[0].c_str(), c[1].c_str(), out), !c[2].empty()) << c[0] << " " << c[1];
        EXPECT_STREQ(out.getString(), c[2].c_str()) << c[0] << " " << c[1];
    }
}

TEST(BuildRedirectUrl, NullArgumentsGiveNothing) {
    StringBuffer out("stale");
    EXPECT_FALSE(buildRedirectUrl("http://h/", nullptr, out));
    EXPECT_STREQ(out.getString(), "");
    EXPECT_FALSE(buildRedirectUrl(nullptr, "/r", out));
}

} // namespace
