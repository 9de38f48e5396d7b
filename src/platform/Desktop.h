#pragma once
// The user's desktop and the shortcut placed on it. On Linux the shortcut is
// a freedesktop launcher ("<name>.desktop"); on Windows a shell link
// ("<name>.lnk").
#include <optional>
#include <string>

namespace platform {

// The desktop folder without a trailing separator. Linux: XDG_DESKTOP_DIR
// from the environment or from the user-dirs file, else ~/Desktop; empty when
// there is no home folder. Windows: the shell's desktop folder of the user;
// empty when the shell cannot name it.
std::string DesktopFolder();

struct ShortcutSpec {
    std::string target;           // program the shortcut starts
    std::string workingDirectory; // folder it starts in
    std::string iconPath;         // empty: none
    std::string name;             // link name, without extension; on Windows also its description
};

// Writes the shortcut into `folder`, replacing an older one of that name (on
// Windows as a whole: written under another name, then moved over it). The
// paths may come in the system's form (backslashes) or with slashes; the
// shortcut holds native paths. Returns the file written, or an empty text
// when it could not be written.
std::string WriteShortcut(const std::string& folder, const ShortcutSpec& spec);

// Reads back a shortcut file as WriteShortcut wrote it: its target, working
// folder, icon (empty when none) and name (the file name without extension).
// nullopt when the file is missing or not a shortcut.
std::optional<ShortcutSpec> ReadShortcut(const std::string& path);

} // namespace platform
