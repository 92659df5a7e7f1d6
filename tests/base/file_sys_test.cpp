#include "base/file_sys.h"

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "tests/support/buffer_text.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace {

using file_test::currentDir;
using file_test::readBytes;
using file_test::RecordingLog;
using file_test::writeBytes;
namespace fs = std::filesystem;

class FileSysTest : public file_test::TempDirTest {};
class FileAccessTest : public file_test::TempDirTest {};

// ---- Temporary names ----

const char* OrNull(const std::string& field) {
    return field == "(null)" ? nullptr : field.c_str();
}

TEST_F(FileSysTest, TempNameHasTheDocumentedShape) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/temp_file_names.txt", 3)) {
        SCOPED_TRACE(c[0] + " in " + c[1]);
        StringBuffer out;
        FileSys::MakeTempFileName(OrNull(c[0]), c[1].c_str(), out);
        EXPECT_TRUE(std::regex_match(out.getString(), std::regex(c[2]))) << out.getString();
    }
}

// The draw is seeded from the millisecond clock, so calls in a tight loop mostly share a seed and
// meet the name the previous call returned, which now exists.
TEST_F(FileSysTest, TempNameSkipsCandidatesThatExist) {
    for (int i = 0; i < 200; ++i) {
        StringBuffer out;
        FileSys::MakeTempFileName("data", m_dir.c_str(), out);
        ASSERT_FALSE(fs::exists(out.getString())) << out.getString();
        writeBytes(out.getString(), "x");
    }
}

TEST_F(FileSysTest, TempDirectoryHasTrailingSlash) {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    const std::pair<const char*, const char*> cases[] = {
        {"", "/tmp/"}, {"/var/spool", "/var/spool/"}, {"/var/spool/", "/var/spool/"}};
    for (const auto& [tmpdir, expected] : cases) {
        setenv("TMPDIR", tmpdir, 1);
        StringBuffer out("stale");
        FileSys::GetTempDirectory(out);
        EXPECT_STREQ(out.getString(), expected) << tmpdir;
    }
    if (old) {
        setenv("TMPDIR", saved.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

// ---- Whole-file writes, sizes, existence ----

TEST_F(FileSysTest, WrittenBytesReadBackUnchanged) {
    writeBytes("data.bin", "a much longer earlier content");
    std::string big(70000, '\0');
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 131) % 256);
    }
    // The first is shorter than what the file held: the rest must go.
    const std::string cases[] = {std::string("\0\xff\x80\r\n", 5), big, std::string()};
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        ASSERT_TRUE(FileSys::WriteWholeFile("data.bin", bytes.empty() ? nullptr : bytes.data(),
                                            static_cast<uint32_t>(bytes.size()), nullptr));
        EXPECT_EQ(readBytes("data.bin"), bytes);
        bool ok = false;
        EXPECT_EQ(FileSys::FileSize("data.bin", nullptr, ok), bytes.size());
        EXPECT_TRUE(ok);
    }
    std::string first("head\0", 5);
    EXPECT_TRUE(FileSys::WriteWholeFile2("two.bin", first.data(), 5, "tail", 4, nullptr));
    EXPECT_EQ(readBytes("two.bin"), first + "tail");
}

TEST_F(FileSysTest, WriteWholeFileIntoMissingDirectoryFails) {
    RecordingLog log;
    EXPECT_FALSE(FileSys::WriteWholeFile("no/such/dir/f.bin", "abc", 3, &log));
    EXPECT_TRUE(log.hasError("Failed to open file (2)"));
    EXPECT_EQ(log.data("filename"), "no/such/dir/f.bin");
    EXPECT_TRUE(log.hasError("Failed to write complete file (7)"));
    EXPECT_FALSE(fs::exists("no"));
}

TEST_F(FileSysTest, WriteWholeFileToFullDeviceReportsShortWrite) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    RecordingLog log;
    EXPECT_FALSE(FileSys::WriteWholeFile("/dev/full", "abc", 3, &log));
    EXPECT_TRUE(log.hasError("Failed to write complete file (1)"));
    EXPECT_TRUE(log.hasInfo("No space left on device"));

    RecordingLog log2;
    EXPECT_FALSE(FileSys::WriteWholeFile2("/dev/full", "abc", 3, "def", 3, &log2));
    EXPECT_TRUE(log2.hasError("Failed to write complete file (4)"));
    RecordingLog log3;
    EXPECT_FALSE(FileSys::WriteWholeFile2("/dev/full", nullptr, 0, "def", 3, &log3));
    EXPECT_TRUE(log3.hasError("Failed to write complete file (5)"));
}

