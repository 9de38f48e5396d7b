#pragma once
#include <string>
#include <system_error>
#include <vector>

namespace platform {

// Starts a program from a command line (program = first token, see
// SplitCommandLine), in a new process group, with the caller's environment,
// in `currentFolder`. The program is not waited for. Returns an empty error
// code when the program has started.
std::error_code StartProcess(const std::string& commandLine, const std::string& currentFolder);

// The arguments the process was started with, without the program itself.
// On Linux they arrive split; the program entry hands them over once.
void SetProgramArguments(int argc, char** argv);
const std::vector<std::string>& ProgramArguments();

} // namespace platform
