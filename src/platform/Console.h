#pragma once
// The process's standard error as a place for progress: whether a person is
// watching it live, and writing text to it.
#include <string>

namespace platform {

// True when standard error is a terminal (a live bar can be redrawn there).
bool StandardErrorIsTerminal();

// Writes UTF-8 text to standard error as it is and flushes it.
void WriteStandardError(const std::string& text);

} // namespace platform
