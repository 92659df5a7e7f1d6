// HttpCache and its .caf files: the path of a key, the file layout, compression, negative and
// DNS entries, growth past the first directory, writers in several threads and processes at
// once, and damaged or truncated files, which must read as misses.
#include "../base/file_test_support.h"
#include "base/data_buffer.h"
#include "http/cache_digest.h"
#include "http/cache_file.h"
#include "http/cache_time.h"
#include "http/date_parser.h"
#include "http/http_cache.h"
#include "http/http_conn_pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <openssl/evp.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using file_test::readBytes;
using file_test::RecordingLog;
using file_test::writeBytes;

std::string bytesOf(const DataBuffer& db) {
    return db.getSize() == 0 ? std::string()
                             : std::string(reinterpret_cast<const char*>(db.getData()), db.getSize());
}

std::vector<unsigned char> md5Of(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(text.data(), text.size(), digest, &n, EVP_md5(), nullptr);
    return std::vector<unsigned char>(digest, digest + n);
}

uint32_t le32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
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

TEST_F(HttpCacheTest, PathIsRootThenTwoDigestBytesThenAFileOfOneThousand) {
    std::string key = "http://site.test/page.html";
    std::vector<unsigned char> d = md5Of(key);
    uint32_t file = (d[3] | d[4] << 8 | d[5] << 16 | static_cast<uint32_t>(d[6]) << 24) % 1000;
    std::string expected = m_dir + "/root/" + std::to_string(d[1]) + "/" + std::to_string(d[2]) + "/" +
                           std::to_string(file) + ".caf";
    EXPECT_EQ(pathOf(key), expected);
    EXPECT_EQ(pathOf(key), pathOf(key));
}

TEST_F(HttpCacheTest, WithTwoRootsTheParityOfTheFirstDigestByteChoosesTheRoot) {
    HttpCache two;
    two.addRoot("/even");
    two.addRoot("/odd/");
    for (int i = 0; i < 40; ++i) {
        std::string key = "http://site.test/" + std::to_string(i);
        StringBuffer path;
        ASSERT_TRUE(two.entryPath(key.c_str(), path));
        std::string expectedRoot = md5Of(key)[0] % 2 == 0 ? "/even/" : "/odd/";
        EXPECT_EQ(std::string(path.getString()).substr(0, expectedRoot.size()), expectedRoot) << key;
    }
}

TEST_F(HttpCacheTest, NoRootsMeansNoPathAndNoEntry) {
    HttpCache none;
    StringBuffer path;
    EXPECT_FALSE(none.entryPath("http://a/", path));
    CacheEntry entry;
    EXPECT_EQ(none.loadEntry("http://a/", entry, &log), HttpCache::Lookup::kMissing);
}

TEST_F(HttpCacheTest, AnEmptyRootTextMeansTheDefaultRoot) {
    HttpCache blank;
    blank.addRoot("");
    StringBuffer path;
    ASSERT_TRUE(blank.entryPath("http://a/", path));
    EXPECT_EQ(std::string(path.getString()).rfind("c:/temp/", 0), 0u);
}

TEST_F(HttpCacheTest, AnEntryReadsBackWithEveryField) {
    std::string body(5000, 'x');
    ASSERT_TRUE(write("http://site.test/a", "HTTP/1.1 200 OK\r\nContent-Type: text/html", body));
    CacheEntry entry;
    ASSERT_EQ(load("http://site.test/a", entry), HttpCache::Lookup::kFound);
    EXPECT_STREQ(entry.key.getString(), "http://site.test/a");
    EXPECT_STREQ(entry.header.getString(), "HTTP/1.1 200 OK\r\nContent-Type: text/html");
    EXPECT_EQ(bytesOf(entry.body), body);
    EXPECT_EQ(entry.keyCrc, CacheDigest::crc32Text("http://site.test/a"));
    EXPECT_EQ(entry.bodyCrc, CacheDigest::crc32(body.data(), static_cast<uint32_t>(body.size())));
    EXPECT_EQ(entry.flags[1], CacheEntry::kCompressedBody);
    SystemTime now;
    ASSERT_TRUE(DateParser::oleDateToSystemTime(CacheTime::nowOle(), now));
    EXPECT_EQ(entry.created[0], (now.year + 48) % 256);
    EXPECT_EQ(entry.created[1], now.month);
}

