#include "http/cookie_mgr.h"

#include "../support/case_rows.h"
#include "base/string_buffer.h"
#include "base/string_pair.h"
#include "http/cookie.h"
#include "http/http_control.h"
#include "http/mime_header.h"
#include "http/request_builder.h"
#include "markup/cls_xml.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs pairsOf(const Cookie& c) {
    Pairs out;
    for (int i = 0; i < c.getNumPairs(); ++i) {
        out.emplace_back(c.getPair(i)->getKey(), c.getPair(i)->getValue());
    }
    return out;
}

Cookie* makeCookie(const char* domain, const char* path, const Pairs& pairs) {
    Cookie* c = new Cookie();
    c->domain.setString(domain);
    c->path.setString(path);
    for (const auto& p : pairs) {
        c->addPair(p.first.c_str(), p.second.c_str());
    }
    return c;
}

// The cookie on one line: its pairs, then each attribute.
std::string describe(const Cookie& c) {
    std::string text;
    for (const auto& pair : pairsOf(c))
        text += pair.first + "=" + pair.second + "; ";
    return text + "path=" + c.path.getString() + " domain=" + c.domain.getString() +
           " expire=" + c.expire.getString() + " maxAge=" + std::to_string(c.maxAge) +
           " version=" + std::to_string(c.version) + " secure=" + std::to_string(c.secure) +
           " discard=" + std::to_string(c.discard);
}

TEST(ParseSetCookieValue, ReadsPairsAndAttributes) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/set_cookie_values.tsv", 2)) {
        Cookie cookie;
        CookieMgr::parseSetCookieValue(c[0].c_str(), cookie);
        EXPECT_EQ(describe(cookie), c[1]) << c[0];
    }
    // A later version attribute lowers it again.
    Cookie cookie;
    CookieMgr::parseSetCookieValue("Version=1", cookie);
    CookieMgr::parseSetCookieValue("version=0", cookie);
    EXPECT_EQ(cookie.version, 0);
}

TEST(ExtractSetCookies, VersionsDefaultDomainAndOtherFields) {
    MimeHeader h;
    h.parseHeaderText("Set-Cookie: a=1\r\n"
                      "SET-COOKIE2: b=2; Domain=other.dom\r\n"
                      "Set-CookieX: c=3\r\n"
                      "X-Set-Cookie: d=4\r\n"
                      "set-cookie: e=5; path=/p\r\n");
    CookieJar jar;
    CookieMgr::extractSetCookies(h, ".h.dom", jar);
    ASSERT_EQ(jar.getNumCookies(), 3);
    EXPECT_EQ(pairsOf(*jar.getCookie(0)), (Pairs{{"a", "1"}}));
    EXPECT_EQ(jar.getCookie(0)->version, 0);
    EXPECT_STREQ(jar.getCookie(0)->domain.getString(), ".h.dom");
    EXPECT_EQ(jar.getCookie(1)->version, 1);
    EXPECT_STREQ(jar.getCookie(1)->domain.getString(), "other.dom");
    EXPECT_STREQ(jar.getCookie(2)->path.getString(), "/p");
    // Without a default domain only cookies naming one remain.
    CookieJar bare;
    CookieMgr::extractSetCookies(h, "", bare);
    ASSERT_EQ(bare.getNumCookies(), 1);
    EXPECT_EQ(pairsOf(*bare.getCookie(0)), (Pairs{{"b", "2"}}));
}

TEST(CookieFilePath, NamesTheFileOfTheDomain) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/cookie_files.tsv", 3)) {
        StringBuffer out("stale");
        EXPECT_EQ(CookieMgr::cookieFilePath(c[0].c_str(), c[1].c_str(), out), !c[2].empty()) << c[1];
        EXPECT_STREQ(out.getString(), c[2].c_str()) << c[1];
    }
}

