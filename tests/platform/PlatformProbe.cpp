// Started by the platform tests:
//   --record <file> <args...>  writes its current folder and arguments to file
//   --ansi                     prints the ANSI charset and GBK bytes decoded by it
//   --hold <ready> <stop>      creates ready, then runs until stop exists (at most 60 s)
//   --lock <folder> <ready> <stop>  takes the installation lock of folder (waiting up to
//                              60 s), creates ready, then holds it until stop exists
//   --free-worker <file>       runs a worker that frees itself and returns once the main
//                              thread has seen it end; the worker's per-thread state
//                              writes file when the thread goes
//   --shortcut <name>          prints the desktop shortcut <name> as the system reads it:
//                              its file, target, working folder and icon, a line each
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/InstallationLock.h"
#include "platform/MainThread.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/Thread.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

using namespace platform;

namespace {

// Per-thread state whose clean-up takes a while, as a library's may.
struct TSlowThreadState {
    std::string file;
    ~TSlowThreadState() {
        if (file.empty()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        WriteFileAtomic(file, "gone");
    }
};
thread_local TSlowThreadState slowThreadState;

class TMarkingWorker : public TThread {
public:
    explicit TMarkingWorker(std::string file) : FFile(std::move(file)) {}

protected:
    void Execute() override { slowThreadState.file = FFile; }

private:
    std::string FFile;
};

} // namespace

int main(int argc, char** argv) {
    SetProgramArguments(argc, argv);
    const std::vector<std::string>& args = ProgramArguments();
    if (args.size() >= 2 && args[0] == "--record") {
        const std::u8string folder = std::filesystem::current_path().u8string();
        std::string out(folder.begin(), folder.end());
        out += "\n";
        for (size_t i = 2; i < args.size(); ++i)
            out += args[i] + "|";
        WriteFileAtomic(args[1], out);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--ansi") {
        // "中文" in GBK, as a file without a byte-order mark holds it.
        std::string out = AnsiCharset() + "\n" + DecodeText("\xD6\xD0\xCE\xC4") + "\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }
    if (args.size() == 3 && args[0] == "--hold") {
        WriteFileAtomic(args[1], "");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!FileExists(args[2]) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 0;
    }
    if (args.size() == 4 && args[0] == "--lock") {
        TInstallationLock lock(args[1]);
        if (!lock.Acquire(std::chrono::seconds(60))) return 3;
        WriteFileAtomic(args[2], "");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!FileExists(args[3]) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 0;
    }
    if (args.size() == 2 && args[0] == "--free-worker") {
        bool ended = false;
        auto* worker = new TMarkingWorker(args[1]);
        worker->SetFreeOnTerminate(true);
        worker->SetOnTerminate([&](TThread*) { ended = true; });
        worker->Start();
        return RunMessageLoopUntil([&] { return ended; }, std::chrono::seconds(60)) ? 0 : 3;
    }
    if (args.size() == 2 && args[0] == "--shortcut") {
        const std::string folder = DesktopFolder();
        for (const char* extension : {".lnk", ".desktop"}) {
            const std::string file = folder + "/" + args[1] + extension;
            if (auto spec = ReadShortcut(file)) {
                std::string out = file + "\n" + spec->target + "\n" + spec->workingDirectory +
                                  "\n" + spec->iconPath + "\n";
                std::fwrite(out.data(), 1, out.size(), stdout);
                return 0;
            }
        }
        return 1;
    }
    return 2;
}
