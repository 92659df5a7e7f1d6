// POSIX implementation of the file and directory layer. Together with the platform file it is
// the only code that calls the operating system's file and directory functions; every other
// component goes through FileSys or FileAccess.
#include "base/file_sys.h"

#include "base/data_buffer.h"
#include "base/log_base.h"
#include "base/platform.h"
#include "base/string_buffer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A file that is the image of a running program cannot be opened for writing; this is the
// nearest thing POSIX has to a sharing violation, so it is the error the open retries on.
constexpr int kSharingViolation = ETXTBSY;
constexpr int kOpenRetries = 3;
constexpr uint32_t kOpenRetryDelayMs = 50;

constexpr size_t kMaxDirectoryPath = 800;
constexpr size_t kMaxFilePath = 799;
// Reads and writes are issued in pieces no larger than this, well below what one call takes.
constexpr size_t kMaxTransfer = 1u << 30;

constexpr mode_t kFileMode = 0644;
constexpr mode_t kDirectoryMode = 0755;

bool isEmpty(const char* s) {
    return s == nullptr || *s == '\0';
}

void logError(LogBase* log, const char* text) {
    if (log != nullptr) {
        log->LogError(text);
    }
}

void logInfo(LogBase* log, const char* text) {
    if (log != nullptr) {
        log->LogInfo(text);
    }
}

void logData(LogBase* log, const char* name, const char* value) {
    if (log != nullptr) {
        log->LogData(name, value);
    }
}

void logSystemText(LogBase* log, int code) {
    if (log == nullptr) {
        return;
    }
    StringBuffer text;
    Platform::AppendErrorText(code, text);
    log->LogInfo(text.getString());
}

void logOsErrorInfo(LogBase* log, int code) {
    if (log == nullptr) {
        return;
    }
    StringBuffer text;
    Platform::AppendErrorText(code, text);
    log->LogData("osErrorInfo", text.getString());
}

void closeQuietly(int fd) {
    int saved = errno;
    ::close(fd);
    errno = saved;
}

// Opens for reading, allowing other readers. A directory can be opened on POSIX but is not a
// file, so it is refused as the system refuses to open one for writing. O_NONBLOCK keeps the
// open of a FIFO without writers from hanging; it is cleared again before the handle is used.
int attemptOpenForRead(const char* path, int& err) {
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        err = errno;
        return FileSys::kInvalidHandle;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        err = errno;
        closeQuietly(fd);
        return FileSys::kInvalidHandle;
    }
    if (S_ISDIR(st.st_mode)) {
        err = EISDIR;
        closeQuietly(fd);
        return FileSys::kInvalidHandle;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        err = errno;
        closeQuietly(fd);
        return FileSys::kInvalidHandle;
    }
    return fd;
}

int attemptOpenForWrite(const char* path, int& err) {
    int fd;
    do {
        fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kFileMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        err = errno;
        return FileSys::kInvalidHandle;
    }
    return fd;
}

int attemptOpenForUpdateFlags(const char* path, int flags, int& err) {
    int fd;
    do {
        fd = ::open(path, flags | O_RDWR | O_CLOEXEC, kFileMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        err = errno;
        return FileSys::kInvalidHandle;
    }
    // Only a plain file can be updated in place; a directory or device is refused.
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        err = errno;
        closeQuietly(fd);
        return FileSys::kInvalidHandle;
    }
    if (!S_ISREG(st.st_mode)) {
        err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        closeQuietly(fd);
        return FileSys::kInvalidHandle;
    }
    return fd;
}

int attemptOpenForUpdate(const char* path, int& err) {
    return attemptOpenForUpdateFlags(path, 0, err);
}

int attemptOpenForUpdateOrCreate(const char* path, int& err) {
    return attemptOpenForUpdateFlags(path, O_CREAT, err);
}

