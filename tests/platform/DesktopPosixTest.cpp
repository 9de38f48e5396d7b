// The Linux side of the desktop shortcut: where the desktop is by the XDG
// conventions, and the launcher file's exact text and mode.
#include "platform/Desktop.h"

#include "TestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using testsupport::TempDir;

namespace {

// Sets an environment variable for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : FName(name) {
        if (const char* old = std::getenv(name)) FOld = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (FOld)
            ::setenv(FName, FOld->c_str(), 1);
        else
            ::unsetenv(FName);
    }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

TEST(DesktopFolder, FromEnvironmentUserDirsOrHome) {
    TempDir home;
    ScopedEnv h("HOME", home.Path().c_str());
    ScopedEnv c("XDG_CONFIG_HOME", nullptr);
    ScopedEnv d("XDG_DESKTOP_DIR", nullptr);
    EXPECT_EQ(platform::DesktopFolder(), home.Path() + "Desktop");
    testsupport::MakeDirs(home / ".config");
    testsupport::WriteFile(home / ".config/user-dirs.dirs",
                           "# comment\nXDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
    EXPECT_EQ(platform::DesktopFolder(), home.Path() + "桌面");
    ScopedEnv d2("XDG_DESKTOP_DIR", "/elsewhere/");
    EXPECT_EQ(platform::DesktopFolder(), "/elsewhere");
}

TEST(Shortcut, WritesALauncherReplacingAnOlderOne) {
    TempDir desk;
    testsupport::WriteFile(desk / "updater.desktop", "old");
    platform::ShortcutSpec spec{"/opt/my app/up$date%r", "/opt/my app/",
                                "/opt/my app/Resource/app.ico", "updater"};
    std::string file = platform::WriteShortcut(desk.Path().substr(0, desk.Path().size() - 1), spec);
    ASSERT_EQ(file, desk / "updater.desktop");
    EXPECT_EQ(testsupport::ReadFile(file),
              "[Desktop Entry]\nType=Application\nVersion=1.0\nName=updater\n"
              "Exec=\"/opt/my app/up\\\\$date%%r\"\nPath=/opt/my app/\n"
              "Icon=/opt/my app/Resource/app.ico\nTerminal=false\n");
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    spec.iconPath.clear();
    platform::WriteShortcut(desk.Path(), spec);
    EXPECT_EQ(testsupport::ReadFile(file).find("Icon="), std::string::npos);
}

} // namespace
