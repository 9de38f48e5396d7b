// The updater program.
#include "app/ListKey.h"
#include "app/UnitRunUpdater.h"
#include "platform/MessageBox.h"
#include "skin/ZelSkinMessageBox.h"
#include "ui/UnitFormUpdateMain.h"

int main(int argc, char** argv) {
    // With a display the boxes are drawn in the updater's skin (the system's
    // own dialogs lack the fonts for Chinese text); without one each stays a
    // line on standard error.
    if (platform::DisplayAvailable()) InstallSkinMessageBox();
    InstallBuiltInListKey();
    return UpdaterMain(argc, argv, ShowMainWindow);
}
