// Turns a release folder into what the update server publishes: the answer
// to the list request (with sizes and MD5s) and the files it lists.
//
//   publisher [publish] <release folder> <release.json> <output folder> <base url>
//             [--key private.pem [--serial n] [--expires-days d]]
//   publisher keygen <private key file> <public key file>
//
// The command line has subcommands so that more release tasks can join
// "publish"; a first argument that names no subcommand means "publish".
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
#include "CommandLine.h"
#include "ListSigning.h"
#include "NginxConfig.h"
#include "ZipWriter.h"
#include "platform/Md5.h"
#include "platform/Sha256.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>
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
    for (const auto& e : fs::recursive_directory_iterator(folder))
        paths.push_back(e.path());
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

bool IsText(const json& v) {
    return v.is_string();
}
bool IsWholeNumber(const json& v) {
    return v.is_number_integer();
}
bool IsTextList(const json& v) {
    return v.is_array() &&
           std::all_of(v.begin(), v.end(), [](const json& e) { return e.is_string(); });
}
bool IsNumberPerPath(const json& v) {
    return v.is_object() &&
           std::all_of(v.begin(), v.end(), [](const json& e) { return e.is_number_integer(); });
}
bool IsTextPerPath(const json& v) {
    return v.is_object() &&
           std::all_of(v.begin(), v.end(), [](const json& e) { return e.is_string(); });
}

// The members of release.json: what the help shows and what is checked.
struct Member {
    const char* name;
    const char* kind;
    bool (*fits)(const json&);
    const char* help;
};

const Member kMembers[] = {
    {"appName", "text", IsText,
     "The application's name, shown at the top of the updater's main window."},
    {"notes", "list of texts", IsTextList,
     "The release notes, one text per line, listed in the main window (sent as the list's "
     "updateLog)."},
    {"loaderName", "text", IsText,
     "The program the updater starts at the end, with the agent code as its argument; when it is "
     "not "
     "Varnoke.exe, Varnoke.exe is copied to it first. Left out: Varnoke.exe itself is started."},
    {"zipFolders", "list of paths", IsTextList,
     "Folders of the release sent as one zip package each (<folder>.zip), unpacked by the updater "
     "into that "
     "folder. Every other file is sent on its own, into its folder."},
    {"updater", "path", IsText,
     "The file of the release that is the updater's new copy. It is listed as updater.exe, the "
     "name by which "
     "the updater recognises itself: it replaces itself with it through its hand-off copy."},
    {"versions", "object: path -> whole number", IsNumberPerPath,
     "The version of a file or zip folder. The updater fetches a file when its MD5 differs from "
     "the installed "
     "file's and this version is higher than the one recorded in version.ini (or either is 0)."},
    {"defaultVersion", "whole number", IsWholeNumber,
     "The version of everything versions leaves out; 1 when left out."},
    {"remarks", "object: path -> text", IsTextPerPath,
     "A remark on a file, sent in its entry (remark); the updater keeps it with the file, its "
     "windows do not show it."},
};

const char* kExample = R"({"appName": "Varnoke", "notes": ["Faster downloads", "A blue skin"],
 "loaderName": "Varnoke.exe", "zipFolders": ["skins"], "updater": "updater",
 "versions": {"Varnoke.exe": 2, "skins": 1, "plugins/report.dll": 3}, "defaultVersion": 1,
 "remarks": {"Varnoke.exe": "the main program"}})";

// Words of text in lines of at most width columns, each after indent blanks.
std::string Wrap(const std::string& text, size_t indent, size_t width) {
    std::istringstream words(text);
    std::string out, line, word;
    while (words >> word) {
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += std::string(indent, ' ') + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) out += std::string(indent, ' ') + line + "\n";
    return out;
}

std::string DescriptionHelp() {
    std::string out = "release.json, the release's description: a JSON object whose members may "
                      "all be left out.\n"
                      "Paths are relative to the release folder, with '/' between folders.\n";
    for (const Member& m : kMembers) {
        out += "  " + std::string(m.name) + " (" + m.kind + ")\n";
        out += Wrap(m.help, 6, 100);
    }
    out += "Example:\n";
    std::istringstream lines(kExample);
    for (std::string line; std::getline(lines, line);)
        out += "  " + line + "\n";
    out += "Writes <output folder>/filelist.json (the answer to the list request) and <output "
           "folder>/files/\n"
           "(emptied first: the release's files and packages, at <base url>files/<path>).\n"
           "Exit status: 2 the command line is wrong; 1 publishing failed (release.json, reading "
           "or writing).";
    return out;
}

