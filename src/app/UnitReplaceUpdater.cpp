#include "app/UnitReplaceUpdater.h"

#include "config/UnitAppConfig.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#include <thread>

namespace {
constexpr std::chrono::milliseconds kRetryInterval{50};
constexpr std::chrono::milliseconds kRetryLimit{60000};
} // namespace

std::error_code CopyOverWhenFree(const std::string& source, const std::string& target,
                                 std::chrono::milliseconds interval,
                                 std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (!platform::FileExists(source))
            return std::make_error_code(std::errc::no_such_file_or_directory);
        std::error_code ec = platform::CopyFileOver(source, target, true);
        if (!ec || std::chrono::steady_clock::now() >= deadline) return ec;
        std::this_thread::sleep_for(interval);
    }
}

void StartProgram(const std::string& program, const std::string& arguments) {
    const std::string root = TAppConfig::GetRootPath();
    std::string commandLine = platform::QuoteProgramPath(root + program);
    if (!arguments.empty()) commandLine += " " + arguments;
    if (platform::StartProcess(commandLine, root)) platform::ShowErrorBox("重启软件更新失败");
}

bool ReplaceUpdater() {
    AppConfig->SetApplicationFileName(platform::ExtractFileName(platform::ExecutablePath()));
    const auto& args = platform::ProgramArguments();
    if (args.empty()) return false;

    // The hand-off copy never writes version.ini: the ending updater has just
    // recorded the versions in it.
    AppConfig->SetWriteBack(false);
    const std::string name = args[0];
    const std::string root = TAppConfig::GetRootPath();
    const std::string source = root + "_updater.tmp";
    const std::string target = root + name;
    if (!platform::FileExists(source)) {
        platform::ShowErrorBox("找不到文件 : " + source);
        return true;
    }
    if (std::error_code ec = CopyOverWhenFree(source, target, kRetryInterval, kRetryLimit)) {
        platform::ShowErrorBox("替换更新程序失败 : " + target + "\n" + ec.message());
        return true;
    }
    StartProgram(name);
    return true;
}
