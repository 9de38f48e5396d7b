#include "platform/Process.h"

#include "platform/CommandLine.h"
#include "platform/Paths.h"

#include <csignal>
#include <spawn.h>
#include <vector>

extern char** environ;

namespace platform {

std::error_code StartProcess(const std::string& commandLine, const std::string& currentFolder) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || args[0].empty()) return std::make_error_code(std::errc::invalid_argument);
    args[0] = NativePath(args[0]);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    if (!currentFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, NativePath(currentFolder).c_str());
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETSIGDEF);
    pid_t pid;
    int rc = ::posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return std::error_code(rc, std::generic_category());
}

namespace {
std::vector<std::string>& Arguments() {
    static std::vector<std::string> args;
    return args;
}
} // namespace

void SetProgramArguments(int argc, char** argv) {
    Arguments().assign(argv + (argc > 0 ? 1 : 0), argv + argc);
}

const std::vector<std::string>& ProgramArguments() {
    return Arguments();
}

} // namespace platform
