// ClsCache2: file names from the MD5 of the URL, the .dat header layout, reading back, the
// in-place expiration update, and damaged or truncated files, which must read as misses.
#include "../../support/file_test_support.h"
#include "base/data_buffer.h"
#include "buffer_text.h"
#include "http/cache/cls_cache2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using file_test::readBytes;
using file_test::writeBytes;
using test_support::bytesOf;

std::string logText(ClsCache2& cache) {
    StringBuffer text;
    cache.log().GetText(text);
    return text.getString();
}

DataBuffer& bufferOf(DataBuffer& db, const std::string& bytes) {
    db.clear();
    db.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return db;
}

class ClsCache2Test : public file_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        cache.AddRoot((m_dir + "/root").c_str());
    }

    std::string fileOf(const std::string& url) {
        StringBuffer p;
        EXPECT_TRUE(cache.GetFilename(url.c_str(), p));
        return p.getString();
    }

    ClsCache2 cache;
};

TEST_F(ClsCache2Test, WithoutRootsTheFileNameFailsWithTheMessage) {
    ClsCache2 none;
    StringBuffer p;
    EXPECT_FALSE(none.GetFilename("http://a/", p));
    EXPECT_NE(logText(none).find("No cache roots have been set.  Need to call AddRoot at least once."),
              std::string::npos);
}

// The file is named by the MD5 of the URL in hex, below one directory per level named by its
// next digest byte; with two roots the parity of the first byte chooses.
TEST_F(ClsCache2Test, TheFileNameIsTheDigestBelowTheLevelsAndTheRoot) {
    const std::string url = "http://site.test/a/b.html?x=1";
    const std::string name = "b289bc8e39c298db5e7354ef2e5b66ad.dat";
    EXPECT_EQ(fileOf(url), m_dir + "/root/" + name);
    cache.put_Level(1);
    EXPECT_EQ(fileOf(url), m_dir + "/root/137/" + name);
    cache.put_Level(2);
    EXPECT_EQ(fileOf(url), m_dir + "/root/137/188/" + name);
    ClsCache2 two;
    two.AddRoot("/even");
    two.AddRoot("c:\\odd\\");
    std::string roots;
    StringBuffer p;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(two.GetFilename(("http://site.test/" + std::to_string(i)).c_str(), p));
        std::string dir = std::string(p.getString()).substr(0, std::string(p.getString()).rfind('/') + 1);
        roots += dir == "/even/" ? 'e' : dir == "c:/odd/" ? 'o' : '?';
    }
    EXPECT_EQ(roots, "eeeeoeoooeoeooeoeeeoeoeoooeeeooeeeeoooeo");
}

TEST_F(ClsCache2Test, TheFileHeaderHasTheFixedLayout) {
    DataBuffer resource;
    ASSERT_TRUE(cache.SaveToCache("http://site.test/", 45000.5, "\"v1\"", bufferOf(resource, "RESOURCE")));
    std::string bytes = readBytes(fileOf("http://site.test/"));
    ASSERT_EQ(bytes.size(), 20u + 4 + 8);
    EXPECT_EQ(bytes.substr(0, 10), std::string("\x18\x00\x00\x00\x01\x00\xFE\x9A\x00\x00", 10));
    double expiration = 0;
    std::memcpy(&expiration, bytes.data() + 10, 8);
    EXPECT_EQ(expiration, 45000.5);
    EXPECT_EQ(bytes.substr(18, 2), std::string("\x04\x00", 2));
    EXPECT_EQ(bytes.substr(20), "\"v1\"RESOURCE");
}

TEST_F(ClsCache2Test, AFetchGivesBackTheResourceEtagAndExpiration) {
    DataBuffer resource;
    cache.put_Level(2);
    ASSERT_TRUE(cache.SaveToCache("http://site.test/p", 45001.25, "abc", bufferOf(resource, "the page")));
    DataBuffer out;
    ASSERT_TRUE(cache.FetchFromCache("http://site.test/p", out));
    EXPECT_EQ(bytesOf(out), "the page");
    EXPECT_STREQ(cache.get_LastEtag().getString(), "abc");
    EXPECT_EQ(cache.get_LastExpiration(), 45001.25);
}

TEST_F(ClsCache2Test, MissingDamagedOrTruncatedFilesAreMisses) {
    DataBuffer out;
    EXPECT_FALSE(cache.FetchFromCache("http://site.test/none", out));
    EXPECT_EQ(logText(cache).find("Not a valid"), std::string::npos);
    DataBuffer resource;
    const std::string url = "http://site.test/t";
    ASSERT_TRUE(cache.SaveToCache(url.c_str(), 1, "etag-value", bufferOf(resource, "body")));
    std::string file = fileOf(url);
    std::string whole = readBytes(file);
    for (size_t n = 0; n < 30; ++n) {
        writeBytes(file, whole.substr(0, n));
        EXPECT_FALSE(cache.FetchFromCache(url.c_str(), out)) << n;
    }
    // An etag length beyond the file, or negative.
    for (const char* len : {"\x7F\x00", "\xFF\xFF"}) {
        std::string bytes = whole;
        bytes.replace(18, 2, len, 2);
        writeBytes(file, bytes);
        EXPECT_FALSE(cache.FetchFromCache(url.c_str(), out)) << len;
    }
    std::string bytes = whole;
    bytes[6] = 0;
    writeBytes(file, bytes);
    EXPECT_FALSE(cache.FetchFromCache(url.c_str(), out));
    EXPECT_NE(logText(cache).find("Not a valid cache file."), std::string::npos);
}

TEST_F(ClsCache2Test, TheExpirationIsUpdatedInPlace) {
    DataBuffer resource;
    ASSERT_TRUE(cache.SaveToCache("http://site.test/u", 100, "tag", bufferOf(resource, "content")));
    std::string before = readBytes(fileOf("http://site.test/u"));
    ASSERT_TRUE(cache.UpdateExpiration("http://site.test/u", 200.75));
    std::string after = readBytes(fileOf("http://site.test/u"));
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(0, 10), before.substr(0, 10));
    EXPECT_EQ(after.substr(18), before.substr(18));
    DataBuffer out;
    ASSERT_TRUE(cache.FetchFromCache("http://site.test/u", out));
    EXPECT_EQ(cache.get_LastExpiration(), 200.75);
    EXPECT_FALSE(cache.UpdateExpiration("http://site.test/none", 1));
    EXPECT_NE(logText(cache).find("Failed to open file"), std::string::npos);
}

} // namespace
