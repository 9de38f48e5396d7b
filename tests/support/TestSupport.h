#pragma once
// Helpers shared by the tests: temporary folders, files, child processes and
// waiting on a condition with a bound.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "updater-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // With a trailing '/'.
    const std::string& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + name; }

private:
    std::string FPath;
};

void WriteFile(const std::string& path, const std::string& data);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeDirs(const std::string& path);
void CopyExecutable(const std::string& from, const std::string& to);

// Runs a program to its end; its standard output, or nullopt when it failed.
std::optional<std::string>
RunForOutput(const std::vector<std::string>& argv,
             const std::map<std::string, std::optional<std::string>>& env = {},
             std::chrono::milliseconds bound = std::chrono::seconds(60));

// Polls cond until it holds or the bound has passed; true when it held.
bool WaitUntil(const std::function<bool()>& cond,
               std::chrono::milliseconds bound = std::chrono::seconds(30));

// The tools that make the tests' fixtures (python, zip, openssl) are the
// build machine's own. HostPath gives a test file's name as those tools see
// it (under Wine: the Unix name); RunHostCommand runs a /bin/sh command line
// there and returns its exit status.
std::string HostPath(const std::string& path);
int RunHostCommand(const std::string& shellCommand);

// True for a Windows test program that Wine runs; for what Wine cannot show
// as Windows would (fonts it does not have).
bool RunningUnderWine();

// The permission bits of a file, on a system that has them (none on
// Windows), and setting them there.
std::optional<unsigned> PermissionBits(const std::string& path);
void SetPermissionBits(const std::string& path, unsigned bits);

// Where a program started with HOME=home puts the desktop shortcut `name`:
// the launcher file in home's Desktop on Linux, the shell link on the user's
// desktop on Windows.
std::string DesktopShortcutPath(const std::string& home, const std::string& name);

// The signal Kill sends to end a child at once (Windows ends it either way).
inline constexpr int kKillSignal = 9;

// A file that exists but fails every read while the object lives, whoever
// runs the test.
class UnreadableFile {
public:
    explicit UnreadableFile(const std::string& path);
    ~UnreadableFile();
    UnreadableFile(const UnreadableFile&) = delete;
    UnreadableFile& operator=(const UnreadableFile&) = delete;

private:
    intptr_t FHandle = -1;
};

// A child process started by the test. It dies with the test (a crash or a
// CTest time-out), so a server it runs never outlives the test.
class Child {
public:
    struct Options {
        std::vector<std::string> argv; // argv[0] is the program path
        std::string cwd;
        std::map<std::string, std::optional<std::string>> env; // nullopt removes
    };
    explicit Child(const Options& options);
    ~Child(); // kills it when still running
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    int Pid() const;
    // Waits for the end; the exit code (or -signal on Linux); nullopt on time-out.
    std::optional<int> Wait(std::chrono::milliseconds bound = std::chrono::seconds(60));
    bool Running();
    // Waits until the child runs the program at `path` (its exec has happened).
    bool WaitForExec(const std::string& path);
    // Sends the signal (Linux); ends the process at once (Windows).
    void Kill(int signal);
    // Standard error so far (complete after Wait).
    std::string StdErr();
    // Standard output so far (complete after Wait).
    std::string StdOut();

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

} // namespace testsupport
