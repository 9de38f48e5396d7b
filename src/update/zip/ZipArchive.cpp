#include "update/zip/ZipArchive.h"

#include "platform/Text.h"

#include <algorithm>
#include <ctime>
#include <string_view>
#include <system_error>
#include <zlib.h>

namespace zip {
namespace {

constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kEnd64Sig = 0x06064b50;
constexpr uint32_t kLocator64Sig = 0x07064b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint16_t kZip64Field = 0x0001;
constexpr uint16_t kUnicodePathField = 0x7075;
constexpr size_t kEndSize = 22;
constexpr size_t kLocator64Size = 20;
constexpr size_t kEnd64Size = 56;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr uint16_t kUtf8Flag = 1 << 11;

// Large blocks keep the number of system calls low on big packages; small
// entries lying side by side are served from one block.
constexpr size_t kBlockSize = 1 << 20;

uint16_t U16(const char* p) {
    auto b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
uint32_t U32(const char* p) {
    auto b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
uint64_t U64(const char* p) {
    return U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32);
}

uint32_t Crc32(uint32_t crc, const char* data, size_t size) {
    return static_cast<uint32_t>(crc32_z(crc, reinterpret_cast<const Bytef*>(data), size));
}

// The first extra-field block with this id, or nothing. A block that runs past
// the end stops the walk: what follows it cannot be told apart from noise.
bool FindExtraField(std::string_view extra, uint16_t id, std::string_view& data) {
    size_t p = 0;
    while (p + 4 <= extra.size()) {
        uint16_t fieldId = U16(extra.data() + p);
        size_t size = U16(extra.data() + p + 2);
        if (p + 4 + size > extra.size()) return false;
        if (fieldId == id) {
            data = extra.substr(p + 4, size);
            return true;
        }
        p += 4 + size;
    }
    return false;
}

std::string Cp437ToUtf8(std::string_view bytes) {
    bool ascii = std::all_of(bytes.begin(), bytes.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? std::string(bytes) : platform::ToUtf8(bytes, "CP437");
}

// The reason of the last failed call; strerror is not safe on a worker thread.
std::string Reason(std::error_code code) {
    return " (" + code.message() + ")";
}

const char* MethodName(uint16_t method) {
    switch (method) {
    case 1:
        return "shrink";
    case 6:
        return "implode";
    case 9:
        return "deflate64";
    case 12:
        return "bzip2";
    case 14:
        return "lzma";
    case 93:
        return "zstd";
    case 95:
        return "xz";
    case 96:
        return "jpeg";
    case 97:
        return "wavpack";
    case 98:
        return "ppmd";
    case 99:
        return "aes";
    default:
        return nullptr;
    }
}

} // namespace

struct ZipArchive::Impl {
    std::string path;
    std::unique_ptr<platform::TFileReader> file;
    uint64_t size = 0;
    // Where the central directory begins: every entry's data lies before it.
    uint64_t dataEnd = 0;

    std::vector<char> block = std::vector<char>(kBlockSize);
    uint64_t blockStart = 0;
    size_t blockLength = 0;
    std::vector<char> output;
    z_stream stream{};
    bool streamReady = false;

    ~Impl() {
        if (streamReady) inflateEnd(&stream);
    }

    [[noreturn]] void Corrupt(const std::string& what) const {
        throw ZipError("压缩包已损坏 : " + path + " (" + what + ")");
    }
    [[noreturn]] void EntryFailure(const std::string& text, const ZipEntry& entry) const {
        throw ZipError(text + " : " + path + " : " + entry.name);
    }

    void ReadAt(uint64_t offset, char* dst, size_t count) {
        if (offset > size || count > size - offset) Corrupt("文件不完整");
        size_t n = 0;
        try {
            n = file->ReadAt(offset, dst, count);
        } catch (const platform::FileError& e) {
            throw ZipError("读取压缩包失败 : " + path + Reason(e.Code()));
        }
        if (n != count) Corrupt("文件不完整"); // shrank while we read it
    }

    // count bytes at offset (count <= kBlockSize), valid until the next call.
    const char* Fetch(uint64_t offset, size_t count) {
        if (offset > size || count > size - offset) Corrupt("文件不完整");
        if (offset >= blockStart && offset + count <= blockStart + blockLength)
            return block.data() + (offset - blockStart);
        size_t length = static_cast<size_t>(std::min<uint64_t>(block.size(), size - offset));
        ReadAt(offset, block.data(), length);
        blockStart = offset;
        blockLength = length;
        return block.data();
    }
};

platform::FileTime DosTimeToFileTime(uint16_t dosDate, uint16_t dosTime) {
    std::tm tm{};
    tm.tm_year = ((dosDate >> 9) & 0x7F) + 80;
    tm.tm_mon = ((dosDate >> 5) & 0x0F) - 1;
    tm.tm_mday = dosDate & 0x1F;
    tm.tm_hour = (dosTime >> 11) & 0x1F;
    tm.tm_min = (dosTime >> 5) & 0x3F;
    tm.tm_sec = (dosTime & 0x1F) * 2;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

ZipArchive::ZipArchive(const std::string& path) : FPath(path), FImpl(std::make_unique<Impl>()) {
    Impl& z = *FImpl;
    z.path = path;
    try {
        z.file = std::make_unique<platform::TFileReader>(path);
    } catch (const platform::FileError& e) {
        const bool folder = e.Code() == std::errc::is_a_directory;
        throw ZipError("打开压缩包失败 : " + path + (folder ? " (不是文件)" : Reason(e.Code())));
    }
    z.size = z.file->Size();

    // End-of-central-directory record: the last one whose comment reaches the
    // end of the file exactly; failing that, the last one that fits.
    if (z.size < kEndSize) z.Corrupt("找不到中央目录结尾记录");
    size_t tailSize = static_cast<size_t>(std::min<uint64_t>(z.size, kEndSize + 0xFFFF));
    std::string tail(tailSize, '\0');
    z.ReadAt(z.size - tailSize, tail.data(), tailSize);
    size_t endPos = std::string::npos;
    size_t fallback = std::string::npos;
    for (size_t i = tailSize - kEndSize + 1; i-- > 0;) {
        if (U32(tail.data() + i) != kEndSig) continue;
        size_t reach = i + kEndSize + U16(tail.data() + i + 20);
        if (reach == tailSize) {
            endPos = i;
            break;
        }
        if (reach < tailSize && fallback == std::string::npos) fallback = i;
    }
    if (endPos == std::string::npos) endPos = fallback;
    if (endPos == std::string::npos) z.Corrupt("找不到中央目录结尾记录");
    const char* end = tail.data() + endPos;
    uint64_t endOffset = z.size - tailSize + endPos;
    uint32_t disk = U16(end + 4), cdDisk = U16(end + 6);
    uint64_t diskEntries = U16(end + 8), count = U16(end + 10);
    uint64_t cdSize = U32(end + 12), cdOffset = U32(end + 16);
    uint64_t cdLimit = endOffset; // the directory ends before the record that describes it

    // A ZIP64 locator right before the record points at the ZIP64 end record,
    // which holds the counts and offsets that did not fit.
    bool zip64 = false;
    if (endOffset >= kLocator64Size) {
        char loc[kLocator64Size];
        z.ReadAt(endOffset - kLocator64Size, loc, kLocator64Size);
        if (U32(loc) == kLocator64Sig) {
            zip64 = true;
            uint64_t end64Offset = U64(loc + 8);
            if (U32(loc + 4) != 0 || U32(loc + 16) > 1)
                throw ZipError("不支持分卷压缩包 : " + path);
            if (end64Offset > endOffset - kLocator64Size ||
                endOffset - kLocator64Size - end64Offset < kEnd64Size)
                z.Corrupt("ZIP64 结尾记录位置无效");
            char end64[kEnd64Size];
            z.ReadAt(end64Offset, end64, kEnd64Size);
            if (U32(end64) != kEnd64Sig) z.Corrupt("找不到 ZIP64 结尾记录");
            disk = U32(end64 + 16);
            cdDisk = U32(end64 + 20);
            diskEntries = U64(end64 + 24);
            count = U64(end64 + 32);
            cdSize = U64(end64 + 40);
            cdOffset = U64(end64 + 48);
            cdLimit = end64Offset;
        }
    }
    if (!zip64 && (cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF))
        z.Corrupt("缺少 ZIP64 结尾记录");
    if (disk != 0 || cdDisk != 0 || diskEntries != count)
        throw ZipError("不支持分卷压缩包 : " + path);
    if (cdOffset > cdLimit || cdSize > cdLimit - cdOffset) z.Corrupt("中央目录超出文件范围");
    if (count > cdSize / kCentralSize) z.Corrupt("中央目录条目数无效");
    z.dataEnd = cdOffset;

    std::string cd(static_cast<size_t>(cdSize), '\0');
    z.ReadAt(cdOffset, cd.data(), cd.size());

    FEntries.reserve(static_cast<size_t>(count));
    size_t p = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (cd.size() - p < kCentralSize) z.Corrupt("中央目录不完整");
        const char* h = cd.data() + p;
        if (U32(h) != kCentralSig) z.Corrupt("中央目录条目无效");
        size_t nameLength = U16(h + 28), extraLength = U16(h + 30), commentLength = U16(h + 32);
        if (cd.size() - p - kCentralSize < nameLength + extraLength + commentLength)
            z.Corrupt("中央目录不完整");
        ZipEntry e;
        e.flags = U16(h + 8);
        e.method = U16(h + 10);
        e.dosTime = U16(h + 12);
        e.dosDate = U16(h + 14);
        e.crc32 = U32(h + 16);
        e.compressedSize = U32(h + 20);
        e.uncompressedSize = U32(h + 24);
        e.localHeaderOffset = U32(h + 42);
        std::string_view header(h + kCentralSize, nameLength);
        std::string_view extra(h + kCentralSize + nameLength, extraLength);

        if (e.uncompressedSize == 0xFFFFFFFF || e.compressedSize == 0xFFFFFFFF ||
            e.localHeaderOffset == 0xFFFFFFFF) {
            std::string_view field;
            bool found = FindExtraField(extra, kZip64Field, field);
            size_t q = 0;
            auto next = [&](uint64_t& value) {
                if (value != 0xFFFFFFFF) return;
                if (!found || field.size() - q < 8) z.Corrupt("ZIP64 扩展字段不完整");
                value = U64(field.data() + q);
                q += 8;
            };
            next(e.uncompressedSize);
            next(e.compressedSize);
            next(e.localHeaderOffset);
        }

        // Packers set the UTF-8 flag only on entries whose names need it, so
        // each name is decoded by its own flag.
        std::string_view unicode;
        if (FindExtraField(extra, kUnicodePathField, unicode) && unicode.size() >= 5 &&
            U32(unicode.data() + 1) == Crc32(0, header.data(), header.size()))
            e.name = platform::ToUtf8(unicode.substr(5), "UTF-8");
        else if (e.flags & kUtf8Flag)
            e.name = platform::ToUtf8(header, "UTF-8");
        else
            e.name = Cp437ToUtf8(header);
        std::replace(e.name.begin(), e.name.end(), '/', '\\');
        e.isFolder = !e.name.empty() && e.name.back() == '\\';

        if (e.localHeaderOffset >= z.dataEnd || z.dataEnd - e.localHeaderOffset < kLocalSize ||
            e.compressedSize > z.dataEnd - e.localHeaderOffset - kLocalSize)
            z.Corrupt("条目数据超出文件范围");
        FEntries.push_back(std::move(e));
        p += kCentralSize + nameLength + extraLength + commentLength;
    }
}

ZipArchive::~ZipArchive() = default;

void ZipArchive::Read(const ZipEntry& entry, const Sink& sink) {
    Impl& z = *FImpl;
    if (entry.IsEncrypted()) z.EntryFailure("不支持加密的条目", entry);
    if (entry.method != 0 && entry.method != 8) {
        std::string method = std::to_string(entry.method);
        if (const char* name = MethodName(entry.method)) method += std::string(" (") + name + ")";
        z.EntryFailure("不支持的压缩方式 " + method, entry);
    }

    const char* local = z.Fetch(entry.localHeaderOffset, kLocalSize);
    if (U32(local) != kLocalSig) z.EntryFailure("压缩包已损坏 (本地文件头无效)", entry);
    uint64_t dataStart = entry.localHeaderOffset + kLocalSize + U16(local + 26) + U16(local + 28);
    if (dataStart > z.dataEnd || entry.compressedSize > z.dataEnd - dataStart)
        z.EntryFailure("压缩包已损坏 (条目数据超出文件范围)", entry);

    uint32_t crc = 0;
    uint64_t produced = 0;
    uint64_t offset = dataStart;
    uint64_t remaining = entry.compressedSize;
    if (entry.method == 0) {
        if (entry.compressedSize != entry.uncompressedSize) z.EntryFailure("条目长度不符", entry);
        while (remaining > 0) {
            size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, kBlockSize));
            const char* data = z.Fetch(offset, n);
            crc = Crc32(crc, data, n);
            sink(data, n);
            offset += n;
            remaining -= n;
            produced += n;
        }
    } else if (remaining > 0 || entry.uncompressedSize > 0) {
        if (!z.streamReady) {
            if (inflateInit2(&z.stream, -MAX_WBITS) != Z_OK) throw ZipError("解压初始化失败");
            z.streamReady = true;
            z.output.resize(kBlockSize);
        } else {
            inflateReset(&z.stream);
        }
        z_stream& s = z.stream;
        s.avail_in = 0;
        for (;;) {
            if (s.avail_in == 0 && remaining > 0) {
                size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, kBlockSize));
                s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(z.Fetch(offset, n)));
                s.avail_in = static_cast<uInt>(n);
                offset += n;
                remaining -= n;
            }
            s.next_out = reinterpret_cast<Bytef*>(z.output.data());
            s.avail_out = static_cast<uInt>(z.output.size());
            int rc = inflate(&s, Z_NO_FLUSH);
            size_t have = z.output.size() - s.avail_out;
            if (have > 0) {
                produced += have;
                // Stops a lying header before it fills the disk.
                if (produced > entry.uncompressedSize) z.EntryFailure("条目长度不符", entry);
                crc = Crc32(crc, z.output.data(), have);
                sink(z.output.data(), have);
            }
            if (rc == Z_STREAM_END) break;
            if (rc == Z_BUF_ERROR && s.avail_in == 0 && remaining == 0)
                z.EntryFailure("压缩包已损坏 (条目数据不完整)", entry);
            if (rc != Z_OK && rc != Z_BUF_ERROR)
                z.EntryFailure("压缩包已损坏 (条目数据无法解压)", entry);
        }
    }
    if (produced != entry.uncompressedSize) z.EntryFailure("条目长度不符", entry);
    if (crc != entry.crc32) z.EntryFailure("条目校验失败 (CRC-32)", entry);
}

std::string ZipArchive::ReadToString(const ZipEntry& entry) {
    std::string out;
    Read(entry, [&](const char* data, size_t size) { out.append(data, size); });
    return out;
}

} // namespace zip
