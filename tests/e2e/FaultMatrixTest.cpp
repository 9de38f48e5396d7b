// What faults do to an installation being updated, with the real updater
// (unattended), the development server and real files. Each row says what
// it proves.
#include "ReleaseServer.h"
#include "TestSupport.h"
#include "config/IniDocument.h"
#include "platform/Md5.h"
#include "platform/Text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using ::testing::HasSubstr;
using testsupport::Child;
using testsupport::TempDir;

namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::string>; // path with '/' -> content

std::string Filler(const std::string& tag, size_t size) {
    std::string s = tag;
    std::mt19937 rng(static_cast<unsigned>(std::hash<std::string>()(tag)));
    while (s.size() < size)
        s += static_cast<char>('a' + rng() % 26);
    return s;
}

bool IsTemporaryName(const std::string& name) {
    const std::string lower = platform::AsciiLowerCase(name);
    return lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".tmp") == 0;
}

class FaultMatrix : public ::testing::Test {
protected:
    TempDir work{"faults"};
    std::string release = work / "release/";
    std::string published = work / "published/";
    std::string pristine = work / "pristine/";
    std::unique_ptr<Child> server;
    Files oldFiles, newFiles;

    // The old installation and a release that changes every file of it: 30
    // plug-ins and a package of 20 pictures.
    void SetUp() override {
        for (const auto& d : {release + "plugins", release + "skins/img", published,
                              pristine + "plugins", pristine + "skins/img"})
            testsupport::MakeDirs(d);
        for (int i = 0; i < 30; ++i) {
            const std::string name = "plugins/p" + std::to_string(i) + ".dll";
            oldFiles[name] = Filler("old " + name, 20000 + 500 * i);
            newFiles[name] = Filler("new " + name, 40000 + 700 * i);
        }
        for (int i = 0; i < 20; ++i) {
            const std::string name = "skins/img/s" + std::to_string(i) + ".png";
            oldFiles[name] = Filler("old " + name, 3000);
            newFiles[name] = Filler("new " + name, 30000);
        }
        for (const auto& [name, data] : oldFiles)
            testsupport::WriteFile(pristine + name, data);
        for (const auto& [name, data] : newFiles)
            testsupport::WriteFile(release + name, data);
        testsupport::CopyExecutable(UPDATER_BIN, pristine + "updater");
        testsupport::CopyExecutable(SAMPLEAPP_BIN, pristine + "Varnoke.exe");
        testsupport::WriteFile(pristine + "ag", "FAULT-AGENT");
        Publish();
    }

    void Publish() {
        testsupport::WriteFile(work / "release.json",
                               R"({"zipFolders":["skins"],"defaultVersion":2})");
        ASSERT_TRUE(
            testsupport::RunForOutput({PUBLISHER_BIN, release, work / "release.json", published,
                                       std::string("http://") + UPDATER_SERVER_HOST + "/"}));
    }

    void StartServer(std::vector<std::string> extra = {}) {
        bool ready = false;
        server = StartDevServer(DEVSERVER_BIN, published, UPDATER_SERVER_HOST, extra, ready);
        ASSERT_TRUE(ready) << server->StdErr();
    }

    // A fresh copy of the old installation. Hard links: the updater must
    // replace files, never write into them, or the pristine copy changes
    // and the next run finds it (CheckWhole).
    std::string NewInstall(const std::string& name) {
        const std::string dir = work / (name + "/");
        fs::remove_all(dir);
        fs::copy(pristine, dir, fs::copy_options::recursive | fs::copy_options::create_hard_links);
        return dir;
    }

    std::unique_ptr<Child> StartUpdater(const std::string& install,
                                        std::vector<std::string> prefix = {}) {
        prefix.push_back(install + "updater");
        return std::make_unique<Child>(Child::Options{prefix,
                                                      install,
                                                      {{"DISPLAY", std::nullopt},
                                                       {"WAYLAND_DISPLAY", std::nullopt},
                                                       {"UPDATER_HEADLESS", std::nullopt},
                                                       {"HOME", work / "home"}}});
    }

    // Every file is its old or its new content, whole; nothing else lies
    // about but temporary names; version.ini reads and records no content
    // that is not there.
    void CheckWhole(const std::string& install, const std::string& label) {
        SCOPED_TRACE(label);
        for (const auto& [name, data] : newFiles) {
            const std::string content = testsupport::ReadFile(install + name);
            EXPECT_TRUE(content == data || content == oldFiles[name]) << name << " is torn";
        }
        for (const auto& e : fs::recursive_directory_iterator(install)) {
            if (!e.is_regular_file()) continue;
            const std::string rel = fs::relative(e.path(), install).generic_string();
            const bool known = newFiles.count(rel) || rel == "version.ini" || rel == "ag" ||
                               rel == "updater" || rel == "Varnoke.exe" || rel == "app-started.txt";
            EXPECT_TRUE(known || IsTemporaryName(rel)) << "stray file " << rel;
        }
        if (!testsupport::Exists(install + "version.ini")) return;
        TIniDocument ini(platform::DecodeText(testsupport::ReadFile(install + "version.ini")));
        for (const auto& section : ini.Sections()) {
            const std::string* md5 = ini.FindValue(section.name, "MD5");
            if (!md5 || md5->empty()) continue;
            std::string path = section.name;
            std::replace(path.begin(), path.end(), '\\', '/');
            if (!testsupport::Exists(install + path)) continue; // a package's folder
            EXPECT_EQ(platform::Md5Hex(testsupport::ReadFile(install + path)), *md5)
                << "version.ini records content " << path << " does not have";
        }
    }