// The open with a short retry on sharing conflicts: at most 4 attempts, 50 ms apart. On final
// failure the reason is logged and its error code left in `err`.
int openWithRetry(const char* path, int (*attempt)(const char*, int&), LogBase* log, int& err) {
    err = 0;
    if (isEmpty(path)) {
        logError(log, "Cannot open file, filename is empty.");
        err = ENOENT;
        return FileSys::kInvalidHandle;
    }
    int retries = 0;
    for (;;) {
        int fd = attempt(path, err);
        if (fd != FileSys::kInvalidHandle) {
            return fd;
        }
        if (err != kSharingViolation || retries >= kOpenRetries) {
            break;
        }
        ++retries;
        Platform::Sleep(kOpenRetryDelayMs);
    }
    logError(log, "Failed to open file (2)");
    logData(log, "filename", path);
    logOsErrorInfo(log, err);
    return FileSys::kInvalidHandle;
}

// Reads until `count` bytes arrived or the file ends: the number read, or -1 with errno set.
int64_t readFully(int fd, unsigned char* buf, uint64_t count) {
    uint64_t done = 0;
    while (done < count) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(count - done, kMaxTransfer));
        ssize_t n = ::read(fd, buf + done, piece);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<uint64_t>(n);
    }
    return static_cast<int64_t>(done);
}

// Writes all `size` bytes; false with the error code in `err` when fewer were written.
bool writeFully(int fd, const void* data, uint32_t size, int& err) {
    if (size == 0) {
        return true;
    }
    if (data == nullptr) {
        err = EFAULT;
        return false;
    }
    const unsigned char* p = static_cast<const unsigned char*>(data);
    uint64_t done = 0;
    while (done < size) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(size - done, kMaxTransfer));
        ssize_t n = ::write(fd, p + done, piece);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            err = errno;
            return false;
        }
        if (n == 0) {
            err = EIO;
            return false;
        }
        done += static_cast<uint64_t>(n);
    }
    return true;
}

void logShortWrite(LogBase* log, const char* message, const char* path, int err) {
    logError(log, message);
    logSystemText(log, err);
    logData(log, "filename", path);
}

// The current directory; false (with errno set) when the system cannot tell it.
bool currentDirectory(StringBuffer& out) {
    out.clear();
    std::vector<char> buf(4096);
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) {
            return false;
        }
        buf.resize(buf.size() * 2);
    }
    out.append(buf.data());
    return true;
}

bool enterOrCreate(const char* component) {
    if (::chdir(component) == 0) {
        return true;
    }
    if (::mkdir(component, kDirectoryMode) != 0 && errno != EEXIST) {
        return false;
    }
    return ::chdir(component) == 0;
}

// Walks the "/"-separated components of `path` from the current directory (or from the root
// for an absolute path), entering each and creating the missing ones. Changes the current
// directory; the caller restores it.
bool createPath(const char* path, LogBase* log) {
    size_t len = std::strlen(path);
    if (len > kMaxDirectoryPath) {
        logError(log, "Directory path is too long");
        logData(log, "directory", path);
        return false;
    }
    char copy[kMaxDirectoryPath + 1];
    std::memcpy(copy, path, len + 1);

    if (copy[0] == '/' && ::chdir("/") != 0) {
        logError(log, "Failed to set directory to root directory");
        logData(log, "directory", "/");
        return false;
    }
    char* component = copy;
    while (*component != '\0') {
        char* end = std::strchr(component, '/');
        if (end != nullptr) {
            *end = '\0';
        }
        if (*component != '\0' && !enterOrCreate(component)) {
            int err = errno;
            logError(log, "Failed to create directory");
            logData(log, "directory", component);
            logOsErrorInfo(log, err);
            return false;
        }
        if (end == nullptr) {
            break;
        }
        component = end + 1;
    }
    return true;
}

} // namespace

