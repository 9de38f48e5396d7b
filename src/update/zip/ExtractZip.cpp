#include "platform/Files.h"
#include "platform/Paths.h"
#include "update/zip/ZipArchive.h"

#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace zip {
namespace {

std::string Reason(std::error_code code) {
    return " (" + code.message() + ")";
}

// A name that would land outside the unpacking folder: absolute, with a drive
// or stream colon, or with a part that Windows reads as the parent folder
// (it drops trailing dots and blanks, so ".. " and "..." count too).
bool IsSafeName(std::string_view name) {
    if (name.empty() || name.front() == '\\') return false;
    if (name.find('\0') != std::string_view::npos || name.find(':') != std::string_view::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t stop = name.find('\\', start);
        if (stop == std::string_view::npos) stop = name.size();
        std::string_view part = name.substr(start, stop - start);
        bool dotsAndBlanks = part.find_first_not_of(". ") == std::string_view::npos;
        if (dotsAndBlanks && part.find("..") != std::string_view::npos) return false;
        start = stop + 1;
    }
    return true;
}

constexpr char kDelim = platform::kPathDelim;

class Extractor {
public:
    Extractor(ZipArchive& archive) : FArchive(archive) {}

    // Creates the folder (native path) and the missing ones above it, one
    // level at a time, from the top down. Iterative: names may be deep.
    void EnsureFolder(std::string folder) {
        while (folder.size() > 1 && folder.back() == kDelim)
            folder.pop_back();
        if (folder.empty() || FKnownFolders.count(folder)) return;
        std::vector<size_t> missing; // lengths of the prefixes to create
        for (size_t length = folder.size(); length > 0;) {
            std::string prefix = folder.substr(0, length);
            if (FKnownFolders.count(prefix) || platform::DirectoryExists(prefix)) break;
            missing.push_back(length);
            size_t cut = folder.find_last_of(kDelim, length - 1);
            while (cut != std::string::npos && cut > 0 && folder[cut - 1] == kDelim)
                --cut;
            if (cut == std::string::npos || cut == 0) break;
            length = cut;
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            std::string prefix = folder.substr(0, *it);
            std::error_code error;
            if (!platform::CreateFolder(prefix, &error))
                throw ZipError("创建文件夹失败 : " + prefix + Reason(error));
        }
        FKnownFolders.insert(folder);
    }

    void WriteFile(const ZipEntry& entry, const std::string& target) {
        std::string folder = platform::ExtractFilePath(target);
        EnsureFolder(folder);

        try {
            platform::TTempFile file(target);
            FArchive.Read(entry, [&](const char* data, size_t size) { file.Write(data, size); });
            file.SetTimes(ModificationTime(entry));
            file.Commit(false);
        } catch (const platform::FileError& e) {
            throw ZipError("写入文件失败 : " + target + Reason(e.Code()));
        }
    }

private:
    ZipArchive& FArchive;
    std::unordered_set<std::string> FKnownFolders;
    uint32_t FLastDosStamp = 0;
    platform::FileTime FLastTime{};
    bool FHaveTime = false;

    // Packages often hold many files with one time stamp; mktime is not free.
    platform::FileTime ModificationTime(const ZipEntry& entry) {
        uint32_t stamp = (static_cast<uint32_t>(entry.dosDate) << 16) | entry.dosTime;
        if (!FHaveTime || stamp != FLastDosStamp) {
            FLastTime = DosTimeToFileTime(entry.dosDate, entry.dosTime);
            FLastDosStamp = stamp;
            FHaveTime = true;
        }
        return FLastTime;
    }
};

} // namespace

void ExtractZipTo(const std::string& archivePath, const std::string& folder) {
    ZipArchive archive(archivePath);
    for (const ZipEntry& entry : archive.Entries())
        if (!IsSafeName(entry.name))
            throw ZipError("条目名称不是压缩包内的相对路径 : " + archivePath + " : " + entry.name);

    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    Extractor out(archive);
    for (const ZipEntry& entry : archive.Entries()) {
        std::string path = platform::NativePath(base + entry.name);
        if (entry.isFolder) {
            out.EnsureFolder(path);
        } else {
            out.WriteFile(entry, path);
        }
    }
}

} // namespace zip