TEST_F(HttpCacheTest, ANewFileHoldsTenSlotsAndItsFirstEntryAtOffset88) {
    ASSERT_TRUE(write("http://site.test/first", "H", "body"));
    std::string bytes = readBytes(pathOf("http://site.test/first"));
    ASSERT_GE(bytes.size(), 88u + CacheFile::kEntryHeaderSize);
    EXPECT_EQ(le32(bytes, 0), 10u);
    EXPECT_EQ(le32(bytes, 4), 1u);
    EXPECT_EQ(le32(bytes, 8), 88u);
    EXPECT_EQ(le32(bytes, 12), CacheDigest::crc32Text("http://site.test/first"));
    for (size_t at = 16; at < 88; ++at)
        EXPECT_EQ(bytes[at], 0) << at;
    EXPECT_EQ(le32(bytes, 88), CacheDigest::crc32Text("http://site.test/first"));
}

TEST_F(HttpCacheTest, BodiesAreCompressedExceptForGifAndPdf) {
    std::string body(20000, 'a');
    ASSERT_TRUE(write("http://site.test/page", "H", body));
    ASSERT_TRUE(write("http://site.test/IMAGE.GIF", "H", body));
    ASSERT_TRUE(write("http://site.test/doc.pdf?x", "H", body));
    EXPECT_LT(readBytes(pathOf("http://site.test/page")).size(), 2000u);
    EXPECT_GT(readBytes(pathOf("http://site.test/IMAGE.GIF")).size(), 20000u);
    CacheEntry gif;
    ASSERT_EQ(load("http://site.test/IMAGE.GIF", gif), HttpCache::Lookup::kFound);
    EXPECT_EQ(gif.flags[1], 0);
    EXPECT_EQ(bytesOf(gif.body), body);
    CacheEntry pdf;
    ASSERT_EQ(load("http://site.test/doc.pdf?x", pdf), HttpCache::Lookup::kFound);
    EXPECT_EQ(pdf.flags[1], 0);
    CacheEntry page;
    ASSERT_EQ(load("http://site.test/page", page), HttpCache::Lookup::kFound);
    EXPECT_EQ(bytesOf(page.body), body);
}

TEST_F(HttpCacheTest, WritingAKeyAgainReplacesItsEntry) {
    ASSERT_TRUE(write("http://site.test/a", "H1", "one"));
    ASSERT_TRUE(write("http://site.test/a", "H2", "two"));
    CacheEntry entry;
    ASSERT_EQ(load("http://site.test/a", entry), HttpCache::Lookup::kFound);
    EXPECT_STREQ(entry.header.getString(), "H2");
    EXPECT_EQ(bytesOf(entry.body), "two");
}

TEST_F(HttpCacheTest, AMarkedEntryIsNegative) {
    ASSERT_TRUE(write("http://site.test/failed", "Failed-Url", "Nothing", 0, CacheEntry::kFailedMarker));
    CacheEntry entry;
    EXPECT_EQ(load("http://site.test/failed", entry), HttpCache::Lookup::kNegative);
    EXPECT_EQ(load("http://site.test/other", entry), HttpCache::Lookup::kMissing);
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

TEST_F(CacheFileTest, TheDirectoryGrowsPastItsFirstTenSlots) {
    std::string file = path("grow.caf");
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(writeKey(file, "key" + std::to_string(i), "body" + std::to_string(i)));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(readKey(file, "key" + std::to_string(i)), "body" + std::to_string(i));
    EXPECT_GE(le32(readBytes(file), 0), 100u);
    EXPECT_EQ(le32(readBytes(file), 4), 100u);
}

TEST_F(CacheFileTest, RewritingOneKeyOverAndOverKeepsTheFileSmall) {
    std::string file = path("rewrite.caf");
    ASSERT_TRUE(writeKey(file, "other", "stays"));
    std::string body(10000, 'b');
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(writeKey(file, "key", body + std::to_string(i)));
    EXPECT_EQ(readKey(file, "key"), body + "199");
    EXPECT_EQ(readKey(file, "other"), "stays");
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
    constexpr int kThreads = 4;
    constexpr int kPerThread = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &file]() {
            for (int i = 0; i < kPerThread; ++i) {
                std::string key = "t" + std::to_string(t) + "-" + std::to_string(i);
                writeKey(file, key, std::string(300 + i, static_cast<char>('a' + t)) + key);
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kPerThread; ++i) {
            std::string key = "t" + std::to_string(t) + "-" + std::to_string(i);
            EXPECT_EQ(readKey(file, key), std::string(300 + i, static_cast<char>('a' + t)) + key);
        }
    }
}

