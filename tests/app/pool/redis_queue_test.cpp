#include "app/redis_queue.h"

#include <gtest/gtest.h>

namespace {

struct UrlCase {
    const char* url;
    bool valid;
    const char* host;
    int port;
    const char* password;
    int db;
};

class RedisUrl : public ::testing::TestWithParam<UrlCase> {};

TEST_P(RedisUrl, Parses) {
    const UrlCase& c = GetParam();
    RedisAddress address;
    ASSERT_EQ(c.valid, parseRedisUrl(c.url, address)) << c.url;
    if (!c.valid)
        return;
    EXPECT_STREQ(c.host, address.host.getString());
    EXPECT_EQ(c.port, address.port);
    EXPECT_STREQ(c.password, address.password.getString());
    EXPECT_EQ(c.db, address.db);
}

INSTANTIATE_TEST_SUITE_P(Urls, RedisUrl,
                         ::testing::Values(UrlCase{"redis://q:7000", true, "q", 7000, "", 0},
                                           UrlCase{"redis://q", true, "q", 6379, "", 0},
                                           UrlCase{"redis://:s3cr@t@10.0.0.5:6380/2", true, "10.0.0.5", 6380,
                                                   "s3cr@t", 2},
                                           UrlCase{"redis://[::1]:7000/", true, "::1", 7000, "", 0},
                                           UrlCase{"redis://q:70000", false, "", 0, "", 0},
                                           UrlCase{"redis://q:/1", false, "", 0, "", 0},
                                           UrlCase{"redis://q:7000/x", false, "", 0, "", 0},
                                           UrlCase{"http://q:7000", false, "", 0, "", 0},
                                           UrlCase{"redis://:7000", false, "", 0, "", 0}));

} // namespace
