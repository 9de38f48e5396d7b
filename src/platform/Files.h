#pragma once
// File services the updater relies on. Paths may be given in the system's
// own form (backslashes, as the update list and the configuration build
// them); every function here makes them native itself.
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

namespace platform {

// A file could not be read or written; what() names the path and the reason.
class FileError : public std::runtime_error {
public:
    FileError(const std::string& path, std::error_code ec);
    const std::string& Path() const { return FPath; }
    std::error_code Code() const { return FCode; }

private:
    std::string FPath;
    std::error_code FCode;
};

// A regular file (not a folder) of that name exists.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// The whole file as bytes; throws FileError.
std::string ReadWholeFile(const std::string& path);

// Copies source over target, replacing it, by opening the target for writing
// (not by renaming): a target that is a running program therefore fails with
// "text file busy" until that program has ended. The copy keeps the source's
// permission bits and modification time; makeExecutable adds the execute bits.
// Returns an empty error code on success.
std::error_code CopyFileOver(const std::string& source, const std::string& target,
                             bool makeExecutable = false);

// Writes data to path so that a crash at any moment leaves either the old file
// whole or the new one: a temporary file beside it, flushed, renamed over it.
// The old file's permission bits are kept. Throws FileError.
void WriteFileAtomic(const std::string& path, const std::string& data);

// Puts a copy of source in place of target so that target is always either
// the old file whole or the new one: the copy is written to a temporary file
// beside target, flushed and renamed over it. An existing target's permission
// bits are kept; a new target gets the source's, plus the execute bits when
// the content is a program (an ELF image or a script) or makeExecutable is
// set. Returns an empty error code on success; on failure target is untouched.
std::error_code ReplaceFileWith(const std::string& source, const std::string& target,
                                bool makeExecutable = false);

// Both names reach one and the same file (through other spellings, "..",
// or links). False when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

// Moves source over target in one step when both lie on one file system
// (target keeps its permission bits, or gets a program's execute bits as
// above); otherwise falls back to ReplaceFileWith and deletes source.
// Returns an empty error code on success; on failure target is untouched.
std::error_code MoveFileOver(const std::string& source, const std::string& target);

bool DeleteFile(const std::string& path);
// Creates one folder level; true when it exists afterwards. On failure,
// `error` (when given) receives the reason.
bool CreateFolder(const std::string& path, std::error_code* error = nullptr);
// Adds the execute bits wherever the read bits are set.
bool SetExecutable(const std::string& path);

using FileTime = std::chrono::system_clock::time_point;
bool GetFileModificationTime(const std::string& path, FileTime& time);
bool SetFileModificationTime(const std::string& path, FileTime time);

// A new file that takes the place of a target in one step: it is written
// beside the target and renamed over it by Commit, so that the target is at
// every moment either the old file whole or the new one. A file neither
// committed nor closed is deleted when the object goes.
class TTempFile {
public:
    // Creates the temporary file anew at tempPath or, when that is empty, under
    // a name of its own in the target's folder. A process that still holds an
    // older file of that name keeps its own copy. Throws FileError.
    explicit TTempFile(const std::string& target, const std::string& tempPath = {});
    ~TTempFile();
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    const std::string& Path() const { return FPath; }
    const std::string& Target() const { return FTarget; }
    // The whole block, or FileError.
    void Write(const void* data, size_t size);
    // The modification time the file will keep; set after the last Write.
    void SetTimes(FileTime modified);
    // Closes the file and renames it over the target. The target keeps its
    // permission bits; a new one gets a program's execute bits. Durable: the
    // data reach the disk before the rename, and the rename before the
    // return. Throws FileError; the target is untouched then.
    void Commit(bool durable);
    // Closes the file and leaves it at Path() for a later step (a package to
    // unpack) instead of committing it; it is still deleted when the object
    // goes.
    void Close();
    // The file is no longer deleted when the object goes: what was received
    // stays at Path() even when it cannot be put in place.
    void Keep() { FKept = true; }

private:
    struct Handle;
    std::string FTarget;
    std::string FPath;
    std::unique_ptr<Handle> FHandle;
    bool FCommitted = false;
    bool FKept = false;
};

// A file read at offsets, or front to back, while others may read, write and
// delete it.
class TFileReader {
public:
    // Throws FileError; a folder is refused.
    explicit TFileReader(const std::string& path);
    ~TFileReader();
    TFileReader(const TFileReader&) = delete;
    TFileReader& operator=(const TFileReader&) = delete;

    const std::string& Path() const { return FPath; }
    // The size when it was opened.
    uint64_t Size() const { return FSize; }
    // Up to count bytes at offset; fewer only at the end of the file. Throws FileError.
    size_t ReadAt(uint64_t offset, void* data, size_t count);
    // The next bytes in order; 0 at the end. Throws FileError.
    size_t Read(void* data, size_t count);

private:
    struct Handle;
    std::string FPath;
    std::unique_ptr<Handle> FHandle;
    uint64_t FSize = 0;
    uint64_t FPosition = 0;
};

} // namespace platform
