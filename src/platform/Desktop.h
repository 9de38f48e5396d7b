#pragma once
// The user's desktop and the shortcut placed on it. On Linux the shortcut is
// a freedesktop launcher ("<name>.desktop"); on Windows it would be a shell
// link ("<name>.lnk").
#include <string>

namespace platform {

// The desktop folder without a trailing separator: XDG_DESKTOP_DIR from the
// environment or from the user-dirs file, else ~/Desktop. Empty when there is
// no home folder.
std::string DesktopFolder();

struct ShortcutSpec {
    std::string target;           // program the shortcut starts
    std::string workingDirectory; // folder it starts in
    std::string iconPath;         // empty: none
    std::string name;             // link name, without extension
};

// Writes the shortcut into `folder`, replacing an older one of that name.
// Returns the file written, or an empty text when it could not be written.
std::string WriteShortcut(const std::string& folder, const ShortcutSpec& spec);

} // namespace platform