namespace FileSys {

int OpenForRead(const char* path, LogBase* log) {
    int err = 0;
    return openWithRetry(path, attemptOpenForRead, log, err);
}

int OpenForWrite(const char* path, LogBase* log) {
    int err = 0;
    return openWithRetry(path, attemptOpenForWrite, log, err);
}

void CloseHandle(int handle) {
    if (handle != kInvalidHandle) {
        ::close(handle);
    }
}

bool FileExists(const char* path) {
    if (isEmpty(path)) {
        return false;
    }
    int fd = OpenForRead(path, nullptr);
    if (fd == kInvalidHandle) {
        return false;
    }
    CloseHandle(fd);
    return true;
}

uint32_t FileSize(const char* path, LogBase* log, bool& ok) {
    ok = false;
    int err = 0;
    int fd = openWithRetry(path, attemptOpenForRead, log, err);
    uint32_t size = 0;
    if (fd != kInvalidHandle) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            err = errno;
        } else if (static_cast<uint64_t>(st.st_size) > UINT32_MAX) {
            err = EOVERFLOW;
        } else {
            size = static_cast<uint32_t>(st.st_size);
            ok = true;
        }
        CloseHandle(fd);
    }
    if (!ok) {
        logSystemText(log, err);
        logData(log, "filename", isEmpty(path) ? "" : path);
        logError(log, "Failed to get file size");
    }
    return size;
}

int ReadFromHandle(int handle, void* buf, int count) {
    if (count < 0 || (buf == nullptr && count > 0)) {
        return -1;
    }
    return static_cast<int>(
        readFully(handle, static_cast<unsigned char*>(buf), static_cast<uint64_t>(count)));
}

bool WriteWholeFile(const char* path, const void* data, uint32_t size, LogBase* log) {
    int fd = OpenForWrite(path, log);
    if (fd == kInvalidHandle) {
        logError(log, "Failed to write complete file (7)");
        return false;
    }
    int err = 0;
    bool written = writeFully(fd, data, size, err);
    CloseHandle(fd);
    if (!written) {
        logShortWrite(log, "Failed to write complete file (1)", path, err);
    }
    return written;
}

bool WriteWholeFile2(const char* path, const void* data1, uint32_t size1, const void* data2, uint32_t size2,
                     LogBase* log) {
    int fd = OpenForWrite(path, log);
    if (fd == kInvalidHandle) {
        return false;
    }
    int err = 0;
    const char* failure = nullptr;
    if (!writeFully(fd, data1, size1, err)) {
        failure = "Failed to write complete file (4)";
    } else if (!writeFully(fd, data2, size2, err)) {
        failure = "Failed to write complete file (5)";
    }
    CloseHandle(fd);
    if (failure != nullptr) {
        logShortWrite(log, failure, path, err);
        return false;
    }
    return true;
}

bool DeleteFile(const char* path, LogBase* log) {
    if (isEmpty(path)) {
        logError(log, "Cannot delete file, filename is null or empty");
        return false;
    }
    if (!FileExists(path)) {
        logData(log, "delete_filename", path);
        logInfo(log, "Cannot delete file, file does not exist");
        return false;
    }
    if (::unlink(path) != 0) {
        int err = errno;
        logInfo(log, "Cannot delete file");
        logData(log, "delete_filename", path);
        if (log != nullptr) {
            StringBuffer line("DeleteFile:");
            Platform::AppendErrorText(err, line);
            log->LogInfo(line.getString());
        }
        return false;
    }
    return true;
}

bool CreateDirectory(const char* path) {
    return !isEmpty(path) && ::mkdir(path, kDirectoryMode) == 0;
}

bool SetCurrentDirectory(const char* path) {
    return !isEmpty(path) && ::chdir(path) == 0;
}

void GetCurrentDirectory(StringBuffer& out) {
    if (!currentDirectory(out)) {
        out.clear();
    }
}

void GetTempDirectory(StringBuffer& out) {
    const char* dir = std::getenv("TMPDIR");
    out.setString(isEmpty(dir) ? "/tmp" : dir);
    if (out.lastChar() != '/') {
        out.appendChar('/');
    }
}

