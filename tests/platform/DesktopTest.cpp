// The desktop shortcut in either system: what is written is what reads back,
// in the system's own path form, and an older shortcut is replaced whole.
#include "platform/Desktop.h"
#include "platform/Paths.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using testsupport::TempDir;

namespace {

// Both separators as the system writes them.
std::string Native(std::string path) {
    for (char& c : path)
        if (c == '/' || c == '\\') c = platform::kPathDelim;
    return path;
}

size_t FilesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::u8path(folder)))
        ++n;
    return n;
}

TEST(Shortcut, ReadsBackWhatWasWrittenInNativeForm) {
    TempDir desk;
    const std::string app = desk.Path() + "My App";
    // Wine's shell link keeps the target in the ANSI code page, so only the
    // other paths carry characters outside it.
    struct Case {
        const char* what;
        platform::ShortcutSpec spec;
    } cases[] = {
        {"slashes", {app + "/updater.exe", app + "/工作/", app + "/Resource/应用.ico", "updater"}},
        {"backslashes",
         {app + "\\bin\\updater.exe", app + "\\工作", app + "\\Resource\\app.ico", "更新 程序"}},
        {"no icon", {app + "/updater.exe", app + "/", "", "updater"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = platform::WriteShortcut(desk.Path(), c.spec);
        ASSERT_FALSE(file.empty());
        EXPECT_TRUE(testsupport::Exists(file));
        auto read = platform::ReadShortcut(file);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->target, Native(c.spec.target));
        EXPECT_EQ(read->workingDirectory, Native(c.spec.workingDirectory));
        EXPECT_EQ(read->iconPath, Native(c.spec.iconPath));
        EXPECT_EQ(read->name, c.spec.name);
    }
}

TEST(Shortcut, ReplacesAnOlderOneAndLeavesNothingElse) {
    TempDir desk;
    platform::ShortcutSpec spec{desk.Path() + "a/old.exe", desk.Path() + "a",
                                desk.Path() + "a/x.ico", "updater"};
    std::string first = platform::WriteShortcut(desk.Path(), spec);
    ASSERT_FALSE(first.empty());
    spec.target = desk.Path() + "b/new.exe";
    spec.iconPath.clear();
    EXPECT_EQ(platform::WriteShortcut(desk.Path(), spec), first);
    auto read = platform::ReadShortcut(first);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->target, Native(spec.target));
    EXPECT_EQ(read->iconPath, "");
    EXPECT_EQ(FilesIn(desk.Path()), 1u);
}

TEST(Shortcut, MissingFolderWritesNothing) {
    TempDir dir;
    EXPECT_EQ(platform::WriteShortcut(dir / "no-desktop", {dir / "a", dir.Path(), "", "x"}), "");
    EXPECT_EQ(platform::WriteShortcut("", {dir / "a", dir.Path(), "", "x"}), "");
    EXPECT_EQ(FilesIn(dir.Path()), 0u);
}

TEST(Shortcut, ReadingAMissingOrForeignFileGivesNothing) {
    TempDir dir;
    testsupport::WriteFile(dir / "text.lnk", "not a shortcut at all");
    testsupport::WriteFile(dir / "text.desktop", "not a shortcut at all");
    EXPECT_FALSE(platform::ReadShortcut(dir / "missing.lnk"));
    EXPECT_FALSE(platform::ReadShortcut(dir / "text.lnk"));
    EXPECT_FALSE(platform::ReadShortcut(dir / "text.desktop"));
}

} // namespace
