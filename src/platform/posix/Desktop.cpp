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

// The value escapes undone.
std::string UnescapeValue(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        switch (s[++i]) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 's':
            out += ' ';
            break;
        default:
            out += s[i];
        }
    }
    return out;
}

// The first Exec argument, unquoted: the program.
std::string ExecProgram(const std::string& exec) {
    std::string out;
    if (exec.empty() || exec[0] != '"') return exec.substr(0, exec.find(' '));
    for (size_t i = 1; i < exec.size() && exec[i] != '"'; ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size())
            ++i;
        else if (exec[i] == '%' && i + 1 < exec.size() && exec[i + 1] == '%')
            ++i;
        out += exec[i];
    }
    return out;
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

std::optional<ShortcutSpec> ReadShortcut(const std::string& path) {
    std::string text;
    try {
        text = ReadWholeFile(path);
    } catch (const FileError&) {
        return std::nullopt;
    }
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || Trim(line) != "[Desktop Entry]") return std::nullopt;
    ShortcutSpec spec;
    std::string name = ExtractFileName(path);
    spec.name = name.substr(0, name.rfind('.'));
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] == '[') break; // another group
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(line.substr(0, eq));
        std::string value = UnescapeValue(Trim(line.substr(eq + 1)));
        if (key == "Exec")
            spec.target = ExecProgram(value);
        else if (key == "Path")
            spec.workingDirectory = value;
        else if (key == "Icon")
            spec.iconPath = value;
    }
    return spec;
}

} // namespace platform
