// HttpCache and its .caf files: the path of a key, the file layout, compression, negative and
// DNS entries, growth past the first directory, concurrent writers, and damaged or truncated
// files, which must read as misses.
#include "../../support/file_test_support.h"
#include "base/data_buffer.h"
#include "buffer_text.h"
#include "http/cache/cache_digest.h"
#include "http/cache/cache_file.h"
#include "http/cache/cache_time.h"
#include "http/cache/http_cache.h"
#include "http/http_conn_pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using file_test::readBytes;
using file_test::RecordingLog;
using file_test::writeBytes;
using test_support::bytesOf;

uint32_t le32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

class HttpCacheTest : public file_test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        cache.addRoot((m_dir + "/root").c_str());
    }

    bool write(const std::string& key, const std::string& header, const std::string& body,
               unsigned char contentFlag = CacheEntry::kCompressedBody, unsigned char flag0 = 0) {
        CacheEntry entry;
        entry.key.setString(key.c_str());
        entry.header.setString(header.c_str());
        entry.body.append(body.data(), static_cast<uint32_t>(body.size()));
        entry.flags[0] = flag0;
        entry.flags[1] = contentFlag;
        CacheTime::makeStamp(CacheTime::nowOle(), entry.created);
        CacheTime::makeStamp(CacheTime::addSeconds(CacheTime::nowOle(), 3600), entry.expires);
        return cache.writeEntry(entry, &log);
    }

    HttpCache::Lookup load(const std::string& key, CacheEntry& entry) {
        return cache.loadEntry(key.c_str(), entry, &log);
    }

    std::string pathOf(const std::string& key) {
        StringBuffer path;
        EXPECT_TRUE(cache.entryPath(key.c_str(), path));
        return path.getString();
    }

    HttpCache cache;
    RecordingLog log;
};

// The MD5 of the key picks the root (parity of byte 0), two directories (bytes 1 and 2) and one
// of a thousand files (bytes 3 to 6).
TEST_F(HttpCacheTest, PathComesFromTheDigestOfTheKey) {
    EXPECT_EQ(pathOf("http://site.test/page.html"), m_dir + "/root/161/236/990.caf");
    HttpCache two;
    two.addRoot("/even");
    two.addRoot("/odd/");
    StringBuffer path;
    std::string roots;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(two.entryPath(("http://site.test/" + std::to_string(i)).c_str(), path));
        roots += std::string(path.getString()).rfind("/even/", 0) == 0 ? 'e' : 'o';
    }
    EXPECT_EQ(roots, "eeeeoeoooeoeooeoeeeoeoeoooeeeooeeeeoooeo");
    HttpCache none;
    EXPECT_FALSE(none.entryPath("http://a/", path));
    CacheEntry entry;
    EXPECT_EQ(none.loadEntry("http://a/", entry, &log), HttpCache::Lookup::kMissing);
}

TEST_F(HttpCacheTest, AnEntryReadsBackAndIsReplacedOrMarkedNegative) {
    std::string body(5000, 'x');
    ASSERT_TRUE(write("http://site.test/a", "HTTP/1.1 200 OK\r\nContent-Type: text/html", body));
    CacheEntry entry;
    ASSERT_EQ(load("http://site.test/a", entry), HttpCache::Lookup::kFound);
    EXPECT_STREQ(entry.key.getString(), "http://site.test/a");
    EXPECT_STREQ(entry.header.getString(), "HTTP/1.1 200 OK\r\nContent-Type: text/html");
    EXPECT_EQ(bytesOf(entry.body), body);
    EXPECT_EQ(entry.keyCrc, CacheDigest::crc32Text("http://site.test/a"));
    EXPECT_EQ(entry.bodyCrc, CacheDigest::crc32(body.data(), static_cast<uint32_t>(body.size())));

    ASSERT_TRUE(write("http://site.test/a", "H2", "two"));
    ASSERT_EQ(load("http://site.test/a", entry), HttpCache::Lookup::kFound);
    EXPECT_STREQ(entry.header.getString(), "H2");
    EXPECT_EQ(bytesOf(entry.body), "two");

    ASSERT_TRUE(write("http://site.test/failed", "Failed-Url", "Nothing", 0, CacheEntry::kFailedMarker));
    EXPECT_EQ(load("http://site.test/failed", entry), HttpCache::Lookup::kNegative);
    EXPECT_EQ(load("http://site.test/other", entry), HttpCache::Lookup::kMissing);
}

