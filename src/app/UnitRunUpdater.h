#pragma once
// The run sequence of one updater process.
#include <chrono>
#include <functional>
#include <string>

// Creates the main window, which runs the whole update check and download,
// and runs the message loop until it has closed.
using ShowMainWindowProc = std::function<void()>;

void RunUpdater(const ShowMainWindowProc& ShowMainWindow);

// The agent code held in the bytes of "ag": decoded by its byte-order mark or
// the ANSI code page, trimmed at both ends.
std::string DecodeAgentCode(const std::string& bytes);

// How long an updater waits for another one of the same installation to end
// before it gives up with a message (the hand-off's copies wait their turn).
inline constexpr std::chrono::milliseconds kInstallationLockWait{60000};

// The program entry shared by the updater and its test doubles: hands the
// arguments over, takes the installation's lock, runs, writes the store
// back; always returns 0.
int UpdaterMain(int argc, char** argv, const ShowMainWindowProc& ShowMainWindow);
