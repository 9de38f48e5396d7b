// Turns a release folder into what the update server publishes: the answer
// to the list request (with sizes and MD5s) and the files it lists.
//
//   publisher <release folder> <release.json> <output folder> <base url>
//
// release.json:
//   {"appName": "...", "notes": ["line", ...], "loaderName": "Varnoke.exe",
//    "zipFolders": ["skins"], "updater": "updater",
//    "versions": {"Varnoke.exe": 2, "skins": 1}, "defaultVersion": 1,
//    "remarks": {"Varnoke.exe": "..."}}
// Every file of the release becomes one entry with its folder as clientDir;
// a folder named in zipFolders becomes one zip package unpacked into that
// folder; the file named by "updater" is listed as "updater.exe", the name
// that marks the updater itself. Names in versions/remarks use '/'.
#include "ZipWriter.h"
#include "platform/Md5.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + p.string());
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& p, const std::string& data) {
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    if (!f.write(data.data(), static_cast<std::streamsize>(data.size())))
        throw std::runtime_error("cannot write " + p.string());
}

std::string Backslashes(std::string s) {
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

std::string UrlEncode(const std::string& s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::time_t ModifiedTime(const fs::path& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 ? st.st_mtime : std::time(nullptr);
}

// The package of one folder; entries in name order, folders included.
std::string PackFolder(const fs::path& folder) {
    std::vector<fs::path> paths;
    for (const auto& e : fs::recursive_directory_iterator(folder)) paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    ZipWriter zip;
    for (const auto& p : paths) {
        std::string name = fs::relative(p, folder).generic_string();
        if (fs::is_directory(p))
            zip.Add(name + "/", "", ModifiedTime(p));
        else
            zip.Add(name, ReadAll(p), ModifiedTime(p));
    }
    return zip.Finish();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: publisher <release folder> <release.json> <output folder> <base url>\n";
        return 2;
    }
    try {
        fs::path release = argv[1];
        json desc = json::parse(ReadAll(argv[2]));
        fs::path out = argv[3];
        std::string base = argv[4];
        if (!base.empty() && base.back() != '/') base += '/';

        std::vector<std::string> zipFolders = desc.value("zipFolders", std::vector<std::string>{});
        std::string updater = desc.value("updater", "");
        json versions = desc.value("versions", json::object());
        json remarks = desc.value("remarks", json::object());
        int defaultVersion = desc.value("defaultVersion", 1);
        auto isZipFolder = [&](const std::string& rel) {
            return std::find(zipFolders.begin(), zipFolders.end(), rel) != zipFolders.end();
        };

        fs::remove_all(out / "files");
        json list = json::array();
        auto addEntry = [&](const std::string& rel, const std::string& fileName, const std::string& clientDir,
                            const std::string& type, const std::string& data) {
            std::string served = "files/" + rel + (type == "zip" ? ".zip" : "");
            WriteAll(out / served, data);
            list.push_back({{"fileName", fileName},
                            {"clientDir", Backslashes(clientDir)},
                            {"fileVer", std::to_string(versions.value(rel, defaultVersion))},
                            {"fileType", type},
                            {"fileSize", data.size()},
                            {"fileUrl", base + UrlEncode(served)},
                            {"md5", platform::Md5Hex(data)},
                            {"remark", remarks.value(rel, "")}});
        };

        std::vector<fs::path> paths;
        for (auto it = fs::recursive_directory_iterator(release); it != fs::recursive_directory_iterator(); ++it) {
            std::string rel = fs::relative(it->path(), release).generic_string();
            if (it->is_directory() && isZipFolder(rel)) {
                paths.push_back(it->path());
                it.disable_recursion_pending();
            } else if (!it->is_directory()) {
                paths.push_back(it->path());
            }
        }
        std::sort(paths.begin(), paths.end());
        for (const auto& p : paths) {
            std::string rel = fs::relative(p, release).generic_string();
            std::string folder = fs::path(rel).parent_path().generic_string();
            if (fs::is_directory(p)) {
                // Unpacked into the folder of the same name.
                addEntry(rel, fs::path(rel).filename().string() + ".zip", rel, "zip", PackFolder(p));
            } else {
                std::string name = rel == updater ? "updater.exe" : p.filename().string();
                std::string ext = p.extension().string();
                addEntry(rel, name, folder, ext.size() > 1 ? ext.substr(1) : "file", ReadAll(p));
            }
        }

        json notes = desc.value("notes", json::array());
        json data = {{"updateLog", notes.dump()}, {"appName", desc.value("appName", "")}, {"fileList", list}};
        if (desc.contains("loaderName")) data["loaderName"] = desc["loaderName"];
        json answer = {{"errcode", 0}, {"errmsg", ""}, {"data", data}};
        WriteAll(out / "filelist.json", answer.dump(2));
        std::cout << "published " << list.size() << " entries to " << out.string() << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "publisher: " << e.what() << "\n";
        return 1;
    }
}
