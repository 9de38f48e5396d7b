// The updater program.
#include "app/UnitRunUpdater.h"
#include "ui/UnitFormUpdateMain.h"

int main(int argc, char** argv) { return UpdaterMain(argc, argv, ShowMainWindow); }
