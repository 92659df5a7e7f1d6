// The file-layer operations the disk caches are built on: directories made from several threads
// at once without touching the current directory, whole-file replacement, updates in place at
// an offset, and the lock that keeps two writers apart.
#include "base/file_sys.h"

#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using file_test::readBytes;
using file_test::RecordingLog;
using file_test::writeBytes;

class CacheFileSysTest : public file_test::TempDirTest {};

TEST_F(CacheFileSysTest, DirectoriesForAFileAreMadeFromManyThreadsAtOnce) {
    std::string cwd = file_test::currentDir();
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t]() {
            std::string file = path("a/" + std::to_string(t % 2) + "/b/c/file" + std::to_string(t) + ".caf");
            if (!FileSys::CreateDirectoriesForFile(file.c_str(), nullptr))
                ++failures;
        });
    }
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(file_test::currentDir(), cwd);
    writeBytes(path("a/1/b/c/x"), "x");
    EXPECT_EQ(readBytes(path("a/1/b/c/x")), "x");
    // A directory that is a file cannot be made.
    writeBytes(path("plain"), "x");
    RecordingLog log;
    EXPECT_FALSE(FileSys::CreateDirectoriesForFile(path("plain/sub/file").c_str(), &log));
    EXPECT_TRUE(log.hasError("Failed to create directory"));
}

TEST_F(CacheFileSysTest, AFileIsReplacedWhole) {
    writeBytes(path("r.dat"), "old content that is long");
    ASSERT_TRUE(FileSys::ReplaceFileAtomically(path("r.dat").c_str(), "new ", 4, "one", 3, nullptr));
    EXPECT_EQ(readBytes(path("r.dat")), "new one");
    EXPECT_EQ(listing().size(), 1u);
}

TEST_F(CacheFileSysTest, AnUpdateInPlaceKeepsTheRestOfTheFile) {
    EXPECT_EQ(FileSys::OpenForReadWrite(path("none").c_str(), false, nullptr), FileSys::kInvalidHandle);
    EXPECT_EQ(FileSys::OpenForReadWrite(m_dir.c_str(), true, nullptr), FileSys::kInvalidHandle);
    writeBytes(path("u.caf"), "0123456789");
    int handle = FileSys::OpenForReadWrite(path("u.caf").c_str(), false, nullptr);
    ASSERT_NE(handle, FileSys::kInvalidHandle);
    ASSERT_TRUE(FileSys::WriteAtHandle(handle, 3, "abc", 3, nullptr));
    char buf[4] = {};
    ASSERT_TRUE(FileSys::ReadAtHandle(handle, 2, buf, 4));
    EXPECT_EQ(std::string(buf, 4), "2abc");
    EXPECT_FALSE(FileSys::ReadAtHandle(handle, 8, buf, 4));
    ASSERT_TRUE(FileSys::TruncateHandle(handle, 5, nullptr));
    uint32_t size = 0;
    ASSERT_TRUE(FileSys::HandleSize(handle, size));
    EXPECT_EQ(size, 5u);
    FileSys::CloseHandle(handle);
    EXPECT_EQ(readBytes(path("u.caf")), "012ab");
}

TEST_F(CacheFileSysTest, AnExclusiveLockKeepsAnotherHandleWaiting) {
    writeBytes(path("l.caf"), "");
    int first = FileSys::OpenForReadWrite(path("l.caf").c_str(), false, nullptr);
    ASSERT_TRUE(FileSys::LockHandle(first, true));
    std::atomic<bool> acquired{false};
    std::thread other([&]() {
        int second = FileSys::OpenForRead(path("l.caf").c_str(), nullptr);
        FileSys::LockHandle(second, false);
        acquired = true;
        FileSys::UnlockHandle(second);
        FileSys::CloseHandle(second);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(acquired.load());
    FileSys::UnlockHandle(first);
    other.join();
    EXPECT_TRUE(acquired.load());
    FileSys::CloseHandle(first);
}

} // namespace
