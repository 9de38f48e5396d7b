#pragma once
// The updater's replacement of its own executable through a hand-off copy
// started from "_updater.tmp".
#include <chrono>
#include <string>
#include <system_error>

// Sets AppConfig's ApplicationFileName; with a command-line argument carries
// out the hand-off and returns true, otherwise returns false.
bool ReplaceUpdater();
// Starts root path + program with the given argument text (the command tail
// split in its two parts, so that a program name with blanks stays whole);
// reports its own failure ("重启软件更新失败").
void StartProgram(const std::string& program, const std::string& arguments = "");

// Copies source over target, retrying every `interval` while the copy fails
// (the target is still a running program), for at most `limit`. A missing
// source fails at once.
std::error_code CopyOverWhenFree(const std::string& source, const std::string& target,
                                 std::chrono::milliseconds interval,
                                 std::chrono::milliseconds limit);
