// Appends one record of its start to "started.txt" beside itself:
//   RUN <own file name>
//   CWD <current folder>
//   ARG <argument>         (one line each; line breaks written as \n)
// With "--hold <file>" it then keeps running (its file in use) until <file>
// exists.
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

static std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

int main(int argc, char** argv) {
    platform::SetProgramArguments(argc, argv);
    const std::string path = platform::ExecutablePath();
    const std::string folder = platform::ExtractFilePath(path);
    std::string record = "RUN " + platform::ExtractFileName(path) + "\n";
    std::u8string cwd = std::filesystem::current_path().u8string();
    record += "CWD " + std::string(cwd.begin(), cwd.end()) + "\n";
    const auto& args = platform::ProgramArguments();
    for (const std::string& a : args)
        record += "ARG " + Escape(a) + "\n";
    std::u8string name = u8"started.txt";
    std::u8string base(folder.begin(), folder.end());
    // One write, so a reader never sees half a record.
    std::ofstream out(std::filesystem::path(base + name), std::ios::binary | std::ios::app);
    if (!out.write(record.data(), std::streamsize(record.size())).flush()) return 3;
    out.close();
    if (args.size() >= 2 && args[0] == "--hold") {
        while (!platform::FileExists(args[1]))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}
