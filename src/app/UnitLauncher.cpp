#include "app/UnitLauncher.h"

#include "config/UnitAppConfig.h"
#include "platform/CommandLine.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"

namespace {
const char* const kApplicationName = "Varnoke.exe";
}

void CreateDesktopShortcut(const std::string& targetPath, const std::string& linkName,
                           const std::string& iconPath) {
    platform::ShortcutSpec spec;
    spec.target = targetPath;
    spec.workingDirectory = platform::ExtractFilePath(targetPath);
    spec.iconPath = iconPath;
    spec.name = linkName;
    platform::WriteShortcut(platform::DesktopFolder(), spec);
}

std::string ApplicationCommandLine(const std::string& rootPath, const std::string& loaderName,
                                   const std::string& agentCode) {
    return platform::QuoteProgramPath(rootPath + loaderName) + " " + agentCode;
}

void LaunchApplication() {
    const std::string root = TAppConfig::GetRootPath();
    const std::string loader = AppConfig->LoaderName();
    const std::string source = root + kApplicationName;
    const std::string target = root + loader;
    // Another spelling of the same file ("." or ".." parts, a link) is nothing
    // to copy. The copy goes through a temporary file beside the target, so
    // the target is never emptied before the source has been read.
    if (platform::LowerCase(kApplicationName) != platform::LowerCase(loader) &&
        !platform::SameFile(source, target)) {
        // A failed copy is not reported: the start below is tried anyway.
        platform::ReplaceFileWith(source, target, true);
        std::string sourceManifest = source + ".manifest";
        std::string targetManifest = target + ".manifest";
        if (platform::FileExists(sourceManifest) && !platform::FileExists(targetManifest))
            platform::ReplaceFileWith(sourceManifest, targetManifest);
    }
    if (platform::StartProcess(ApplicationCommandLine(root, loader, AppConfig->AgentCode), root))
        platform::ShowErrorBox("启动软件应用失败");
}
