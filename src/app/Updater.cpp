// The updater program.
#include "app/UnitRunUpdater.h"

int main(int argc, char** argv) {
    // The windows arrive with the user interface layer; until then the check
    // is skipped and the run goes straight on to the launch.
    return UpdaterMain(argc, argv, [] {});
}