TEST_F(CacheFileTest, WritersInSeveralProcessesLoseNoEntry) {
    std::string file = path("processes.caf");
    constexpr int kProcesses = 3;
    constexpr int kPerProcess = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kPerProcess; ++i)
                ok = writeKey(file, "p" + std::to_string(p) + "-" + std::to_string(i),
                              "value" + std::to_string(i)) &&
                     ok;
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < kProcesses; ++p)
        for (int i = 0; i < kPerProcess; ++i)
            EXPECT_EQ(readKey(file, "p" + std::to_string(p) + "-" + std::to_string(i)),
                      "value" + std::to_string(i));
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
        std::string got = readKey(cut, "key11");
        EXPECT_EQ(got, "<miss>") << n;
        std::string first = readKey(cut, "key0");
        EXPECT_TRUE(first == "<miss>" || first == "body0") << n;
    }
}

TEST_F(CacheFileTest, DamagedBytesNeverCrashAndAWriteLeavesASoundFile) {
    std::string file = path("whole.caf");
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(writeKey(file, "key" + std::to_string(i), std::string(50, 'v') + std::to_string(i)));
    std::string whole = readBytes(file);
    std::mt19937 random(7);
    std::string damaged = path("damaged.caf");
    for (int round = 0; round < 400; ++round) {
        std::string bytes = whole;
        for (int flips = 0; flips < 3; ++flips)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        writeBytes(damaged, bytes);
        for (int i = 0; i < 5; ++i)
            readKey(damaged, "key" + std::to_string(i));
        ASSERT_TRUE(writeKey(damaged, "fresh", "new"));
        EXPECT_EQ(readKey(damaged, "fresh"), "new") << round;
    }
}

TEST_F(HttpCacheTest, DamagedBytesGiveAMissOrTheRightBody) {
    std::string body = "<html>" + std::string(300, 'p') + "</html>";
    ASSERT_TRUE(write("http://site.test/page", "HTTP/1.1 200 OK", body));
    ASSERT_TRUE(write("http://site.test/raw.gif", "HTTP/1.1 200 OK", body));
    std::mt19937 random(11);
    for (const char* key : {"http://site.test/page", "http://site.test/raw.gif"}) {
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
    std::string capacity(8, '\xFF');
    writeBytes(path("capacity.caf"), capacity);
    EXPECT_EQ(readKey(path("capacity.caf"), "k"), "<miss>");
}

TEST_F(HttpCacheTest, ADamagedBodyFailsItsCrcAndIsAMiss) {
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
    EXPECT_FALSE(HttpConnPool::dnsLookup(cache, "Host.Test", invalid, &log));
    EXPECT_FALSE(invalid);
    HttpConnPool::markHostInvalid(cache, "Host.Test", &log);
    ASSERT_TRUE(HttpConnPool::dnsLookup(cache, "host.test", invalid, &log));
    EXPECT_TRUE(invalid);
    CacheEntry entry;
    ASSERT_NE(load("dns://host.test", entry), HttpCache::Lookup::kMissing);
    EXPECT_EQ(entry.flags[0], 1);
    EXPECT_EQ(entry.body.getSize(), 0u);
    EXPECT_EQ(entry.header.getSize(), 0);
    HttpConnPool::markHostValid(cache, "HOST.test", &log);
    ASSERT_TRUE(HttpConnPool::dnsLookup(cache, "host.test", invalid, &log));
    EXPECT_FALSE(invalid);
    // A host known to resolve is left as it is.
    HttpConnPool::markHostInvalid(cache, "host.test", &log);
    ASSERT_TRUE(HttpConnPool::dnsLookup(cache, "host.test", invalid, &log));
    EXPECT_FALSE(invalid);
}

TEST_F(HttpCacheTest, MarkingValidAHostWithoutAnEntryWritesNothing) {
    HttpConnPool::markHostValid(cache, "never.test", &log);
    bool invalid = false;
    EXPECT_FALSE(HttpConnPool::dnsLookup(cache, "never.test", invalid, &log));
}

} // namespace