TEST_F(FileSysTest, MissingFileFailsWithTheSystemsReason) {
    RecordingLog log;
    bool ok = true;
    EXPECT_EQ(FileSys::FileSize("missing.txt", &log, ok), 0u);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(log.hasError("Failed to get file size"));
    EXPECT_TRUE(log.hasInfo("No such file or directory"));
    EXPECT_EQ(FileSys::OpenForRead("missing.txt", &log), FileSys::kInvalidHandle);
    EXPECT_TRUE(log.hasError("Failed to open file (2)"));
    EXPECT_EQ(log.data("filename"), "missing.txt");
    EXPECT_EQ(log.data("osErrorInfo"), "No such file or directory");
}

TEST_F(FileSysTest, OpenWithEmptyPathFailsAtOnce) {
    for (const char* p : {"", static_cast<const char*>(nullptr)}) {
        RecordingLog log;
        EXPECT_EQ(FileSys::OpenForRead(p, &log), FileSys::kInvalidHandle);
        ASSERT_EQ(log.entries.size(), 1u);
        RecordingLog wlog;
        EXPECT_EQ(FileSys::OpenForWrite(p, &wlog), FileSys::kInvalidHandle);
        EXPECT_TRUE(wlog.hasError("Cannot open file, filename is empty."));
    }
}

TEST_F(FileSysTest, OpenForReadAndReadFromHandle) {
    writeBytes("f.txt", "hello world");
    int fd = FileSys::OpenForRead("f.txt", nullptr);
    ASSERT_NE(fd, FileSys::kInvalidHandle);
    char buf[32] = {};
    EXPECT_EQ(FileSys::ReadFromHandle(fd, buf, 5), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    // The rest is shorter than asked for: what is there arrives.
    EXPECT_EQ(FileSys::ReadFromHandle(fd, buf, 32), 6);
    EXPECT_EQ(std::string(buf, 6), " world");
    EXPECT_EQ(FileSys::ReadFromHandle(fd, buf, -1), -1);
    FileSys::CloseHandle(fd);
    EXPECT_EQ(FileSys::ReadFromHandle(FileSys::kInvalidHandle, buf, 4), -1);
}

TEST_F(FileSysTest, FileExists) {
    writeBytes("empty.txt", "");
    fs::create_directory("dir");
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/file_exists.txt", 2))
        EXPECT_EQ(FileSys::FileExists(OrNull(c[0])), c[1] == "yes") << c[0];
}

// ---- Deletion ----

TEST_F(FileSysTest, DeleteFileFailuresAreLogged) {
    RecordingLog log;
    EXPECT_FALSE(FileSys::DeleteFile("missing.txt", &log));
    EXPECT_TRUE(log.hasInfo("Cannot delete file, file does not exist"));
    EXPECT_EQ(log.data("delete_filename"), "missing.txt");
    if (geteuid() == 0)
        GTEST_SKIP() << "directory permissions do not bind the super-user";
    fs::create_directory("locked");
    writeBytes("locked/f.txt", "x");
    fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec);
    RecordingLog denied;
    EXPECT_FALSE(FileSys::DeleteFile("locked/f.txt", &denied));
    fs::permissions("locked", fs::perms::owner_all);
    EXPECT_TRUE(denied.hasInfo("Cannot delete file"));
    EXPECT_TRUE(denied.hasInfo("DeleteFile:Permission denied"));
    EXPECT_TRUE(fs::exists("locked/f.txt"));
}

// ---- Directories ----

TEST_F(FileSysTest, DirectPlatformCalls) {
    EXPECT_TRUE(FileSys::CreateDirectory("made"));
    EXPECT_TRUE(fs::is_directory("made"));
    EXPECT_FALSE(FileSys::CreateDirectory("made"));
    EXPECT_TRUE(FileSys::SetCurrentDirectory("made"));
    StringBuffer cwd;
    FileSys::GetCurrentDirectory(cwd);
    EXPECT_EQ(std::string(cwd.getString()), fs::canonical(m_dir).string() + "/made");
    EXPECT_FALSE(FileSys::SetCurrentDirectory("no-such-dir"));
    EXPECT_EQ(currentDir(), std::string(cwd.getString()));
}