void MakeTempFileName(const char* fileTemplate, const char* directory, StringBuffer& out) {
    StringBuffer name(isEmpty(fileTemplate) ? "x" : fileTemplate);
    if (!name.containsChar('.')) {
        name.append(".tmp");
    }
    const char* text = name.getString();
    const char* extension = std::strrchr(text, '.');
    int baseLength = static_cast<int>(extension - text);

    // With no directory at all the name stays relative to the current directory rather than
    // landing in the root.
    StringBuffer prefix;
    if (!isEmpty(directory)) {
        prefix.append(directory);
        if (prefix.lastChar() != '/' && prefix.lastChar() != '\\') {
            prefix.appendChar('/');
        }
    }

    std::srand(Platform::GetTickCount());
    for (;;) {
        out.setSb(prefix);
        out.appendN(text, baseLength);
        out.appendChar('_');
        for (int i = 0; i < 4; ++i) {
            // The draw is defined on a 15-bit random value; the C library's may be wider.
            int value = std::rand() & 0x7FFF;
            int r = std::clamp(value * 35 / 32768, 0, 35);
            out.appendChar(r <= 25 ? static_cast<char>('A' + r) : static_cast<char>('0' + (r - 26)));
        }
        out.append(extension);
        if (!FileExists(out.getString())) {
            return;
        }
    }
}

void MakeTempFileNameInTempDirectory(const char* fileTemplate, StringBuffer& out) {
    StringBuffer dir;
    GetTempDirectory(dir);
    MakeTempFileName(fileTemplate, dir.getString(), out);
}

int OpenForReadWrite(const char* path, bool create, LogBase* log) {
    int err = 0;
    return openWithRetry(path, create ? attemptOpenForUpdateOrCreate : attemptOpenForUpdate, log, err);
}

bool HandleSize(int handle, uint32_t& size) {
    struct stat st {};
    if (handle == kInvalidHandle || ::fstat(handle, &st) != 0 || st.st_size < 0 ||
        static_cast<uint64_t>(st.st_size) > UINT32_MAX) {
        return false;
    }
    size = static_cast<uint32_t>(st.st_size);
    return true;
}

bool ReadAtHandle(int handle, uint32_t offset, void* buf, uint32_t count) {
    if (handle == kInvalidHandle || (buf == nullptr && count > 0)) {
        return false;
    }
    unsigned char* p = static_cast<unsigned char*>(buf);
    uint64_t done = 0;
    while (done < count) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(count - done, kMaxTransfer));
        ssize_t n = ::pread(handle, p + done, piece, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<uint64_t>(n);
    }
    return true;
}

bool WriteAtHandle(int handle, uint32_t offset, const void* data, uint32_t size, LogBase* log) {
    if (size == 0) {
        return true;
    }
    if (handle == kInvalidHandle || data == nullptr) {
        logError(log, "Failed to write to file");
        return false;
    }
    const unsigned char* p = static_cast<const unsigned char*>(data);
    uint64_t done = 0;
    while (done < size) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(size - done, kMaxTransfer));
        ssize_t n = ::pwrite(handle, p + done, piece, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            int err = n < 0 ? errno : EIO;
            logError(log, "Failed to write to file");
            logOsErrorInfo(log, err);
            return false;
        }
        done += static_cast<uint64_t>(n);
    }
    return true;
}

