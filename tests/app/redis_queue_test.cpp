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

TEST(RedisUrl, Parses) {
    const UrlCase cases[] = {{"redis://q:7000", true, "q", 7000, "", 0},
                             {"redis://q", true, "q", 6379, "", 0},
                             {"redis://:s3cr@t@10.0.0.5:6380/2", true, "10.0.0.5", 6380, "s3cr@t", 2},
                             {"redis://[::1]:7000/", true, "::1", 7000, "", 0},
                             {"redis://q:70000", false, "", 0, "", 0},
                             {"redis://q:/1", false, "", 0, "", 0},
                             {"redis://q:7000/x", false, "", 0, "", 0},
                             {"http://q:7000", false, "", 0, "", 0},
                             {"redis://:7000", false, "", 0, "", 0}};
    for (const UrlCase& c : cases) {
        RedisAddress address;
        ASSERT_EQ(c.valid, parseRedisUrl(c.url, address)) << c.url;
        if (!c.valid)
            continue;
        EXPECT_STREQ(c.host, address.host.getString()) << c.url;
        EXPECT_EQ(c.port, address.port) << c.url;
        EXPECT_STREQ(c.password, address.password.getString()) << c.url;
        EXPECT_EQ(c.db, address.db) << c.url;
    }
}

} // namespace
