#include "platform/Process.h"

#include "platform/CommandLine.h"
#include "platform/Paths.h"
#include "platform/win32/Windows.h"

namespace platform {

std::error_code StartProcess(const std::string& commandLine, const std::string& currentFolder) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || args[0].empty()) return std::make_error_code(std::errc::invalid_argument);
    // The program named apart: CreateProcessW then neither searches the path
    // nor tries "C:\Program.exe" for an unquoted "C:\Program Files\...". The
    // command line goes to the program as given; its quoting already follows
    // the rules the program's start-up code splits by.
    const std::wstring program = win32::WidePath(args[0]);
    std::wstring line = win32::Wide(commandLine);
    const std::wstring folder =
        currentFolder.empty() ? std::wstring() : win32::Wide(NativePath(currentFolder));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                          CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return win32::LastError();
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return {};
}

namespace {
std::vector<std::string>& Arguments() {
    static std::vector<std::string> args;
    return args;
}
} // namespace

void SetProgramArguments(int /*argc*/, char** /*argv*/) {
    // argv holds the arguments in the ANSI code page, which loses what it
    // cannot hold; the command line itself is UTF-16.
    std::vector<std::string> args = SplitCommandLine(win32::Narrow(::GetCommandLineW()));
    if (!args.empty()) args.erase(args.begin());
    Arguments() = std::move(args);
}

const std::vector<std::string>& ProgramArguments() {
    return Arguments();
}

} // namespace platform
