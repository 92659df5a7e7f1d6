// The file and directory layer: the one place that calls the operating system's file
// functions. Operations that can fail take an optional log (null for none) and record why they
// failed there; they report failure by their result. Paths are UTF-8 text, with "/" as the
// separator.
#pragma once

#include <cstdint>

class DataBuffer;
class LogBase;
class StringBuffer;

namespace FileSys {

constexpr int kInvalidHandle = -1;

// Open an existing file for reading; kInvalidHandle on failure. The caller closes the handle.
int OpenForRead(const char* path, LogBase* log);
// Create or truncate a file for writing; kInvalidHandle on failure.
int OpenForWrite(const char* path, LogBase* log);
void CloseHandle(int handle);
bool FileExists(const char* path);
uint32_t FileSize(const char* path, LogBase* log, bool& ok);
// Reads from the current position until `count` bytes arrived or the file ends; the number
// of bytes read, or -1 on an error.
int ReadFromHandle(int handle, void* buf, int count);
[[nodiscard]] bool WriteWholeFile(const char* path, const void* data, uint32_t size, LogBase* log);
[[nodiscard]] bool WriteWholeFile2(const char* path, const void* data1, uint32_t size1, const void* data2, uint32_t size2,
                     LogBase* log);
bool DeleteFile(const char* path, LogBase* log);
bool CreateDirectory(const char* path);
bool SetCurrentDirectory(const char* path);
void GetCurrentDirectory(StringBuffer& out);
void GetTempDirectory(StringBuffer& out);

void MakeTempFileName(const char* fileTemplate, const char* directory, StringBuffer& out);
void MakeTempFileNameInTempDirectory(const char* fileTemplate, StringBuffer& out);

// Open a file for reading and writing without truncating it; with `create` a missing file is
// made empty. kInvalidHandle on failure. Used for files updated in place under a lock.
int OpenForReadWrite(const char* path, bool create, LogBase* log);
// The size of an open file; false when the system cannot tell or it exceeds 32 bits.
bool HandleSize(int handle, uint32_t& size);
// Reads exactly `count` bytes at `offset`; false on an error or when the file ends first.
bool ReadAtHandle(int handle, uint32_t offset, void* buf, uint32_t count);
// Writes all `size` bytes at `offset`; false, with the reason in `log`, when fewer were written.
[[nodiscard]] bool WriteAtHandle(int handle, uint32_t offset, const void* data, uint32_t size, LogBase* log);
// Cuts or extends an open file to `size` bytes.
bool TruncateHandle(int handle, uint32_t size, LogBase* log);
// Replaces the file at `path` as one step: the bytes are written to a new file beside it, which
// is then renamed over `path`, so that a reader sees either the old or the new content whole,
// never a partial write. Two data pieces, as WriteWholeFile2.
[[nodiscard]] bool ReplaceFileAtomically(const char* path, const void* data1, uint32_t size1, const void* data2,
                           uint32_t size2, LogBase* log);
// Advisory whole-file lock on an open handle, waiting until it is granted: shared for readers,
// exclusive for writers. It excludes every other handle opened on the file, in this process
// (another thread's open) and in other processes alike. Closing the handle releases it too.
bool LockHandle(int handle, bool exclusive);
void UnlockHandle(int handle);

// Creates the missing directories of the directory that holds a file path, one component after
// the other, without changing the current directory, so that several threads may do it at once.
bool CreateDirectoriesForFile(const char* path, LogBase* log);

// Make sure every component of a directory path exists, creating the missing ones.
bool EnsureDirectory(const char* path, LogBase* log);
// The same for the directory that holds a file path.
bool EnsureDirectoryForFile(const char* path, LogBase* log);

} // namespace FileSys

// A read-only, random-access open file. Destroying it closes the handle.
class FileAccess {
public:
    FileAccess() = default;
    ~FileAccess();
    FileAccess(const FileAccess&) = delete;
    FileAccess& operator=(const FileAccess&) = delete;

    bool Open(const char* path, LogBase* log);
    // Reads exactly `count` bytes at `offset` into `out` (emptied first).
    bool ReadAt(uint32_t offset, uint32_t count, DataBuffer& out);
    void Close();
    bool isOpen() const { return m_handle != FileSys::kInvalidHandle; }
    uint32_t position() const { return m_position; }

private:
    int m_handle = FileSys::kInvalidHandle;
    uint32_t m_position = 0;
};