json ReadDescription(const fs::path& file) {
    json desc;
    try {
        desc = json::parse(ReadAll(file));
    } catch (const json::parse_error& e) {
        throw std::runtime_error(file.string() + " is not JSON: " + e.what());
    }
    if (!desc.is_object()) throw std::runtime_error(file.string() + " is not a JSON object");
    for (const auto& [name, value] : desc.items()) {
        auto m = std::find_if(std::begin(kMembers), std::end(kMembers),
                              [&](const Member& m) { return name == m.name; });
        if (m == std::end(kMembers))
            throw std::runtime_error(file.string() + ": unknown member \"" + name +
                                     "\" (see publisher --help)");
        if (!m->fits(value))
            throw std::runtime_error(file.string() + ": \"" + name + "\" must be: " + m->kind +
                                     " (see publisher --help)");
    }
    return desc;
}

// A path of the description that names nothing in the release is most likely
// a typing error; said, not refused, as a release may drop a part for a while.
void WarnAboutNamesNotInRelease(const json& desc, const fs::path& release) {
    auto warn = [](const std::string& member, const std::string& path, const char* what) {
        std::cerr << "publisher: warning: " << member << " names \"" << path << "\", which is not "
                  << what << " of the release\n";
    };
    for (const auto& folder : desc.value("zipFolders", json::array()))
        if (!fs::is_directory(release / folder.get<std::string>()))
            warn("zipFolders", folder.get<std::string>(), "a folder");
    if (desc.contains("updater") &&
        !fs::is_regular_file(release / desc["updater"].get<std::string>()))
        warn("updater", desc["updater"].get<std::string>(), "a file");
    for (const char* member : {"versions", "remarks"}) {
        json perPath = desc.value(member, json::object()); // items() would outlive a temporary
        for (const auto& [path, value] : perPath.items())
            if (!fs::exists(release / path)) warn(member, path, "a file or folder");
    }
}

struct PublishArgs {
    std::string release, description, out, base;
    std::string key;      // private key file; empty: the list is not signed
    long long serial = 0; // 0: one more than the last signed list of the output folder
    int expiresDays = 30;
    bool nginx = false; // also write nginx-release.conf
};

// The serial of the list the output folder holds now, or 0.
long long PreviousSerial(const fs::path& list) {
    std::error_code ec;
    if (!fs::exists(list, ec)) return 0;
    try {
        json old = json::parse(ReadAll(list));
        if (old.is_object() && old.contains("serial") && old["serial"].is_number_integer())
            return old["serial"].get<long long>();
    } catch (const json::exception&) {
    }
    return 0;
}