TEST(BuildCookieHeaderValue, SendsCookiesMatchingHostAndPath) {
    for (const case_rows::Row& c : case_rows::read(HTTP_TEST_DATA_DIR "/cookie_matches.tsv", 5)) {
        CookieJar jar;
        jar.addCookie(makeCookie(c[0].c_str(), c[1].c_str(), {{"id", "7"}}));
        StringBuffer out("stale");
        CookieMgr::buildCookieHeaderValue(jar, c[2].c_str(), c[3].c_str(), out);
        EXPECT_STREQ(out.getString(), c[4] == "1" ? "id=\"7\"" : "")
            << c[0] << " " << c[1] << " " << c[2] << c[3];
    }
}

TEST(BuildCookieHeaderValue, JoinsPairsAndWritesEachNameOnce) {
    CookieJar jar;
    jar.addCookie(makeCookie(".h.dom", "/", {{"a", "1"}, {"b", "two words"}}));
    jar.addCookie(makeCookie(".other.dom", "/", {{"c", "3"}}));
    jar.addCookie(makeCookie("a.h.dom", "/p", {{"a", "9"}, {"d", ""}}));
    StringBuffer out;
    CookieMgr::buildCookieHeaderValue(jar, "a.h.dom", "/p/q", out);
    EXPECT_STREQ(out.getString(), "a=\"1\"; b=\"two words\"; d=\"\"");
}

using CookieFileTest = file_test::TempDirTest;

TEST_F(CookieFileTest, SaveWritesTheDataModel) {
    Cookie* c = makeCookie(".h.dom", "/", {{"id", "7"}, {"s", "a<b&c"}});
    c->secure = true;
    ASSERT_TRUE(CookieMgr::saveCookie(m_dir.c_str(), *c, nullptr));
    delete c;
    ASSERT_EQ(listing(), std::vector<std::string>{path("h_dom.xml")});
    ClsXml xml;
    ASSERT_TRUE(xml.LoadXmlFile(path("h_dom.xml").c_str()));
    EXPECT_STREQ(xml.get_Tag(), "cookies");
    ClsXml* cookie = xml.FirstChild();
    ASSERT_NE(cookie, nullptr);
    StringBuffer v;
    EXPECT_TRUE(cookie->GetAttrValue("key", v));
    EXPECT_STREQ(v.getString(), ".h.dom,/");
    EXPECT_TRUE(cookie->GetAttrValue("secure", v));
    EXPECT_TRUE(cookie->GetChildContent("s", v));
    EXPECT_STREQ(v.getString(), "a<b&c");
    delete cookie;
}

TEST_F(CookieFileTest, HostsOfOneDomainShareTheFile) {
    MimeHeader a;
    a.parseHeaderText("Set-Cookie: fromA=1\r\n");
    MimeHeader b;
    b.parseHeaderText("Set-Cookie: fromB=2; Path=/b\r\n");
    ASSERT_TRUE(CookieMgr::saveResponseCookies(m_dir.c_str(), a, "a.h.dom", nullptr));
    ASSERT_TRUE(CookieMgr::saveResponseCookies(m_dir.c_str(), b, "b.h.dom", nullptr));
    EXPECT_EQ(listing(), std::vector<std::string>{path("h_dom.xml")});

    CookieJar jar;
    ASSERT_TRUE(CookieMgr::loadCookies(m_dir.c_str(), "c.h.dom", jar, nullptr));
    ASSERT_EQ(jar.getNumCookies(), 2);
    EXPECT_STREQ(jar.getCookie(0)->domain.getString(), ".h.dom");
    EXPECT_STREQ(jar.getCookie(0)->path.getString(), "");
    EXPECT_EQ(pairsOf(*jar.getCookie(0)), (Pairs{{"fromA", "1"}}));
    EXPECT_STREQ(jar.getCookie(1)->path.getString(), "/b");
    StringBuffer value;
    CookieMgr::buildCookieHeaderValue(jar, "c.h.dom", "/b/x", value);
    EXPECT_STREQ(value.getString(), "fromA=\"1\"; fromB=\"2\"");
}

