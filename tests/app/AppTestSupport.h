#pragma once
// An installation folder with a copy of an updater build in it, and running
// that copy as a real process with a private home and no display.
#include "TestSupport.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

class Installation : public ::testing::Test {
protected:
    // The folder name holds a blank on purpose: every command line must survive it.
    testsupport::TempDir dir{"updater install"};
    testsupport::TempDir home{"updater-home"};

    void SetUp() override {
        testsupport::MakeDirs(home / "Desktop");
        // Windows has one desktop for every test: no shortcut of an earlier one.
        std::filesystem::remove(ShortcutFile());
    }

    std::string Root() const { return dir.Path(); }
    std::string At(const std::string& name) const { return dir / name; }

    // Written beside and renamed over: the file may be a program that a run
    // before started and that is still ending (Linux refuses to write into
    // a running program's file).
    void Put(const std::string& name, const std::string& data) {
        testsupport::WriteFile(At(name + ".new"), data);
        std::filesystem::rename(At(name + ".new"), At(name));
    }
    std::string Get(const std::string& name) const { return testsupport::ReadFile(At(name)); }
    bool Has(const std::string& name) const { return testsupport::Exists(At(name)); }

    // Programs carry ".exe" in both builds: Windows starts nothing without it.
    void InstallUpdater(const std::string& build, const std::string& name = "updater.exe") {
        testsupport::CopyExecutable(build, At(name));
    }
    void InstallRecorder(const std::string& name) {
        testsupport::CopyExecutable(RECORDER_BIN, At(name));
    }

    testsupport::Child::Options Options(std::vector<std::string> args,
                                        const std::string& name = "updater.exe") {
        args.insert(args.begin(), At(name));
        return {args,
                home.Path(),
                {{"HOME", home.Path()},
                 {"UPDATER_HEADLESS", "1"},
                 {"DISPLAY", std::nullopt},
                 {"WAYLAND_DISPLAY", std::nullopt},
                 {"XDG_DESKTOP_DIR", std::nullopt},
                 {"XDG_CONFIG_HOME", std::nullopt}}};
    }

    struct Result {
        int exitCode;
        std::string err;
    };
    // Runs the installed updater to its end.
    Result Run(std::vector<std::string> args = {}, const std::string& name = "updater.exe") {
        testsupport::Child child(Options(std::move(args), name));
        auto code = child.Wait(std::chrono::seconds(90));
        EXPECT_TRUE(code.has_value()) << "updater did not end";
        return {code.value_or(-999), child.StdErr()};
    }

    // The records "started.txt" holds, as lines.
    std::vector<std::string> Started() const {
        std::vector<std::string> lines;
        if (!Has("started.txt")) return lines;
        std::string s = Get("started.txt"), line;
        for (char c : s) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        return lines;
    }
    // Waits until the recorder has written at least `runs` start records.
    bool WaitForStarts(size_t runs) {
        return testsupport::WaitUntil([&] {
            size_t n = 0;
            for (const auto& l : Started())
                n += l.rfind("RUN ", 0) == 0;
            return n >= runs;
        });
    }
    // The desktop shortcut the installed updater made, read back.
    std::string ShortcutFile() const {
        return testsupport::DesktopShortcutPath(home.Path(), "updater");
    }
    std::optional<platform::ShortcutSpec> Shortcut() const {
        return platform::ReadShortcut(ShortcutFile());
    }
    // A name in the installation as the system writes it.
    std::string Native(const std::string& name) const { return platform::NativePath(At(name)); }

    // The installation's file names as stored, sorted.
    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        const std::string root = Root();
        for (const auto& e : std::filesystem::directory_iterator(
                 std::filesystem::path(std::u8string(root.begin(), root.end())))) {
            std::u8string n = e.path().filename().u8string();
            names.emplace_back(n.begin(), n.end());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string CwdLine() const {
        std::string r = Root();
        return "CWD " + r.substr(0, r.size() - 1);
    }
};
