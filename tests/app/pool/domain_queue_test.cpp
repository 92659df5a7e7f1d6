#include "app/domain_queue.h"

#include <gtest/gtest.h>

namespace {

struct DomainCase {
    const char* line;
    const char* normalised;
    bool valid;
};

void PrintTo(const DomainCase& c, std::ostream* os) {
    *os << '"' << c.line << '"';
}

class DomainRule : public ::testing::TestWithParam<DomainCase> {};

TEST_P(DomainRule, NormalisesAndValidates) {
    const DomainCase& c = GetParam();
    StringBuffer line(c.line);
    normaliseDomainLine(line);
    EXPECT_STREQ(c.normalised, line.getString());
    EXPECT_EQ(c.valid, isValidDomain(line));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DomainRule,
    ::testing::Values(
        DomainCase{"Example.COM", "example.com", true}, DomainCase{"example.com.", "example.com.", false},
        DomainCase{"example.localdomain", "example.localdomain", false},
        DomainCase{"example.local", "example.local", false}, DomainCase{"a.b.c.museum", "a.b.c.museum", true},
        DomainCase{" \tShop.De\r\n", "shop.de", true},
        // Top-level domains added to the root zone long after the first list.
        DomainCase{"example.shop", "example.shop", true}, DomainCase{"example.app", "example.app", true},
        DomainCase{"example.xyz", "example.xyz", true}, DomainCase{"\xA0site.nato\xA0", "site.nato", false},
        // International names: lower-cased by Unicode rules, kept in their given form.
        DomainCase{"M\xC3\x9CNCHEN.DE", "m\xC3\xBCnchen.de", true},
        DomainCase{"\xD0\x9F\xD0\xA0\xD0\x98\xD0\x9C\xD0\x95\xD0\xA0.\xD0\xA0\xD0\xA4",
                   "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84", true},
        DomainCase{"XN--80AK6AA92E.com", "xn--80ak6aa92e.com", true},
        DomainCase{"example.xn--p1ai", "example.xn--p1ai", true},
        // Not UTF-8: left as read, and no host name.
        DomainCase{"\xC0\xDF\xE0.fr", "\xC0\xDF\xE0.fr", false}, DomainCase{"nodot", "nodot", false},
        DomainCase{"", "", false}, DomainCase{"\r\n", "", false}, DomainCase{".com", ".com", false},
        DomainCase{"a..com", "a..com", false}, DomainCase{"-dash.com", "-dash.com", false},
        DomainCase{"example.comx", "example.comx", false}, DomainCase{"example.zz", "example.zz", false},
        DomainCase{"two words.org", "two words.org", false},
        DomainCase{"under_score.org", "under_score.org", false},
        DomainCase{"blogspot.com.zz", "blogspot.com.zz", false},
        DomainCase{"com.example", "com.example", false}));

} // namespace