TEST_F(CookieFileTest, SavingTheSameKeyUpdatesItsPairs) {
    Cookie* first = makeCookie(".h.dom", "/", {{"a", "1"}, {"b", "2"}});
    Cookie* second = makeCookie(".h.dom", "/", {{"a", "9"}, {"c", "3"}});
    second->expire.setString("Wed, 09 Jun 2021 10:18:14 GMT");
    ASSERT_TRUE(CookieMgr::saveCookie(m_dir.c_str(), *first, nullptr));
    ASSERT_TRUE(CookieMgr::saveCookie(m_dir.c_str(), *second, nullptr));
    delete first;
    delete second;
    CookieJar jar;
    ASSERT_TRUE(CookieMgr::loadCookies(m_dir.c_str(), "h.dom", jar, nullptr));
    ASSERT_EQ(jar.getNumCookies(), 1);
    EXPECT_EQ(pairsOf(*jar.getCookie(0)), (Pairs{{"a", "9"}, {"b", "2"}, {"c", "3"}}));
    EXPECT_STREQ(jar.getCookie(0)->expire.getString(), "Wed, 09 Jun 2021 10:18:14 GMT");
}

TEST_F(CookieFileTest, NamesThatCannotBeTagsAreNotStored) {
    Cookie* c = makeCookie(
        "h.dom", "/", {{"ok", "1"}, {"a<b", "2"}, {"x y", "3"}, {"q\"", "4"}, {".x", "5"}, {"1st", "6"}});
    ASSERT_TRUE(CookieMgr::saveCookie(m_dir.c_str(), *c, nullptr));
    delete c;
    CookieJar jar;
    ASSERT_TRUE(CookieMgr::loadCookies(m_dir.c_str(), "h.dom", jar, nullptr));
    ASSERT_EQ(jar.getNumCookies(), 1);
    EXPECT_EQ(pairsOf(*jar.getCookie(0)), (Pairs{{"ok", "1"}}));
}

TEST_F(CookieFileTest, MissingFileLoadsNothingAndNoFileNameSavesNothing) {
    CookieJar jar;
    jar.addCookie(makeCookie("x", "/", {}));
    EXPECT_FALSE(CookieMgr::loadCookies(m_dir.c_str(), "h.dom", jar, nullptr));
    EXPECT_EQ(jar.getNumCookies(), 0);
    file_test::RecordingLog log;
    Cookie* c = makeCookie("", "/", {{"a", "1"}});
    EXPECT_FALSE(CookieMgr::saveCookie(m_dir.c_str(), *c, &log));
    delete c;
    EXPECT_TRUE(log.hasError("No cookie file for this domain"));
    EXPECT_EQ(listing(), std::vector<std::string>{});
}

TEST_F(CookieFileTest, RequestCarriesTheCookieLine) {
    MimeHeader h;
    h.parseHeaderText("Set-Cookie: id=7; Path=/; Secure; HttpOnly\r\n");
    ASSERT_TRUE(CookieMgr::saveResponseCookies(m_dir.c_str(), h, "www.h.dom", nullptr));

    HttpControl control;
    control.cookieDir.setString(m_dir.c_str());
    control.login.setString("user");
    control.password.setString("pass");
    StringBuffer out;
    buildRequestConfigurable("http://www.h.dom/a", "www.h.dom", "/a", "", control, false, "", SystemTime(),
                             out);
    EXPECT_NE(std::string(out.getString())
                  .find("(+http://zelcora.example/)\r\nCookie: id=\"7\"; HttpOnly=\"\"\r\n"
                        "Authorization: Basic dXNlcjpwYXNz\r\nHost: www.h.dom\r\n"),
              std::string::npos);
    buildRequestMsie("http://www.h.dom/a", "www.h.dom", "/a", "", control, out);
    EXPECT_NE(
        std::string(out.getString())
            .find("Cookie: id=\"7\"; HttpOnly=\"\"\r\nAuthorization: Basic dXNlcjpwYXNz\r\nConnection: "),
        std::string::npos);
    buildRequestFirefox("http://www.h.dom/a", "www.h.dom", "/a", "", control, out);
    EXPECT_NE(
        std::string(out.getString())
            .find(
                "keep-alive\r\nCookie: id=\"7\"; HttpOnly=\"\"\r\nAuthorization: Basic dXNlcjpwYXNz\r\n\r\n"),
        std::string::npos);
}

} // namespace
