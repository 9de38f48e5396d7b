#include "platform/Md5.h"

#include "platform/Files.h"

#include <vector>

namespace platform {

std::string Md5Hex(std::string_view data) {
    Md5 md5;
    md5.Update(data.data(), data.size());
    return md5.HexDigest();
}

std::string Md5File(const std::string& path, const std::atomic<bool>* cancel) {
    TFileReader file(path);
    Md5 md5;
    // Large blocks: the digest is the same, the reads are far fewer.
    std::vector<char> buf(1 << 20);
    for (;;) {
        if (cancel && *cancel)
            throw FileError(file.Path(), std::make_error_code(std::errc::operation_canceled));
        size_t n = file.Read(buf.data(), buf.size());
        if (n == 0) break;
        md5.Update(buf.data(), n);
    }
    return md5.HexDigest();
}

} // namespace platform