    void CheckUpdated(const std::string& install) {
        for (const auto& [name, data] : newFiles)
            EXPECT_EQ(testsupport::ReadFile(install + name), data) << name;
        TIniDocument ini(platform::DecodeText(testsupport::ReadFile(install + "version.ini")));
        for (const char* name : {"plugins\\p0.dll", "plugins\\p7.dll", "plugins\\p29.dll"}) {
            const std::string* ver = ini.FindValue(name, "Ver");
            const std::string* md5 = ini.FindValue(name, "MD5");
            ASSERT_TRUE(ver && md5) << name;
            EXPECT_EQ(*ver, "2") << name;
            std::string path = name;
            std::replace(path.begin(), path.end(), '\\', '/');
            EXPECT_EQ(*md5, platform::Md5Hex(newFiles[path])) << name;
        }
        EXPECT_TRUE(testsupport::Exists(install + "app-started.txt"));
    }

    std::string RunToEnd(const std::string& install, std::vector<std::string> prefix = {}) {
        auto updater = StartUpdater(install, std::move(prefix));
        EXPECT_EQ(updater->Wait(std::chrono::seconds(120)), 0) << updater->StdErr();
        return updater->StdErr();
    }
};

// Killed at any moment of the download and apply phase, 50 times with
// seeded moments: every file stays old or new, whole, and the next run
// completes the update.
TEST_F(FaultMatrix, KilledAtRandomMomentsLeavesEveryFileWholeAndTheNextRunCompletes) {
    // Slowed to about 1 MB/s so that the moments spread over the files.
    StartServer({"--throttle", "1000000"});
    const int runs = 50;
    const int batch = 5; // runs side by side, each in its own installation
    std::mt19937 seeds(20261211);
    int mixed = 0; // runs killed between two files put in place
    for (int first = 0; first < runs; first += batch) {
        std::vector<std::string> installs;
        std::vector<std::unique_ptr<Child>> updaters;
        std::vector<int> delays;
        const size_t served = server->StdOut().size();
        for (int i = first; i < first + batch; ++i) {
            installs.push_back(NewInstall("run" + std::to_string(i)));
            updaters.push_back(StartUpdater(installs.back()));
            delays.push_back(static_cast<int>(seeds() % 2500));
        }
        // The moments count from the first file request: the list check
        // before it has a fixed minimum of its own.
        ASSERT_TRUE(testsupport::WaitUntil(
            [&] { return server->StdOut().find("serving:", served) != std::string::npos; }));
        const auto start = std::chrono::steady_clock::now();
        for (int k = 0; k < batch; ++k) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(delays[k]));
            updaters[k]->Kill(SIGKILL);
        }
        for (int k = 0; k < batch; ++k) {
            updaters[k]->Wait();
            CheckWhole(installs[k], "run " + std::to_string(first + k) + " killed after " +
                                        std::to_string(delays[k]) + " ms");
            int fresh = 0;
            for (const auto& [name, data] : newFiles)
                fresh += testsupport::ReadFile(installs[k] + name) == data;
            mixed += fresh > 0 && fresh < static_cast<int>(newFiles.size());
        }
        // The next start completes what the killed one began.
        RunToEnd(installs[0]);
        CheckUpdated(installs[0]);
        CheckWhole(installs[0], "completed after run " + std::to_string(first));
        for (const auto& dir : installs)
            fs::remove_all(dir);
    }
    // The moments did fall inside the work, not only before or after it.
    EXPECT_GE(mixed, runs / 4);
    // The old installation was never written into through its hard links.
    for (const auto& [name, data] : oldFiles)
        EXPECT_EQ(testsupport::ReadFile(pristine + name), data) << name;
}

// Runs the updater with a file-size limit, as a full disk would stop it:
// writes fail (EFBIG) instead of the process being killed.
std::vector<std::string> WithFileSizeLimit(size_t bytes) {
    return {"/bin/sh", "-c",
            "trap '' XFSZ; ulimit -f " + std::to_string(bytes / 512) + "; exec \"$0\" \"$@\""};
}

