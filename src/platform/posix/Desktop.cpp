#include "platform/Desktop.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

namespace platform {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// XDG_DESKTOP_DIR="$HOME/Desktop" from a user-dirs.dirs file.
std::string FromUserDirs(const std::string& home) {
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty()) config = home + "/.config";
    std::string text;
    try {
        text = ReadWholeFile(config + "/user-dirs.dirs");
    } catch (const FileError&) {
        return "";
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trim(line);
        const std::string key = "XDG_DESKTOP_DIR=";
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string v = line.substr(key.size());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        if (v.compare(0, 5, "$HOME") == 0) v = home + v.substr(5);
        if (!v.empty() && v[0] == '/') return v;
    }
    return "";
}

// Value escapes of the desktop entry format.
std::string EscapeValue(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One Exec argument: quoted, with the characters the Exec key reserves escaped.
std::string ExecArgument(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    return out + "\"";
}

} // namespace

std::string DesktopFolder() {
    std::string home = Env("HOME");
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    std::string dir = Env("XDG_DESKTOP_DIR");
    if (dir.empty() && !home.empty()) dir = FromUserDirs(home);
    if (dir.empty() && !home.empty()) dir = home + "/Desktop";
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string WriteShortcut(const std::string& folder, const ShortcutSpec& spec) {
    if (folder.empty() || !DirectoryExists(folder)) return "";
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.0\n"
                       "Name=" +
                       EscapeValue(spec.name) +
                       "\n"
                       "Exec=" +
                       EscapeValue(ExecArgument(NativePath(spec.target))) +
                       "\n"
                       "Path=" +
                       EscapeValue(NativePath(spec.workingDirectory)) + "\n";
    if (!spec.iconPath.empty()) text += "Icon=" + EscapeValue(NativePath(spec.iconPath)) + "\n";
    text += "Terminal=false\n";
    std::string path = NativePath(folder) + "/" + spec.name + ".desktop";
    try {
        WriteFileAtomic(path, text);
    } catch (const FileError&) {
        return "";
    }
    if (::chmod(path.c_str(), 0755) != 0) return "";
    return path;
}

} // namespace platform
