// The updater with a scripted window step. "window.txt" beside it, when
// present, says what the window does, one word a line:
//   launcher        a new updater copy was fetched (NeedUpdateLauncher); the
//                   script is used up, so the replaced updater runs plainly
//   loader <name>   the update list named another loader
// Every window step is logged to "window-shown.txt" with the agent code.
#include "app/UnitRunUpdater.h"
#include "config/UnitAppConfig.h"

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    return UpdaterMain(argc, argv, [] {
        const std::string root = TAppConfig::GetRootPath();
        std::ofstream(root + "window-shown.txt", std::ios::app | std::ios::binary)
            << "[" << AppConfig->AgentCode << "]\n";
        std::ifstream script(root + "window.txt");
        std::string line;
        bool usedUp = false;
        while (std::getline(script, line)) {
            std::istringstream words(line);
            std::string word;
            words >> word;
            if (word == "launcher") {
                AppConfig->SetNeedUpdateLauncher(true);
                usedUp = true;
            }
            if (word == "loader") {
                std::string rest;
                std::getline(words, rest);
                AppConfig->SetLoaderName(rest.substr(rest.find_first_not_of(' ')));
            }
        }
        // Closed first: Windows deletes no file that is still open.
        script.close();
        if (usedUp) std::remove((root + "window.txt").c_str());
    });
}
