#include "TestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir(const std::string& prefix) {
    std::string tmpl = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    FPath = std::string(buf.data()) + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(FPath, ec);
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) throw std::runtime_error("cannot write " + path);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) {
    return fs::exists(path);
}

void MakeDirs(const std::string& path) {
    fs::create_directories(path);
}

void CopyExecutable(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    ::chmod(to.c_str(), 0755);
}

bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds bound) {
    auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (cond()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

Child::Child(const Options& o) {
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
    FPid = pid;
    FErrFd = pipefd[0];
    FOutFd = outfd[0];
    ::fcntl(FErrFd, F_SETFL, O_NONBLOCK);
    ::fcntl(FOutFd, F_SETFL, O_NONBLOCK);
}

Child::~Child() {
    if (!FStatus && FPid > 0) {
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, nullptr, 0);
    }
    if (FErrFd >= 0) ::close(FErrFd);
    if (FOutFd >= 0) ::close(FOutFd);
}

void Child::Drain() {
    char buf[4096];
    for (auto [fd, out] : {std::pair{FErrFd, &FErr}, std::pair{FOutFd, &FOut}}) {
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            out->append(buf, static_cast<size_t>(n));
        }
    }
}

std::string Child::StdOut() {
    Drain();
    return FOut;
}

std::optional<std::string>
RunForOutput(const std::vector<std::string>& argv,
             const std::map<std::string, std::optional<std::string>>& env,
             std::chrono::milliseconds bound) {
    Child child({argv, "", env});
    auto code = child.Wait(bound);
    if (!code || *code != 0) return std::nullopt;
    return child.StdOut();
}

bool Child::Running() {
    if (FStatus) return false;
    int st;
    pid_t r = ::waitpid(FPid, &st, WNOHANG);
    if (r == FPid) {
        FStatus = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
        return false;
    }
    return true;
}

std::optional<int> Child::Wait(std::chrono::milliseconds bound) {
    bool ended = WaitUntil(
        [&] {
            Drain();
            return !Running();
        },
        bound);
    Drain();
    if (!ended) return std::nullopt;
    return FStatus;
}

bool Child::WaitForExec(const std::string& path) {
    std::string link = "/proc/" + std::to_string(FPid) + "/exe";
    return WaitUntil([&] {
        std::error_code ec;
        return fs::read_symlink(link, ec) == fs::path(path);
    });
}

void Child::Kill(int signal) {
    ::kill(FPid, signal);
}

std::string Child::StdErr() {
    Drain();
    return FErr;
}

} // namespace testsupport
