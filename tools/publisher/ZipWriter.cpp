#include "ZipWriter.h"

#include <stdexcept>
#include <zlib.h>

namespace {

void Put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, static_cast<uint16_t>(v & 0xFFFF));
    Put16(s, static_cast<uint16_t>(v >> 16));
}

std::string Deflate(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

constexpr uint16_t kUtf8 = 0x0800;

} // namespace

void ZipWriter::Add(const std::string& name, const std::string& data, std::time_t modified) {
    std::tm t{};
    localtime_r(&modified, &t);
    Entry e;
    e.name = name;
    e.crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    e.size = static_cast<uint32_t>(data.size());
    e.time = static_cast<uint16_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
    e.date = static_cast<uint16_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
    std::string packed = data.empty() ? std::string() : Deflate(data);
    e.method = packed.size() < data.size() ? 8 : 0;
    const std::string& body = e.method == 8 ? packed : data;
    e.compressed = static_cast<uint32_t>(body.size());
    e.offset = static_cast<uint32_t>(FOut.size());

    Put32(FOut, 0x04034b50);
    Put16(FOut, 20);
    Put16(FOut, kUtf8);
    Put16(FOut, e.method);
    Put16(FOut, e.time);
    Put16(FOut, e.date);
    Put32(FOut, e.crc);
    Put32(FOut, e.compressed);
    Put32(FOut, e.size);
    Put16(FOut, static_cast<uint16_t>(name.size()));
    Put16(FOut, 0);
    FOut += name;
    FOut += body;
    FEntries.push_back(e);
}

std::string ZipWriter::Finish() {
    uint32_t start = static_cast<uint32_t>(FOut.size());
    for (const Entry& e : FEntries) {
        Put32(FOut, 0x02014b50);
        Put16(FOut, 0x0314); // made by Unix, version 2.0
        Put16(FOut, 20);
        Put16(FOut, kUtf8);
        Put16(FOut, e.method);
        Put16(FOut, e.time);
        Put16(FOut, e.date);
        Put32(FOut, e.crc);
        Put32(FOut, e.compressed);
        Put32(FOut, e.size);
        Put16(FOut, static_cast<uint16_t>(e.name.size()));
        Put16(FOut, 0);
        Put16(FOut, 0);
        Put16(FOut, 0);
        Put16(FOut, 0);
        bool folder = !e.name.empty() && e.name.back() == '/';
        Put32(FOut, (folder ? 040755u : 0100644u) << 16);
        Put32(FOut, e.offset);
        FOut += e.name;
    }
    uint32_t size = static_cast<uint32_t>(FOut.size()) - start;
    Put32(FOut, 0x06054b50);
    Put16(FOut, 0);
    Put16(FOut, 0);
    Put16(FOut, static_cast<uint16_t>(FEntries.size()));
    Put16(FOut, static_cast<uint16_t>(FEntries.size()));
    Put32(FOut, size);
    Put32(FOut, start);
    Put16(FOut, 0);
    return std::move(FOut);
}
