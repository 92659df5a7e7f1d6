#include "base/domain_helpers.h"

#include "base/string_buffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

namespace {

struct BaseDomainCase {
    const char* host;
    const char* expected;
};

class BaseDomainTest : public ::testing::TestWithParam<BaseDomainCase> {};

TEST_P(BaseDomainTest, GivesRegistrablePart) {
    StringBuffer out("left over");
    getBaseDomain(GetParam().host, out);
    EXPECT_STREQ(out.getString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, BaseDomainTest,
    ::testing::Values(
        BaseDomainCase{"www.shop.NAME.co.uk", "NAME.co.uk"}, BaseDomainCase{"a.b.NAME.com", "NAME.com"},
        BaseDomainCase{"www.ci.townname.il.us", "ci.townname.il.us"},
        BaseDomainCase{"www.shop.example.us", "example.us"}, BaseDomainCase{"agency.ca.gov", "agency.ca.gov"},
        BaseDomainCase{"www.agency.gov", "agency.gov"}, BaseDomainCase{"www.example.de", "example.de"},
        BaseDomainCase{"example.de", "example.de"}, BaseDomainCase{"localhost", "localhost"},
        BaseDomainCase{"", ""}, BaseDomainCase{"  www.example.com:8080/path ", "example.com"},
        BaseDomainCase{"www.example.com?x=1", "example.com"},
        BaseDomainCase{"www.example.com%20", "example.com"},
        BaseDomainCase{"www.agency.fed.us", "agency.fed.us"}, BaseDomainCase{"x.y.dni.us", "x.y.dni.us"},
        BaseDomainCase{"shop.example.com.au", "example.com.au"},
        BaseDomainCase{"www.example.org.uk", "example.org.uk"},
        BaseDomainCase{"www.example.fr", "example.fr"}, BaseDomainCase{"ca.gov", "ca.gov"},
        BaseDomainCase{"www.example.info", "example.info"},
        // Labels compare exactly: an upper-case registry label is an ordinary label.
        BaseDomainCase{"www.NAME.CO.uk", "CO.uk"}));

struct TldCase {
    const char* host;
    bool known;
};

class HasKnownTldTest : public ::testing::TestWithParam<TldCase> {};

TEST_P(HasKnownTldTest, ReadsTheLastLabel) {
    EXPECT_EQ(hasKnownTld(GetParam().host), GetParam().known);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, HasKnownTldTest,
    ::testing::Values(TldCase{"example.de", true}, TldCase{"a.b.museum", true}, TldCase{"x.com", true},
                      TldCase{"example.shop", true}, TldCase{"example.app", true},
                      TldCase{"example.xyz", true}, TldCase{"example.xn--p1ai", true},
                      TldCase{"example.\xD1\x80\xD1\x84", true}, TldCase{"example.ck", true},
                      TldCase{"example.zz", false}, TldCase{"example.localdomain", false},
                      TldCase{"example.local", false},
                      // A private suffix is no top-level domain, and only the last label counts.
                      TldCase{"example.blogspot", false}, TldCase{"com.example", false},
                      TldCase{"example.DE", false}, TldCase{"nodot", false}, TldCase{"trailing.", false},
                      TldCase{nullptr, false}));

struct HostNameCase {
    const char* given;
    const char* ascii; // empty when the name is no host name
    const char* lowered;
};

class HostNameTest : public ::testing::TestWithParam<HostNameCase> {};

TEST_P(HostNameTest, ConvertsAndLowerCases) {
    const HostNameCase& c = GetParam();
    StringBuffer ascii("left over");
    EXPECT_EQ(toAsciiHost(c.given, ascii), c.ascii[0] != 0);
    EXPECT_STREQ(ascii.getString(), c.ascii);
    StringBuffer lowered(c.given);
    lowerCaseHost(lowered);
    EXPECT_STREQ(lowered.getString(), c.lowered);
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostNameTest,
    ::testing::Values(HostNameCase{"Example.SHOP", "example.shop", "example.shop"},
                      HostNameCase{"M\xC3\x9CNCHEN.DE", "xn--mnchen-3ya.de", "m\xC3\xBCnchen.de"},
                      HostNameCase{"\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84",
                                   "xn--e1afmkfd.xn--p1ai",
                                   "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84"},
                      // Given as an A-label, a name stays one.
                      HostNameCase{"XN--80AK6AA92E.COM", "xn--80ak6aa92e.com", "xn--80ak6aa92e.com"},
                      // Non-transitional processing keeps the sharp s.
                      HostNameCase{"FA\xC3\x9F.de", "xn--fa-hia.de", "fa\xC3\x9F.de"},
                      // An ideographic full stop separates labels.
                      HostNameCase{"example\xE3\x80\x82"
                                   "com",
                                   "example.com", "example.com"},
                      HostNameCase{"two words.com", "", "two words.com"},
                      HostNameCase{"under_score.com", "", "under_score.com"},
                      HostNameCase{"b\xC3\xA4"
                                   "d name.de",
                                   "",
                                   "b\xC3\xA4"
                                   "d name.de"},
                      HostNameCase{"-dash.com", "", "-dash.com"}, HostNameCase{"dash-.com", "", "dash-.com"},
                      HostNameCase{"a..com", "", "a..com"}, HostNameCase{"example.com.", "", "example.com."},
                      HostNameCase{"", "", ""}, HostNameCase{"\xC0\xDF.fr", "", "\xC0\xDF.fr"},
                      HostNameCase{"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.com", "",
                                   "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.com"}));

// Reads back what the generated script would write: the decimal, hexadecimal and octal codes
// between "fromCharCode(" and the closing parenthesis.
std::string decodeScript(const std::string& script) {
    size_t start = script.find("fromCharCode");
    EXPECT_NE(start, std::string::npos);
    start = script.find('(', start) + 1;
    size_t end = script.find(')', start);
    std::string codes = script.substr(start, end - start);
    std::string html;
    size_t pos = 0;
    while (pos < codes.size()) {
        while (pos < codes.size() && (codes[pos] == ' ' || codes[pos] == ',' || codes[pos] == '\n'))
            ++pos;
        if (pos >= codes.size())
            break;
        char* after = nullptr;
        long code = std::strtol(codes.c_str() + pos, &after, 0);
        EXPECT_GT(after - codes.c_str(), static_cast<long>(pos)) << codes.substr(pos, 10);
        html.push_back(static_cast<char>(code));
        pos = static_cast<size_t>(after - codes.c_str());
    }
    return html;
}

std::string squeezeSpace(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            out.push_back(c);
    }
    return out;
}

TEST(ObfuscateLink, WritesTheLinkWithoutShowingIt) {
    std::set<std::string> distinct;
    for (int i = 0; i < 200; ++i) {
        StringBuffer out("old");
        obfuscateLink("Contact us", "mailto:info@example.de", out);
        std::string script = out.getString();
        distinct.insert(script);
        EXPECT_EQ(script.find("example"), std::string::npos);
        EXPECT_EQ(script.find("Contact"), std::string::npos);
        EXPECT_EQ(script.find("old"), std::string::npos);
        std::string lower = squeezeSpace(script);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(lower.rfind("<scripttype=\"text/javascript\">document.write(string.fromcharcode(", 0), 0u)
            << script;
        EXPECT_NE(lower.find("));</script>"), std::string::npos) << script;
        EXPECT_EQ(script.back(), '\n');

        std::string html = squeezeSpace(decodeScript(script));
        for (char& c : html)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(html, "<ahref=\"mailto:info@example.de\">contactus</a>");
    }
    // The spellings are picked at random.
    EXPECT_GT(distinct.size(), 150u);
}

} // namespace