// Whatever the outcome, the current directory is left where it was.
TEST_F(FileSysTest, EnsureDirectory) {
    fs::create_directories("a/b");
    writeBytes("a/plain", "x");
    std::string overlong;
    while (overlong.size() <= 800)
        overlong += "abcdefghij/";
    const std::string cwd = currentDir();
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/ensure_directory.txt", 4)) {
        SCOPED_TRACE(c[0]);
        const std::string dir = c[0] == "overlong"           ? overlong
                                : c[0].starts_with("{dir}/") ? path(c[0].substr(6))
                                                             : c[0];
        const bool ok = c[1] == "ok";
        std::vector<std::string> before = listing();
        RecordingLog log;
        EXPECT_EQ(FileSys::EnsureDirectory(dir.c_str(), &log), ok);
        EXPECT_EQ(currentDir(), cwd);
        if (c[2].empty()) {
            EXPECT_EQ(listing(), before);
        } else {
            EXPECT_TRUE(fs::is_directory(path(c[2])));
        }
        if (ok && c[2].empty()) {
            EXPECT_TRUE(log.entries.empty());
        }
        if (!ok && !c[3].empty()) {
            EXPECT_TRUE(log.hasError("Failed to create directory"));
            EXPECT_EQ(log.data("directory"), c[3]);
        }
    }
}

TEST_F(FileSysTest, EnsureDirectoryForFileCreatesTheFolderOnly) {
    // 799 bytes is the longest file path taken.
    std::string longest =
        "a/" + std::string(200, 'b') + "/" + std::string(200, 'c') + "/" + std::string(200, 'e') + "/";
    longest += std::string(799 - longest.size(), 'f');
    struct Case {
        std::string file;
        bool ok;
        std::string folder; // empty: nothing to create
    };
    const Case cases[] = {
        {"d1/d2/file.txt", true, "d1/d2"},
        {path("abs/log.txt"), true, "abs"},
        {"plain.txt", true, ""},
        {"", true, ""},
        {longest, true, longest.substr(0, longest.rfind('/'))},
        {"z/" + std::string(798, 'f'), false, ""},
    };
    const std::string cwd = currentDir();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.substr(0, 40));
        std::vector<std::string> before = listing();
        EXPECT_EQ(FileSys::EnsureDirectoryForFile(c.file.c_str(), nullptr), c.ok);
        if (c.folder.empty()) {
            EXPECT_EQ(listing(), before);
        } else {
            EXPECT_TRUE(fs::is_directory(path(c.folder)));
        }
        if (!c.file.empty()) {
            EXPECT_FALSE(fs::exists(c.file));
        }
        EXPECT_EQ(currentDir(), cwd);
    }
}

// ---- FileAccess ----

TEST_F(FileAccessTest, ReadAtOffsets) {
    writeBytes("digits.txt", "0123456789");
    FileAccess file;
    ASSERT_TRUE(file.Open("digits.txt", nullptr));
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/file_read_at.txt", 5)) {
        SCOPED_TRACE(c[0] + "+" + c[1]);
        DataBuffer out;
        out.append("stale", 5);
        EXPECT_EQ(file.ReadAt(std::stoul(c[0]), std::stoul(c[1]), out), c[2] == "ok");
        EXPECT_EQ(test_support::bytesOf(out), c[3]);
        EXPECT_EQ(file.position(), std::stoul(c[4]));
    }
}

TEST_F(FileAccessTest, OpenClosesThePreviousFile) {
    writeBytes("one", "1111");
    writeBytes("two", "22");
    FileAccess file;
    ASSERT_TRUE(file.Open("one", nullptr));
    DataBuffer out;
    ASSERT_TRUE(file.ReadAt(1, 2, out));
    ASSERT_TRUE(file.Open("two", nullptr));
    EXPECT_EQ(file.position(), 0u);
    EXPECT_FALSE(file.ReadAt(0, 4, out));
    ASSERT_TRUE(file.ReadAt(0, 2, out));
    EXPECT_EQ(test_support::bytesOf(out), "22");
    fs::create_directory("dir");
    for (const char* unreadable : {"missing", "dir"}) {
        EXPECT_FALSE(file.Open(unreadable, nullptr)) << unreadable;
        EXPECT_FALSE(file.isOpen());
    }
}

} // namespace
