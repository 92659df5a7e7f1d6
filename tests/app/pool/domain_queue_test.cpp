#include "app/domain_queue.h"

#include <gtest/gtest.h>

namespace {

struct DomainCase {
    const char* line;
    const char* normalised;
    bool valid;
};

void PrintTo(const DomainCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

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
    ::testing::Values(DomainCase{"Example.COM", "example.com", true},
                      DomainCase{"example.com.", "example.com.", false},
                      DomainCase{"example.localdomain", "example.localdomain", false},
                      DomainCase{"a.b.c.museum", "a.b.c.museum", true},
                      DomainCase{" \tShop.De\r\n", "shop.de", true},
                      DomainCase{"\xA0site.nato\xA0", "site.nato", true},
                      DomainCase{"\xC0\xDF\xE0.fr", "\xE0\xFF\xE0.fr", true},
                      DomainCase{"nodot", "nodot", false}, DomainCase{"", "", false},
                      DomainCase{"\r\n", "", false}, DomainCase{".com", ".com", true},
                      DomainCase{"example.comx", "example.comx", false},
                      DomainCase{"example.zz", "example.zz", false},
                      DomainCase{"two words.org", "two words.org", true},
                      DomainCase{"com.example", "com.example", false}));

} // namespace
