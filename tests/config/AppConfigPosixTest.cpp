// The configuration file's permission bits, which only a POSIX system has.
#include "config/UnitAppConfig.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(AppConfigFileMode, SaveKeepsTheFileMode) {
    testsupport::TempDir dir;
    const std::string ini = dir / "version.ini";
    testsupport::WriteFile(ini, "[A]\r\nVer=1\r\n");
    ASSERT_EQ(::chmod(ini.c_str(), 0640), 0);
    TAppConfig config;
    config.LoadFromFile(ini);
    config.SetSetion("A");
    config.WriteInt32("Ver", 2);
    config.SaveToFile();
    struct stat st;
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

} // namespace
