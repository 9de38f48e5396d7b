#pragma once
// Packages for the zip tests, made at test time by python's zipfile, Info-ZIP
// zip or fixtures.py's byte-level writer (for what no tool writes).
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace ziptest {

using nlohmann::json;

inline std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// A test file's name, quoted, as the fixture tools see it.
inline std::string QuotePath(const std::string& path) {
    return Quote(testsupport::HostPath(path));
}

inline void Shell(const std::string& command) {
    int rc = testsupport::RunHostCommand(command);
    if (rc != 0)
        throw std::runtime_error("command failed (" + std::to_string(rc) + "): " + command);
}

inline std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// One entry for fixtures.py; name and data are raw bytes.
inline json Entry(const std::string& name, const std::string& data = "x", int method = 8,
                  int flags = 0) {
    return {{"name_hex", Hex(name)}, {"data_hex", Hex(data)}, {"method", method}, {"flags", flags}};
}

// The recipe travels in a file: command lines are too short for large data.
// A Unicode-path field for an entry's "upath" list; crc is "right" or "wrong".
inline json UPath(const std::string& text, const std::string& crc) {
    return json::array({text, crc});
}

inline void Fixture(const std::string& command, const std::string& out, const std::string& arg) {
    std::string recipe = out + ".recipe";
    testsupport::WriteFile(recipe, arg);
    Shell("python3 " + Quote(ZIP_FIXTURES) + " " + command + " " + QuotePath(out) + " " +
          QuotePath(recipe));
    std::filesystem::remove(recipe);
}
inline void MakeRaw(const std::string& out, const json& recipe) {
    Fixture("raw", out, recipe.dump());
}
inline void MakeZipfile(const std::string& out, const json& recipe) {
    Fixture("zipfile", out, recipe.dump());
}

// Breaks one entry of a zipfile-made archive: "data" flips a bit of its data,
// "crc" changes its CRC-32, "shorter"/"longer" its uncompressed size.
inline void Patch(const std::string& archive, const std::string& entry, const std::string& how) {
    Shell("python3 " + Quote(ZIP_FIXTURES) + " patch " + QuotePath(archive) + " " + Quote(entry) +
          " " + Quote(how));
}

// Every file and folder below root: relative name -> content ("<dir>" for folders).
inline std::map<std::string, std::string> Tree(const std::string& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> out;
    const fs::path top(std::u8string(root.begin(), root.end()));
    if (!fs::exists(top)) return out;
    for (const auto& e : fs::recursive_directory_iterator(top)) {
        std::u8string rel = fs::relative(e.path(), top).generic_u8string();
        std::u8string full = e.path().u8string();
        out[std::string(rel.begin(), rel.end())] =
            e.is_directory() ? "<dir>"
                             : testsupport::ReadFile(std::string(full.begin(), full.end()));
    }
    return out;
}

// The names of a tree as Tree() gives it.
inline std::vector<std::string> Keys(const std::map<std::string, std::string>& tree) {
    std::vector<std::string> out;
    for (const auto& [name, content] : tree)
        out.push_back(name);
    return out;
}

} // namespace ziptest
