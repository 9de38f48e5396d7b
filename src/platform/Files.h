#pragma once
// File services the updater relies on. Every path here is a native path
// (see NativePath); callers convert the system's relative names first.
#include <chrono>
#include <functional>
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
// Creates one folder level; true when it exists afterwards.
bool CreateFolder(const std::string& path);
// Adds the execute bits wherever the read bits are set.
bool SetExecutable(const std::string& path);

using FileTime = std::chrono::system_clock::time_point;
bool GetFileModificationTime(const std::string& path, FileTime& time);
bool SetFileModificationTime(const std::string& path, FileTime time);

} // namespace platform
