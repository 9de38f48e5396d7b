#pragma once
// An installation standing in a temporary folder: the root path points there
// and the process-wide store holds that folder's version.ini.
#include "TestSupport.h"
#include "config/UnitAppConfig.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

class InstallationTest : public ::testing::Test {
protected:
    testsupport::TempDir root{"updater-root"};

    void SetUp() override {
        platform::OverrideExecutableFolder(root.Path());
        AppConfig->LoadFromFile(root / "version.ini");
        AppConfig->SetWriteBack(false);
        AppConfig->SetApplicationFileName("Updater");
        AppConfig->SetLoaderName("Varnoke.exe");
        AppConfig->SetNeedUpdateLauncher(false);
    }
    void TearDown() override { platform::OverrideExecutableFolder(""); }

    // Names may hold the server's backslashes.
    void Put(const std::string& name, const std::string& data) {
        std::string path = root / platform::NativePath(name);
        testsupport::MakeDirs(platform::ExtractFilePath(path));
        testsupport::WriteFile(path, data);
    }
    std::string Get(const std::string& name) const {
        return testsupport::ReadFile(root / platform::NativePath(name));
    }
    bool Has(const std::string& name) const {
        return testsupport::Exists(root / platform::NativePath(name));
    }
    std::string VersionIni() const { return AppConfig->INIFile()->ToText(); }
};