// The disk fills while a file downloads: the error names it, the old file
// stays whole, nothing half-written is left under its name, and the
// application still starts.
TEST_F(FaultMatrix, DiskFullDuringADownloadNamesTheFileAndKeepsTheOld) {
    const std::string big = "plugins/big.dll";
    oldFiles[big] = Filler("old big", 1000);
    newFiles[big] = Filler("new big", 3 << 20);
    testsupport::WriteFile(pristine + big, oldFiles[big]);
    testsupport::WriteFile(release + big, newFiles[big]);
    Publish();
    StartServer();
    const std::string install = NewInstall("full");
    const std::string err = RunToEnd(install, WithFileSizeLimit(1 << 20));
    EXPECT_THAT(err, HasSubstr("下载[big.dll]发生错误:"));
    EXPECT_EQ(testsupport::ReadFile(install + big), oldFiles[big]);
    CheckWhole(install, "disk full while downloading");
    EXPECT_TRUE(testsupport::Exists(install + "app-started.txt"));
    // With room again, the next run completes.
    RunToEnd(install);
    CheckUpdated(install);
    EXPECT_EQ(testsupport::ReadFile(install + big), newFiles[big]);
}

// The disk fills while a package is unpacked: the error names the entry
// being written, no entry is half-written in place, and the next run
// completes.
TEST_F(FaultMatrix, DiskFullWhileUnpackingNamesTheEntryAndLeavesNoTornFile) {
    const std::string big = "skins/img/huge.png";
    oldFiles[big] = Filler("old huge", 1000);
    newFiles[big] = std::string(3 << 20, 'z'); // packs small, unpacks large
    testsupport::WriteFile(pristine + big, oldFiles[big]);
    testsupport::WriteFile(release + big, newFiles[big]);
    Publish();
    StartServer();
    const std::string install = NewInstall("full-unpack");
    const std::string err = RunToEnd(install, WithFileSizeLimit(1 << 20));
    EXPECT_THAT(err, HasSubstr("下载[skins.zip]发生错误:"));
    EXPECT_THAT(err, HasSubstr("huge.png"));
    EXPECT_EQ(testsupport::ReadFile(install + big), oldFiles[big]);
    CheckWhole(install, "disk full while unpacking");
    RunToEnd(install);
    CheckUpdated(install);
}

// The updater as a user without root's rights, so that permissions count.
std::vector<std::string> AsOrdinaryUser(const std::string& tree) {
    if (::geteuid() != 0) return {};
    for (const auto& e : fs::recursive_directory_iterator(tree))
        (void)::lchown(e.path().c_str(), 65534, 65534);
    (void)::chown(tree.c_str(), 65534, 65534);
    return {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
}

// A folder the updater may not write: the error names the file that could
// not be put in place; the files before it are new, the rest old, and
// version.ini records exactly what was put in place.
TEST_F(FaultMatrix, AReadOnlyFolderNamesTheFileAndKeepsTheRecordsTrue) {
    StartServer();
    const std::string install = NewInstall("readonly");
    fs::permissions(work.Path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    auto prefix = AsOrdinaryUser(install);
    fs::permissions(install + "plugins", fs::perms::owner_read | fs::perms::owner_exec |
                                             fs::perms::group_read | fs::perms::group_exec |
                                             fs::perms::others_read | fs::perms::others_exec);
    const std::string err = RunToEnd(install, prefix);
    EXPECT_THAT(err, HasSubstr("下载[p0.dll]发生错误:"));
    EXPECT_EQ(testsupport::ReadFile(install + "plugins/p0.dll"), oldFiles["plugins/p0.dll"]);
    CheckWhole(install, "read-only folder");
    fs::permissions(install + "plugins", fs::perms::owner_all, fs::perm_options::add);
}

// A read-only file is replaced as its folder allows (POSIX), and the new
// file keeps the old one's permission bits.
TEST_F(FaultMatrix, AReadOnlyFileIsReplacedAndStaysReadOnly) {
    StartServer();
    const std::string install = NewInstall("readonly-file");
    fs::permissions(work.Path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    auto prefix = AsOrdinaryUser(install);
    // A file of its own, not a hard link to the pristine copy.
    const std::string target = install + "plugins/p3.dll";
    fs::remove(target);
    testsupport::WriteFile(target, oldFiles["plugins/p3.dll"]);
    if (!prefix.empty()) (void)::chown(target.c_str(), 65534, 65534);
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    RunToEnd(install, prefix);
    CheckUpdated(install);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

// A second updater started while one runs waits for it to end, then finds
// nothing left to do: no file is fetched twice, no record is lost.
TEST_F(FaultMatrix, ASecondUpdaterWaitsForTheFirstAndChangesNothing) {
    StartServer({"--throttle", "2000000"});
    const std::string install = NewInstall("twice");
    auto first = StartUpdater(install);
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return server->StdOut().find("serving:") != std::string::npos; }));
    auto second = StartUpdater(install);
    EXPECT_EQ(first->Wait(std::chrono::seconds(120)), 0) << first->StdErr();
    EXPECT_EQ(second->Wait(std::chrono::seconds(120)), 0) << second->StdErr();
    for (const auto& [name, data] : newFiles) {
        if (name.rfind("skins/", 0) == 0) continue;
        EXPECT_EQ(ServedCount(server->StdOut(), "/files/" + name), 1) << name;
    }
    CheckUpdated(install);
    CheckWhole(install, "two updaters");
}

} // namespace
