#include "app/domain_queue.h"

#include <gtest/gtest.h>

namespace {

struct DomainCase {
    const char* line;
    const char* normalised;
    bool valid;
};

const DomainCase kCases[] = {{"Example.COM", "example.com", true},
                             {"example.com.", "example.com.", false},
                             {"example.localdomain", "example.localdomain", false},
                             {"example.local", "example.local", false},
                             {"a.b.c.museum", "a.b.c.museum", true},
                             {" \tShop.De\r\n", "shop.de", true},
                             // Top-level domains added to the root zone long after the first list.
                             {"example.shop", "example.shop", true},
                             {"example.app", "example.app", true},
                             {"example.xyz", "example.xyz", true},
                             {"\xA0site.nato\xA0", "site.nato", false},
                             // International names: lower-cased by Unicode rules, kept in their given form.
                             {"M\xC3\x9CNCHEN.DE", "m\xC3\xBCnchen.de", true},
                             {"\xD0\x9F\xD0\xA0\xD0\x98\xD0\x9C\xD0\x95\xD0\xA0.\xD0\xA0\xD0\xA4",
                              "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84", true},
                             {"XN--80AK6AA92E.com", "xn--80ak6aa92e.com", true},
                             {"example.xn--p1ai", "example.xn--p1ai", true},
                             // Not UTF-8: left as read, and no host name.
                             {"\xC0\xDF\xE0.fr", "\xC0\xDF\xE0.fr", false},
                             {"nodot", "nodot", false},
                             {"", "", false},
                             {"\r\n", "", false},
                             {".com", ".com", false},
                             {"a..com", "a..com", false},
                             {"-dash.com", "-dash.com", false},
                             {"example.comx", "example.comx", false},
                             {"example.zz", "example.zz", false},
                             {"two words.org", "two words.org", false},
                             {"under_score.org", "under_score.org", false},
                             {"blogspot.com.zz", "blogspot.com.zz", false},
                             {"com.example", "com.example", false}};

TEST(DomainRule, NormalisesAndValidates) {
    for (const DomainCase& c : kCases) {
        StringBuffer line(c.line);
        normaliseDomainLine(line);
        EXPECT_STREQ(c.normalised, line.getString());
        EXPECT_EQ(c.valid, isValidDomain(line)) << c.line;
    }
}

} // namespace
