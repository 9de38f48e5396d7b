#include "app/UnitRunUpdater.h"

#include "app/UnitLauncher.h"
#include "app/UnitReplaceUpdater.h"
#include "config/UnitAppConfig.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/InstallationLock.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"

#include <exception>

std::string DecodeAgentCode(const std::string& bytes) {
    return platform::Trim(platform::DecodeText(bytes));
}

namespace {

std::string LinkNameOf(std::string fileName) {
    for (size_t p; (p = fileName.find(".exe")) != std::string::npos;)
        fileName.erase(p, 4);
    return fileName;
}

} // namespace

void RunUpdater(const ShowMainWindowProc& ShowMainWindow) {
    if (ReplaceUpdater()) return;

    if (!AppConfig->LoadError().empty())
        platform::ShowErrorBox("读取版本记录失败，本次不会保存版本记录 : " +
                               AppConfig->LoadError());

    const std::string root = TAppConfig::GetRootPath();
    const std::string agPath = root + "ag";
    if (!platform::FileExists(agPath)) {
        platform::ShowErrorBox("找不到文件 : " + agPath);
        return;
    }
    try {
        AppConfig->AgentCode = DecodeAgentCode(platform::ReadWholeFile(agPath));
    } catch (const platform::FileError& e) {
        platform::ShowErrorBox("读取文件失败 : " + agPath + "\n" + e.Code().message());
        return;
    }

    ShowMainWindow();

    if (AppConfig->NeedUpdateLauncher()) {
        StartProgram("_updater.tmp", platform::QuoteArgument(AppConfig->ApplicationFileName()));
        return;
    }
    const std::string exe = platform::ExecutablePath();
    const std::string icon = root + "Resource\\app.ico";
    CreateDesktopShortcut(exe, LinkNameOf(platform::ExtractFileName(exe)),
                          platform::FileExists(icon) ? icon : std::string());
    LaunchApplication();
}

int UpdaterMain(int argc, char** argv, const ShowMainWindowProc& ShowMainWindow) {
    platform::SetProgramArguments(argc, argv);
    // Held until the store is written back. The hand-off starts the next
    // updater before this one has ended, so the next one waits its turn.
    platform::TInstallationLock lock(TAppConfig::GetRootPath());
    if (!lock.Acquire(kInstallationLockWait)) {
        AppConfig->SetWriteBack(false);
        platform::ShowErrorBox("另一个更新程序正在运行，请等它结束后再试");
        return 0;
    }
    // Read again: the store was read before the lock was ours, and an
    // updater that has just ended may have written it since.
    AppConfig->LoadFromFile(AppConfig->INIFileName());
    try {
        RunUpdater(ShowMainWindow);
    } catch (const std::exception& e) {
        platform::ShowErrorBox(std::string("更新程序发生错误 : ") + e.what());
    }
    FinalizeAppConfig();
    return 0;
}
