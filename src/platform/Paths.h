#pragma once
// Where the running program lives, and turning the system's relative names
// (which keep the server's backslashes) into paths the file system accepts.
#include <string>

namespace platform {

// Native folder separator.
#ifdef _WIN32
inline constexpr char kPathDelim = '\\';
#else
inline constexpr char kPathDelim = '/';
#endif

// Full path of the running executable.
std::string ExecutablePath();
// Folder of the running executable, with a trailing separator.
std::string ExecutableFolder();
// Makes ExecutableFolder() answer `folder` (with its trailing separator), so
// that tests can stand an installation up in a temporary folder; an empty
// text restores the real one.
void OverrideExecutableFolder(const std::string& folder);

// Part after the last separator ('\\' or '/').
std::string ExtractFileName(const std::string& path);
// Up to and including the last separator ('\\' or '/'); empty when there is none.
std::string ExtractFilePath(const std::string& path);

// Backslashes become the native separator (on Windows, forward slashes
// become backslashes). Used wherever a name touches the file system; the
// names themselves keep their backslashes as data.
std::string NativePath(const std::string& path);

} // namespace platform