bool TruncateHandle(int handle, uint32_t size, LogBase* log) {
    int rc;
    do {
        rc = ::ftruncate(handle, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        int err = errno;
        logError(log, "Failed to set the file size");
        logOsErrorInfo(log, err);
        return false;
    }
    return true;
}

bool ReplaceFileAtomically(const char* path, const void* data1, uint32_t size1, const void* data2,
                           uint32_t size2, LogBase* log) {
    if (isEmpty(path)) {
        logError(log, "Cannot open file, filename is empty.");
        return false;
    }
    // The process id and a per-process count make the name of the new file unique among all
    // writers, threads and processes alike.
    static std::atomic<uint32_t> counter{0};
    StringBuffer temp(path);
    temp.append(".new");
    temp.appendInt(static_cast<int>(::getpid()));
    temp.appendChar('_');
    temp.appendInt(static_cast<int>(counter.fetch_add(1) & 0x7FFFFFFF));
    if (!WriteWholeFile2(temp.getString(), data1, size1, data2, size2, log)) {
        ::unlink(temp.getString());
        return false;
    }
    if (::rename(temp.getString(), path) != 0) {
        int err = errno;
        ::unlink(temp.getString());
        logError(log, "Failed to replace file");
        logData(log, "filename", path);
        logOsErrorInfo(log, err);
        return false;
    }
    return true;
}

// Copies a file path into `dir` and finds its last '/' (null when it has none, or when the path is
// empty); false, logged, when the path is too long.
static bool copyForDirectory(const char* path, char* dir, char*& lastSlash, LogBase* log) {
    lastSlash = nullptr;
    if (isEmpty(path))
        return true;
    size_t len = std::strlen(path);
    if (len > kMaxFilePath) {
        logError(log, "File path is too long");
        logData(log, "filename", path);
        return false;
    }
    std::memcpy(dir, path, len + 1);
    lastSlash = std::strrchr(dir, '/');
    return true;
}

bool CreateDirectoriesForFile(const char* path, LogBase* log) {
    char dir[kMaxFilePath + 1];
    char* lastSlash = nullptr;
    if (!copyForDirectory(path, dir, lastSlash, log))
        return false;
    if (lastSlash == nullptr || lastSlash == dir) {
        return true;
    }
    *lastSlash = '\0';
    // Each prefix ending before a '/' is a directory to make; one that exists already is fine
    // (another thread may have made it a moment ago).
    for (char* p = dir + 1;; ++p) {
        if (*p != '/' && *p != '\0') {
            continue;
        }
        char saved = *p;
        *p = '\0';
        if (::mkdir(dir, kDirectoryMode) != 0 && errno != EEXIST) {
            int err = errno;
            logError(log, "Failed to create directory");
            logData(log, "directory", dir);
            logOsErrorInfo(log, err);
            return false;
        }
        *p = saved;
        if (saved == '\0') {
            return true;
        }
    }
}

bool LockHandle(int handle, bool exclusive) {
    int rc;
    do {
        rc = ::flock(handle, exclusive ? LOCK_EX : LOCK_SH);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

void UnlockHandle(int handle) {
    if (handle != kInvalidHandle) {
        ::flock(handle, LOCK_UN);
    }
}

bool EnsureDirectory(const char* path, LogBase* log) {
    if (path == nullptr) {
        path = "";
    }
    StringBuffer remembered;
    if (!currentDirectory(remembered)) {
        int err = errno;
        logError(log, "Failed to get current directory");
        logOsErrorInfo(log, err);
        return false;
    }
    bool outcome = ::chdir(path) == 0 || createPath(path, log);
    if (::chdir(remembered.getString()) != 0) {
        int err = errno;
        logError(log, "Failed to restore current directory");
        logData(log, "directory", remembered.getString());
        logOsErrorInfo(log, err);
        outcome = false;
    }
    return outcome;
}

bool EnsureDirectoryForFile(const char* path, LogBase* log) {
    char dir[kMaxFilePath + 1];
    char* lastSlash = nullptr;
    if (!copyForDirectory(path, dir, lastSlash, log))
        return false;
    if (lastSlash == nullptr) {
        return true;
    }
    // A file directly below the root keeps the root as its directory.
    lastSlash[lastSlash == dir ? 1 : 0] = '\0';
    return EnsureDirectory(dir, log);
}

} // namespace FileSys

FileAccess::~FileAccess() {
    Close();
}

bool FileAccess::Open(const char* path, LogBase* log) {
    Close();
    m_handle = FileSys::OpenForRead(path, log);
    return m_handle != FileSys::kInvalidHandle;
}

bool FileAccess::ReadAt(uint32_t offset, uint32_t count, DataBuffer& out) {
    if (m_handle == FileSys::kInvalidHandle) {
        return false;
    }
    if (::lseek(m_handle, static_cast<off_t>(offset), SEEK_SET) < 0) {
        return false;
    }
    m_position = offset;
    out.clear();
    if (!out.ensureCapacity(count)) {
        return false;
    }
    int64_t n = readFully(m_handle, out.getData(), count);
    if (n > 0) {
        // The position follows the file: a short read advances it by what actually arrived.
        m_position += static_cast<uint32_t>(n);
    }
    if (n != static_cast<int64_t>(count)) {
        return false;
    }
    out.setSize(count);
    return true;
}

void FileAccess::Close() {
    if (m_handle != FileSys::kInvalidHandle) {
        ::close(m_handle);
        m_handle = FileSys::kInvalidHandle;
    }
    m_position = 0;
}
