#include "TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace testsupport {

struct Child::Impl {
    int pid = -1;
    int errFd = -1;
    int outFd = -1;
    std::optional<int> status;
    std::string err;
    std::string out;
    void Drain();
};

Child::Child(const Options& o) : FImpl(std::make_unique<Impl>()) {
    int pipefd[2], outfd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0 || ::pipe2(outfd, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) {
        std::string kv = *e;
        std::string key = kv.substr(0, kv.find('='));
        if (o.env.count(key) == 0) envs.push_back(kv);
    }
    for (const auto& [k, v] : o.env)
        if (v) envs.push_back(k + "=" + *v);
    std::vector<char*> argv, envp;
    std::vector<std::string> args = o.argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envs)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        // A test that dies (a crash, a CTest time-out) takes its children with
        // it: a server left behind would hold its port for the next tests.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(125);
        ::dup2(pipefd[1], 2);
        ::dup2(outfd[1], 1);
        if (!o.cwd.empty() && ::chdir(o.cwd.c_str()) != 0) ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipefd[1]);
    ::close(outfd[1]);
    FImpl->pid = pid;
    FImpl->errFd = pipefd[0];
    FImpl->outFd = outfd[0];
    ::fcntl(FImpl->errFd, F_SETFL, O_NONBLOCK);
    ::fcntl(FImpl->outFd, F_SETFL, O_NONBLOCK);
}

Child::~Child() {
    if (!FImpl->status && FImpl->pid > 0) {
        ::kill(FImpl->pid, SIGKILL);
        ::waitpid(FImpl->pid, nullptr, 0);
    }
    if (FImpl->errFd >= 0) ::close(FImpl->errFd);
    if (FImpl->outFd >= 0) ::close(FImpl->outFd);
}

void Child::Impl::Drain() {
    char buf[4096];
    for (auto [fd, text] : {std::pair{errFd, &err}, std::pair{outFd, &out}}) {
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            text->append(buf, static_cast<size_t>(n));
        }
    }
}

std::string Child::StdOut() {
    FImpl->Drain();
    return FImpl->out;
}

bool Child::Running() {
    if (FImpl->status) return false;
    int st;
    pid_t r = ::waitpid(FImpl->pid, &st, WNOHANG);
    if (r == FImpl->pid) {
        FImpl->status = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
        return false;
    }
    return true;
}

std::optional<int> Child::Wait(std::chrono::milliseconds bound) {
    bool ended = WaitUntil(
        [&] {
            FImpl->Drain();
            return !Running();
        },
        bound);
    FImpl->Drain();
    if (!ended) return std::nullopt;
    return FImpl->status;
}

bool Child::WaitForExec(const std::string& path) {
    std::string link = "/proc/" + std::to_string(FImpl->pid) + "/exe";
    return WaitUntil([&] {
        std::error_code ec;
        return fs::read_symlink(link, ec) == fs::path(path);
    });
}

void Child::Kill(int signal) {
    ::kill(FImpl->pid, signal);
}

std::string Child::StdErr() {
    FImpl->Drain();
    return FImpl->err;
}

int Child::Pid() const {
    return FImpl->pid;
}

// Reading the process's memory file from offset 0 fails with an I/O error.
UnreadableFile::UnreadableFile(const std::string& path) {
    if (::symlink("/proc/self/mem", path.c_str()) != 0)
        throw std::runtime_error("cannot link " + path);
}

UnreadableFile::~UnreadableFile() = default;

bool RunningUnderWine() {
    return false;
}

std::string HostPath(const std::string& path) {
    return path;
}

int RunHostCommand(const std::string& shellCommand) {
    int rc = std::system(shellCommand.c_str());
    return rc >= 0 && WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::optional<unsigned> PermissionBits(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return st.st_mode & 07777;
}

void SetPermissionBits(const std::string& path, unsigned bits) {
    ::chmod(path.c_str(), bits);
}

std::string DesktopShortcutPath(const std::string& home, const std::string& name) {
    return home + (home.empty() || home.back() == '/' ? "" : "/") + "Desktop/" + name + ".desktop";
}

} // namespace testsupport
