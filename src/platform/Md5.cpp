#include "platform/Md5.h"

#include "platform/Files.h"

#include <memory>

namespace platform {

std::string Md5Hex(std::string_view data) {
    Md5 md5;
    md5.Update(data.data(), data.size());
    return md5.HexDigest();
}

std::string Md5File(const std::string& path, const std::atomic<bool>* cancel) {
    TFileReader file(path);
    Md5 md5;
    // Large blocks: the digest is the same, the reads are far fewer. Not
    // cleared first: that cost a megabyte of writes for every small file.
    constexpr size_t kBlock = 1 << 20;
    const auto buf = std::make_unique_for_overwrite<char[]>(kBlock);
    for (;;) {
        if (cancel && *cancel)
            throw FileError(file.Path(), std::make_error_code(std::errc::operation_canceled));
        size_t n = file.Read(buf.get(), kBlock);
        if (n == 0) break;
        md5.Update(buf.get(), n);
    }
    return md5.HexDigest();
}

} // namespace platform
