#pragma once
// A small zip reader over zlib. We read the archives ourselves because the
// entry names follow exact rules (Unicode-path field, else UTF-8 or code page
// 437 by each entry's own flag) that general archive libraries decide
// differently, and the same code builds for Linux and Windows.
#include "platform/Files.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zip {

// Any failure to read or unpack a package; what() is the text shown to the user.
class ZipError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ZipEntry {
    // UTF-8, with every '/' turned into a backslash, as the system names files.
    std::string name;
    // The name ends with a backslash: the entry only makes a folder.
    bool isFolder = false;
    uint16_t flags = 0;  // general-purpose bit flags
    uint16_t method = 0; // 0 stored, 8 deflated; others are refused when read
    uint32_t crc32 = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint64_t localHeaderOffset = 0;

    bool IsEncrypted() const { return (flags & 1) != 0; }
};

// The DOS date and time as local time, the way zip tools store them.
platform::FileTime DosTimeToFileTime(uint16_t dosDate, uint16_t dosTime);

class ZipArchive {
public:
    // Receives the uncompressed bytes in order, in chunks.
    using Sink = std::function<void(const char* data, size_t size)>;

    // Opens the archive and reads its central directory; throws ZipError.
    explicit ZipArchive(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    const std::string& Path() const { return FPath; }
    // In central-directory order.
    const std::vector<ZipEntry>& Entries() const { return FEntries; }

    // Streams the entry's data into sink, checking its length and CRC-32.
    // The bytes reach the sink before those checks end: the caller keeps what
    // it received only when Read returns. Throws ZipError (an exception from
    // the sink passes through).
    void Read(const ZipEntry& entry, const Sink& sink);
    // The whole entry in memory; for small entries.
    std::string ReadToString(const ZipEntry& entry);

private:
    struct Impl;
    std::string FPath;
    std::vector<ZipEntry> FEntries;
    std::unique_ptr<Impl> FImpl;
};

// Unpacks the archive into folder (an absolute path that may hold the system's
// backslashes). Every entry name is checked before anything is written; each
// file goes to a temporary file beside its target and replaces the target only
// once its length and CRC-32 are right. Throws ZipError.
void ExtractZipTo(const std::string& archivePath, const std::string& folder);

} // namespace zip
