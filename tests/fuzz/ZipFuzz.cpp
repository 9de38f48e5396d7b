// A zip package as the download worker unpacks it: opened, every entry read
// (length and CRC-32 checked), then unpacked into a fresh folder. zip::ZipError
// and the file services' platform::FileError are the package being refused;
// anything else is a finding, and so is anything written outside the folder.
#include "FuzzTargets.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "update/zip/ZipArchive.h"

#include <filesystem>
#include <fstream>
#include <map>

namespace fuzz {
namespace {

namespace fs = std::filesystem;

// Lexically inside (or equal to) folder, after "." and ".." are resolved.
bool Within(const fs::path& path, const fs::path& folder) {
    const fs::path rel = path.lexically_normal().lexically_relative(folder.lexically_normal());
    return !rel.empty() && *rel.begin() != "..";
}

void CheckNothingEscaped(const fs::path& scratch, const fs::path& outer, const fs::path& out) {
    // The scratch folder holds the package and the outer folder, the outer
    // folder only the unpacking folder.
    for (const auto& e : fs::directory_iterator(scratch))
        if (e.path().filename() != "in.zip" && e.path().filename() != "a")
            throw Finding("written beside the package: " + e.path().string());
    for (const auto& e : fs::directory_iterator(outer))
        if (e.path() != out) throw Finding("written beside the folder: " + e.path().string());
    // The reader makes no links; one would let a later entry write elsewhere.
    for (const auto& e : fs::recursive_directory_iterator(out))
        if (e.is_symlink()) throw Finding("a link was made: " + e.path().string());
}

// Where each entry goes, the last one of a name winning. Once anything was
// written every name had passed the check, so every one must stay inside.
std::map<fs::path, const zip::ZipEntry*> Targets(const zip::ZipArchive& archive,
                                                 const fs::path& out) {
    std::map<fs::path, const zip::ZipEntry*> last;
    for (const zip::ZipEntry& entry : archive.Entries()) {
        const fs::path target = (out / platform::NativePath(entry.name)).lexically_normal();
        if (!Within(target, out)) throw Finding("an entry name leaves the folder: " + entry.name);
        last[target] = &entry;
    }
    return last;
}

// After a complete unpacking every entry stands where its name says, as a
// file of its length or as a folder.
void CheckUnpacked(const zip::ZipArchive& archive, const fs::path& out) {
    for (const auto& [target, entry] : Targets(archive, out)) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(target, ec);
        const bool right = entry->isFolder
                               ? fs::is_directory(status)
                               : fs::is_regular_file(status) &&
                                     fs::file_size(target, ec) == entry->uncompressedSize;
        if (!right) throw Finding("an entry is not in place: " + entry->name);
    }
}

} // namespace

int ZipExtract(const uint8_t* data, size_t size) {
    const fs::path scratch = ScratchFolder("zip");
    const fs::path package = scratch / "in.zip";
    const fs::path outer = scratch / "a";
    const fs::path out = outer / "out";
    fs::remove_all(outer);
    fs::create_directories(out);
    std::ofstream(package, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    try {
        zip::ZipArchive archive(package.string());
        for (const zip::ZipEntry& entry : archive.Entries()) {
            try {
                uint64_t length = 0;
                archive.Read(entry, [&](const char*, size_t n) { length += n; });
                if (length != entry.uncompressedSize)
                    throw Finding("an entry read to another length: " + entry.name);
            } catch (const zip::ZipError&) {
                // The next entry is read all the same.
            }
        }
        bool complete = false;
        try {
            zip::ExtractZipTo(package.string(), out.string());
            complete = true;
        } catch (const zip::ZipError&) {
        } catch (const platform::FileError&) {
        }
        CheckNothingEscaped(scratch, outer, out);
        if (complete)
            CheckUnpacked(archive, out);
        else if (!fs::is_empty(out))
            Targets(archive, out);
    } catch (const zip::ZipError&) {
    } catch (const platform::FileError&) {
    }
    return 0;
}

} // namespace fuzz
