#include "base/ascii.h"

#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

namespace {

TEST(AsciiTest, ContainsNoCase) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/contains_no_case.txt", 3))
        EXPECT_EQ(containsNoCase(c[0].c_str(), c[1].c_str()), c[2] == "yes") << c[0] << " / " << c[1];
}

} // namespace