TEST_F(HttpCacheTest, ANewFileHoldsTenSlotsAndItsFirstEntryAtOffset88) {
    ASSERT_TRUE(write("http://site.test/first", "H", "body"));
    std::string bytes = readBytes(pathOf("http://site.test/first"));
    ASSERT_GE(bytes.size(), 88u + CacheFile::kEntryHeaderSize);
    uint32_t crc = CacheDigest::crc32Text("http://site.test/first");
    EXPECT_EQ(le32(bytes, 0), 10u);
    EXPECT_EQ(le32(bytes, 4), 1u);
    EXPECT_EQ(le32(bytes, 8), 88u);
    EXPECT_EQ(le32(bytes, 12), crc);
    EXPECT_EQ(bytes.substr(16, 72), std::string(72, '\0'));
    EXPECT_EQ(le32(bytes, 88), crc);
}

TEST_F(HttpCacheTest, BodiesAreCompressedExceptForGifAndPdf) {
    std::string body(20000, 'a');
    struct {
        const char* key;
        unsigned char flag;
    } cases[] = {{"http://site.test/page", CacheEntry::kCompressedBody},
                 {"http://site.test/IMAGE.GIF", 0},
                 {"http://site.test/doc.pdf?x", 0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(write(c.key, "H", body));
        size_t size = readBytes(pathOf(c.key)).size();
        EXPECT_TRUE(c.flag ? size < 2000u : size > 20000u) << c.key;
        CacheEntry entry;
        ASSERT_EQ(load(c.key, entry), HttpCache::Lookup::kFound);
        EXPECT_EQ(entry.flags[1], c.flag) << c.key;
        EXPECT_EQ(bytesOf(entry.body), body) << c.key;
    }
}

// Entries written straight into one file, so that many keys share it.
class CacheFileTest : public file_test::TempDirTest {
protected:
    static bool writeKey(const std::string& path, const std::string& key, const std::string& body) {
        CacheEntry entry;
        entry.key.setString(key.c_str());
        entry.keyCrc = CacheDigest::crc32Text(key.c_str());
        entry.header.setString("header");
        entry.body.append(body.data(), static_cast<uint32_t>(body.size()));
        entry.plainLength = static_cast<uint32_t>(body.size());
        entry.bodyCrc = CacheDigest::crc32(body.data(), static_cast<uint32_t>(body.size()));
        return CacheFile::writeEntry(path.c_str(), entry, nullptr);
    }
    static std::string readKey(const std::string& path, const std::string& key) {
        CacheEntry entry;
        RecordingLog quiet;
        if (CacheFile::loadEntry(path.c_str(), key.c_str(), entry, &quiet) != CacheFile::Load::kFound)
            return "<miss>";
        return bytesOf(entry.body);
    }
};

TEST_F(CacheFileTest, TheDirectoryGrowsAndRewritesStaySmall) {
    std::string file = path("grow.caf");
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(writeKey(file, "key" + std::to_string(i), "body" + std::to_string(i)));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(readKey(file, "key" + std::to_string(i)), "body" + std::to_string(i));
    EXPECT_GE(le32(readBytes(file), 0), 100u);
    EXPECT_EQ(le32(readBytes(file), 4), 100u);
    // Rewriting one key over and over reuses its space.
    std::string body(10000, 'b');
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(writeKey(file, "key7", body + std::to_string(i)));
    EXPECT_EQ(readKey(file, "key7"), body + "199");
    EXPECT_EQ(readKey(file, "key8"), "body8");
    EXPECT_LT(readBytes(file).size(), 200000u);
}

TEST_F(CacheFileTest, KeysWithTheSameCrcAreToldApartByTheKey) {
    // "plumless" and "buckeroo" share a CRC-32.
    ASSERT_EQ(CacheDigest::crc32Text("plumless"), CacheDigest::crc32Text("buckeroo"));
    std::string file = path("collide.caf");
    ASSERT_TRUE(writeKey(file, "plumless", "one"));
    ASSERT_TRUE(writeKey(file, "buckeroo", "two"));
    EXPECT_EQ(readKey(file, "plumless"), "one");
    EXPECT_EQ(readKey(file, "buckeroo"), "two");
}

TEST_F(CacheFileTest, WritersInSeveralThreadsLoseNoEntry) {
    std::string file = path("threads.caf");
    auto keyOf = [](int t, int i) { return "t" + std::to_string(t) + "-" + std::to_string(i); };
    auto bodyOf = [&](int t, int i) {
        return std::string(300 + i, static_cast<char>('a' + t)) + keyOf(t, i);
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t]() {
            for (int i = 0; i < 40; ++i)
                writeKey(file, keyOf(t, i), bodyOf(t, i));
        });
    for (std::thread& th : threads)
        th.join();
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(readKey(file, keyOf(t, i)), bodyOf(t, i));
}

