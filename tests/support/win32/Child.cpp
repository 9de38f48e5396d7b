#include "TestSupport.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <shlobj.h>
#include <stdexcept>
#include <thread>
#include <windows.h>

namespace testsupport {
namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

std::wstring NativePath(const std::string& utf8) {
    std::wstring w = Wide(utf8);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    return w;
}

// The quoting the C runtime's argument splitting undoes.
std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// Every child joins this job, which ends them all when the test ends.
HANDLE TestJob() {
    static HANDLE job = [] {
        HANDLE j = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (j)
            SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return j;
    }();
    return job;
}

// What the child writes, collected by two reader threads that may outlive
// the Child (a grandchild can hold the pipes).
struct Output {
    std::mutex mutex;
    std::string err;
    std::string out;
    std::atomic<int> open{2};
};

void Collect(std::shared_ptr<Output> output, HANDLE pipe, std::string Output::*text) {
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(pipe, buf, sizeof buf, &n, nullptr) && n > 0) {
        std::lock_guard<std::mutex> lock(output->mutex);
        (output.get()->*text).append(buf, n);
    }
    CloseHandle(pipe);
    --output->open;
}

} // namespace

struct Child::Impl {
    PROCESS_INFORMATION process{};
    std::optional<int> status;
    std::shared_ptr<Output> output = std::make_shared<Output>();
};

Child::Child(const Options& o) : FImpl(std::make_unique<Impl>()) {
    std::wstring commandLine;
    for (size_t i = 0; i < o.argv.size(); ++i)
        commandLine += (i ? L" " : L"") + Quote(i == 0 ? NativePath(o.argv[i]) : Wide(o.argv[i]));

    // The environment: ours, with the options' changes.
    std::map<std::wstring, std::wstring> vars;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
            std::wstring kv = p;
            size_t eq = kv.find(L'=', 1);
            if (eq != std::wstring::npos) vars[kv.substr(0, eq)] = kv.substr(eq + 1);
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& [k, v] : o.env) {
        if (v)
            vars[Wide(k)] = Wide(*v);
        else
            vars.erase(Wide(k));
    }
    std::wstring env;
    for (const auto& [k, v] : vars)
        env += k + L"=" + v + L'\0';
    env += L'\0';

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE errRead, errWrite, outRead, outWrite;
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0) ||
        !CreatePipe(&outRead, &outWrite, &inherit, 0))
        throw std::runtime_error("CreatePipe");
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    std::wstring cwd = NativePath(o.cwd);
    BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                  CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED, env.data(),
                                  cwd.empty() ? nullptr : cwd.c_str(), &si, &FImpl->process);
    CloseHandle(errWrite);
    CloseHandle(outWrite);
    if (!started) {
        CloseHandle(errRead);
        CloseHandle(outRead);
        throw std::runtime_error("cannot start " + (o.argv.empty() ? "" : o.argv[0]));
    }
    if (HANDLE job = TestJob()) AssignProcessToJobObject(job, FImpl->process.hProcess);
    ResumeThread(FImpl->process.hThread);
    std::thread(Collect, FImpl->output, errRead, &Output::err).detach();
    std::thread(Collect, FImpl->output, outRead, &Output::out).detach();
}

Child::~Child() {
    if (Running()) {
        TerminateProcess(FImpl->process.hProcess, 1);
        WaitForSingleObject(FImpl->process.hProcess, INFINITE);
    }
    CloseHandle(FImpl->process.hThread);
    CloseHandle(FImpl->process.hProcess);
}

int Child::Pid() const {
    return int(FImpl->process.dwProcessId);
}

bool Child::Running() {
    if (FImpl->status) return false;
    if (WaitForSingleObject(FImpl->process.hProcess, 0) != WAIT_OBJECT_0) return true;
    DWORD code = 0;
    GetExitCodeProcess(FImpl->process.hProcess, &code);
    FImpl->status = int(code);
    return false;
}

std::optional<int> Child::Wait(std::chrono::milliseconds bound) {
    DWORD wait = bound.count() > 0x7fffffff ? INFINITE : DWORD(bound.count());
    if (WaitForSingleObject(FImpl->process.hProcess, wait) != WAIT_OBJECT_0) return std::nullopt;
    Running();
    // What the child wrote is complete once its pipes have ended, unless a
    // program it started still holds them.
    WaitUntil([&] { return FImpl->output->open == 0; }, std::chrono::seconds(5));
    return FImpl->status;
}

bool Child::WaitForExec(const std::string&) {
    // CreateProcess returns once the program is loaded.
    return true;
}

void Child::Kill(int) {
    TerminateProcess(FImpl->process.hProcess, 1);
}

std::string Child::StdErr() {
    std::lock_guard<std::mutex> lock(FImpl->output->mutex);
    return FImpl->output->err;
}

std::string Child::StdOut() {
    std::lock_guard<std::mutex> lock(FImpl->output->mutex);
    return FImpl->output->out;
}

// Held open without any sharing, so every other opening fails.
UnreadableFile::UnreadableFile(const std::string& path) {
    HANDLE h = CreateFileW(NativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + path);
    DWORD written = 0;
    ::WriteFile(h, "content", 7, &written, nullptr);
    FHandle = reinterpret_cast<intptr_t>(h);
}

UnreadableFile::~UnreadableFile() {
    CloseHandle(reinterpret_cast<HANDLE>(FHandle));
}

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll"), "wine_get_version") != nullptr;
}

std::string HostPath(const std::string& path) {
    // Wine's own export; a real Windows has no host tools to hand names to.
    using ToUnix = char*(CDECL*)(const wchar_t*);
    static auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!toUnix) return path;
    char* unix = toUnix(NativePath(path).c_str());
    if (!unix) return path;
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    if (!path.empty() && (path.back() == '/' || path.back() == '\\') && out.back() != '/')
        out += '/';
    return out;
}

// Wine starts a Unix program handed to CreateProcess, but its process handle
// neither waits for it nor carries its exit status: the command reports its
// status in a file, and that file is waited for.
int RunHostCommand(const std::string& shellCommand) {
    static std::atomic<unsigned> counter{0};
    const std::string status = (std::filesystem::temp_directory_path() /
                                ("host-command-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(counter++)))
                                   .string();
    const std::string hostStatus = HostPath(status);
    const std::string script = "PATH=/usr/local/bin:/usr/bin:/bin; export PATH; (" + shellCommand +
                               "); echo $? > '" + hostStatus + ".tmp' && mv '" + hostStatus +
                               ".tmp' '" + hostStatus + "'";
    std::wstring commandLine = L"Z:\\bin\\sh -c " + Quote(Wide(script));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!WaitUntil([&] { return Exists(status); }, std::chrono::seconds(120))) return -1;
    int code = -1;
    try {
        code = std::stoi(ReadFile(status));
    } catch (const std::exception&) {
    }
    std::error_code ec;
    std::filesystem::remove(status, ec);
    return code;
}

std::optional<unsigned> PermissionBits(const std::string&) {
    return std::nullopt;
}

void SetPermissionBits(const std::string&, unsigned) {}

std::string DesktopShortcutPath(const std::string&, const std::string& name) {
    std::string folder;
    PWSTR path = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path))) {
        std::wstring w = path;
        int n =
            WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
        folder.resize(size_t(n));
        WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), folder.data(), n, nullptr,
                            nullptr);
    }
    CoTaskMemFree(path);
    return folder + "\\" + name + ".lnk";
}

} // namespace testsupport
