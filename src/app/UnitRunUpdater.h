#pragma once
// The run sequence of one updater process.
#include <functional>
#include <string>

// Creates the main window, which runs the whole update check and download,
// and runs the message loop until it has closed.
using ShowMainWindowProc = std::function<void()>;

void RunUpdater(const ShowMainWindowProc& ShowMainWindow);

// The agent code held in the bytes of "ag": decoded by its byte-order mark or
// the ANSI code page, trimmed at both ends.
std::string DecodeAgentCode(const std::string& bytes);

// The program entry shared by the updater and its test doubles: hands the
// arguments over, runs, writes the store back; always returns 0.
int UpdaterMain(int argc, char** argv, const ShowMainWindowProc& ShowMainWindow);
