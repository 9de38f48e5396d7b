// The process-wide store, kept in its own object file so that only programs
// that use it carry it (and write version.ini when they end).
#include "config/UnitAppConfig.h"

#include "platform/Files.h"
#include "platform/MessageBox.h"

namespace {

TAppConfig* CreateAppConfig() {
    auto* config = new TAppConfig();
    config->LoadFromFile(TAppConfig::GetRootPath() + "version.ini");
    return config;
}

bool gFinalized = false;

// Writes the store back when the process ends by leaving main or by exit().
struct Finalizer {
    ~Finalizer() { FinalizeAppConfig(); }
} gFinalizer;

} // namespace

TAppConfig* AppConfig = CreateAppConfig();

void FinalizeAppConfig() {
    if (gFinalized || !AppConfig) return;
    gFinalized = true;
    if (!AppConfig->WriteBack()) return;
    try {
        AppConfig->SaveToFile();
    } catch (const platform::FileError& e) {
        platform::ShowErrorBox("保存版本记录失败 : " + AppConfig->INIFileName() + "\n" +
                               e.Code().message());
    }
}