TEST_F(CacheFileTest, ATruncatedFileIsAMissAtEveryLength) {
    std::string file = path("whole.caf");
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(writeKey(file, "key" + std::to_string(i), "body" + std::to_string(i)));
    std::string whole = readBytes(file);
    std::string cut = path("cut.caf");
    for (size_t n = 0; n < whole.size(); ++n) {
        writeBytes(cut, whole.substr(0, n));
        // The last entry written ends the file, so every cut loses it; none may crash or be wrong.
        EXPECT_EQ(readKey(cut, "key11"), "<miss>") << n;
        std::string first = readKey(cut, "key0");
        EXPECT_TRUE(first == "<miss>" || first == "body0") << n;
    }
}

TEST_F(CacheFileTest, AFileClaimingHugeLengthsIsAMiss) {
    std::string bytes(88 + 40, '\0');
    bytes[0] = 10;
    bytes[4] = 1;
    bytes[8] = 88;
    uint32_t crc = CacheDigest::crc32Text("k");
    std::memcpy(&bytes[12], &crc, 4);
    std::memcpy(&bytes[88], &crc, 4);
    bytes[88 + 8] = 1;
    std::memset(&bytes[88 + 12], 0xFF, 12); // header, stored and plain lengths of 4 GiB
    writeBytes(path("huge.caf"), bytes + "k");
    EXPECT_EQ(readKey(path("huge.caf"), "k"), "<miss>");
    writeBytes(path("capacity.caf"), std::string(8, '\xFF'));
    EXPECT_EQ(readKey(path("capacity.caf"), "k"), "<miss>");
}

TEST_F(HttpCacheTest, DamagedBytesGiveAMissOrTheRightBody) {
    std::string body = "<html>" + std::string(300, 'p') + "</html>";
    std::mt19937 random(11);
    for (const char* key : {"http://site.test/page", "http://site.test/raw.gif"}) {
        ASSERT_TRUE(write(key, "HTTP/1.1 200 OK", body));
        std::string file = pathOf(key);
        std::string whole = readBytes(file);
        for (int round = 0; round < 300; ++round) {
            std::string bytes = whole;
            bytes[random() % bytes.size()] = static_cast<char>(random());
            writeBytes(file, bytes);
            CacheEntry entry;
            if (load(key, entry) == HttpCache::Lookup::kFound) {
                EXPECT_EQ(bytesOf(entry.body), body) << key << " " << round;
            }
        }
    }
    ASSERT_TRUE(write("http://site.test/x.gif", "H", std::string(100, 'g')));
    std::string file = pathOf("http://site.test/x.gif");
    std::string bytes = readBytes(file);
    bytes[bytes.size() - 10] = 'h';
    writeBytes(file, bytes);
    CacheEntry entry;
    EXPECT_EQ(load("http://site.test/x.gif", entry), HttpCache::Lookup::kMissing);
    EXPECT_TRUE(log.hasError("Cache entry body is damaged."));
}

TEST_F(HttpCacheTest, DnsEntriesMarkAndClearAHost) {
    bool invalid = true;
    HttpConnPool::markHostValid(cache, "never.test", &log);
    EXPECT_FALSE(HttpConnPool::dnsLookup(cache, "never.test", invalid, &log));
    EXPECT_FALSE(HttpConnPool::dnsLookup(cache, "Host.Test", invalid, &log));
    EXPECT_FALSE(invalid);
    HttpConnPool::markHostInvalid(cache, "Host.Test", &log);
    ASSERT_TRUE(HttpConnPool::dnsLookup(cache, "host.test", invalid, &log));
    EXPECT_TRUE(invalid);
    CacheEntry entry;
    ASSERT_NE(load("dns://host.test", entry), HttpCache::Lookup::kMissing);
    EXPECT_EQ(entry.flags[0], 1);
    EXPECT_EQ(entry.body.getSize(), 0u);
    HttpConnPool::markHostValid(cache, "HOST.test", &log);
    ASSERT_TRUE(HttpConnPool::dnsLookup(cache, "host.test", invalid, &log));
    EXPECT_FALSE(invalid);
    // A host known to resolve is left as it is.
    HttpConnPool::markHostInvalid(cache, "host.test", &log);
    ASSERT_TRUE(HttpConnPool::dnsLookup(cache, "host.test", invalid, &log));
    EXPECT_FALSE(invalid);
}

} // namespace
