#include "app/redis_queue.h"

#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RedisUrl, Parses) {
    for (const case_rows::Row& c : case_rows::read(APP_TEST_DATA_DIR "/redis_urls.tsv", 6)) {
        RedisAddress address;
        ASSERT_EQ(c[1] == "1", parseRedisUrl(c[0].c_str(), address)) << c[0];
        if (c[1] != "1")
            continue;
        EXPECT_EQ(c[2], address.host.getString()) << c[0];
        EXPECT_EQ(std::stoi(c[3]), address.port) << c[0];
        EXPECT_EQ(c[4], address.password.getString()) << c[0];
        EXPECT_EQ(std::stoi(c[5]), address.db) << c[0];
    }
}

} // namespace
