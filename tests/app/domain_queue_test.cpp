#include "app/domain_queue.h"

#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

namespace {

TEST(DomainRule, NormalisesAndValidates) {
    for (const case_rows::Row& c : case_rows::read(APP_TEST_DATA_DIR "/domain_lines.tsv", 3)) {
        StringBuffer line(c[0].c_str());
        normaliseDomainLine(line);
        EXPECT_EQ(line.getString(), c[1]) << c[0];
        EXPECT_EQ(isValidDomain(line), c[2] == "1") << c[0];
    }
}

} // namespace
