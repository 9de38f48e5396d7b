#pragma once
// The last steps of a normal run: the desktop shortcut to the updater, and the
// application started under its loader name with the agent code.
#include <string>

// Never reports a failure.
void CreateDesktopShortcut(const std::string& targetPath, const std::string& linkName,
                           const std::string& iconPath);
// Reports its own failure ("启动软件应用失败").
void LaunchApplication();

// The application's command line: program path (quoted when it holds a blank),
// one blank, the agent code.
std::string ApplicationCommandLine(const std::string& rootPath, const std::string& loaderName,
                                   const std::string& agentCode);