void Publish(const PublishArgs& args) {
    fs::path release = args.release;
    json desc = ReadDescription(args.description);
    WarnAboutNamesNotInRelease(desc, release);
    fs::path out = args.out;
    std::string base = args.base;
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
    auto addEntry = [&](const std::string& rel, const std::string& fileName,
                        const std::string& clientDir, const std::string& type,
                        const std::string& data) {
        std::string served = "files/" + rel + (type == "zip" ? ".zip" : "");
        WriteAll(out / served, data);
        list.push_back({{"fileName", fileName},
                        {"clientDir", Backslashes(clientDir)},
                        {"fileVer", std::to_string(versions.value(rel, defaultVersion))},
                        {"fileType", type},
                        {"fileSize", data.size()},
                        {"fileUrl", base + UrlEncode(served)},
                        {"md5", platform::Md5Hex(data)},
                        {"sha256", platform::Sha256Hex(data)},
                        {"remark", remarks.value(rel, "")}});
    };

    std::vector<fs::path> paths;
    for (auto it = fs::recursive_directory_iterator(release);
         it != fs::recursive_directory_iterator(); ++it) {
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
    json data = {
        {"updateLog", notes.dump()}, {"appName", desc.value("appName", "")}, {"fileList", list}};
    if (desc.contains("loaderName")) data["loaderName"] = desc["loaderName"];
    json answer = {{"errcode", 0}, {"errmsg", ""}, {"data", data}};
    const fs::path listFile = out / "filelist.json";
    const fs::path sigFile = out / "filelist.json.sig";
    auto writeNginx = [&](const std::string& signature) {
        if (!args.nginx) return;
        WriteAll(out / "nginx-release.conf",
                 NginxLocations(fs::absolute(out).lexically_normal().string(), signature));
    };
    if (args.key.empty()) {
        // A signature left from an earlier release would not match this list.
        fs::remove(sigFile);
        WriteAll(listFile, answer.dump(2));
        writeNginx("");
        std::cout << "published " << list.size() << " entries to " << out.string() << "\n";
        return;
    }
    const long long serial = args.serial > 0 ? args.serial : PreviousSerial(listFile) + 1;
    const long long expires =
        static_cast<long long>(std::time(nullptr)) + 86400LL * args.expiresDays;
    answer["serial"] = serial;
    answer["expires"] = expires;
    const std::string text = answer.dump(2);
    const std::string signature = Base64(SignWithKeyFile(args.key, text));
    WriteAll(listFile, text);
    WriteAll(sigFile, signature + "\n");
    writeNginx(signature);
    std::cout << "published " << list.size() << " entries to " << out.string()
              << ", signed: serial " << serial << ", expires in " << args.expiresDays << " days\n";
}

const CLI::Validator kHttpUrl(
    [](std::string& url) -> std::string {
        if (url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0) return "";
        return "not an http:// or https:// URL: " + url;
    },
    "URL");

const CLI::Validator kFolderOrAbsent(
    [](std::string& path) -> std::string {
        std::error_code ec;
        if (!fs::exists(path, ec) || fs::is_directory(path, ec)) return "";
        return "not a folder: " + path;
    },
    "DIR");

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Publishes releases for the development update server (devserver).\n"
                 "  publisher <release folder> <release.json> <output folder> <base url>\n"
                 "is short for \"publisher publish ...\": without a subcommand, publish is meant.",
                 "publisher"};
    app.require_subcommand(1);
    app.footer(DescriptionHelp());

    PublishArgs args;
    CLI::App* publish = app.add_subcommand(
        "publish",
        "Turns a release folder into the answer to the list request and the files it lists.");
    publish
        ->add_option("release-folder", args.release,
                     "The folder laid out as the installation should be.")
        ->required()
        ->check(CLI::ExistingDirectory);
    publish->add_option("release-json", args.description, "The release's description (below).")
        ->required()
        ->check(CLI::ExistingFile);
    publish
        ->add_option("output-folder", args.out,
                     "Where to write filelist.json and files/; created when missing.")
        ->required()
        ->check(kFolderOrAbsent);
    publish
        ->add_option("base-url", args.base,
                     "The address the updater fetches the files from, ending at the folder that "
                     "holds files/ "
                     "(e.g. http://127.0.0.1:8731/).")
        ->required()
        ->check(kHttpUrl);
    publish
        ->add_option("--key", args.key,
                     "Sign the list with this private key (see keygen): the answer gets serial "
                     "and expires, and filelist.json.sig holds the signature the server sends "
                     "in the X-Update-Signature header.")
        ->check(CLI::ExistingFile);
    publish
        ->add_option("--serial", args.serial,
                     "The signed list's serial; left out: one more than the serial of the "
                     "list already in the output folder (1 for the first). Installations refuse "
                     "a list older than one they took.")
        ->check(CLI::Range(1LL, 9007199254740991LL));
    publish
        ->add_option("--expires-days", args.expiresDays,
                     "Days until installations refuse the signed list; publish again before.")
        ->check(CLI::Range(1, 3650))
        ->capture_default_str();
    publish->add_flag("--nginx", args.nginx,
                      "Also write <output folder>/nginx-release.conf: the nginx locations that "
                      "serve this release (the list request, with its signature, and the files), "
                      "to include in the server blocks of the list address and the base URL.");
    publish->footer(DescriptionHelp());

    std::string privateKey, publicKey;
    CLI::App* keygen = app.add_subcommand(
        "keygen", "Makes a key pair for signing lists: a private key to guard, and a public key "
                  "to build into the updater (-DUPDATER_LIST_PUBLIC_KEY=<public key file>).");
    keygen->add_option("private-key-file", privateKey, "Written readable by its owner only.")
        ->required();
    keygen->add_option("public-key-file", publicKey, "The public key, PEM.")->required();

    // "publish" is the default: inserted when the first argument names no
    // subcommand and asks for no help (the overall help lists every subcommand).
    std::vector<char*> words(argv, argv + argc);
    std::string publishName = "publish";
    std::vector<CLI::App*> subcommands = app.get_subcommands({});
    bool named = argc > 1 && std::any_of(subcommands.begin(), subcommands.end(),
                                         [&](CLI::App* s) { return s->check_name(argv[1]); });
    bool help =
        argc > 1 && (std::string_view(argv[1]) == "-h" || std::string_view(argv[1]) == "--help");
    if (!named && !help) words.insert(words.begin() + 1, publishName.data());

    if (auto status = tools::ParseCommandLine(app, static_cast<int>(words.size()), words.data()))
        return *status;
    try {
        if (publish->parsed()) Publish(args);
        if (keygen->parsed()) {
            WriteNewKeyPair(privateKey, publicKey);
            std::cout << "wrote " << privateKey << " (keep it secret) and " << publicKey << "\n";
        }
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "publisher: " << e.what() << "\n";
        return 1;
    }
}
