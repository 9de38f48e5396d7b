// The updater program as shipped, asking the benchmark's own server (its
// address in BENCH_SERVER_HOST) instead of the one it was built with.
#include "app/ListKey.h"
#include "app/UnitRunUpdater.h"
#include "platform/MessageBox.h"
#include "skin/ZelSkinMessageBox.h"
#include "ui/UnitFormUpdateMain.h"
#include "update/UnitQueryServerFiles.h"

#include <cstdlib>

int main(int argc, char** argv) {
    if (const char* host = std::getenv("BENCH_SERVER_HOST")) OverrideUpdateServerHost(host);
    if (platform::DisplayAvailable()) InstallSkinMessageBox();
    InstallBuiltInListKey();
    return UpdaterMain(argc, argv, ShowMainWindow);
}
