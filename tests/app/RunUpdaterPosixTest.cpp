// The run sequence where only a POSIX system has the means: a symbolic link.
#include "AppTestSupport.h"

#include <filesystem>
#include <unistd.h>

using ::testing::ElementsAre;

namespace {

class RunSequenceLinks : public Installation {};

// A loader that is a link to "Varnoke.exe" must not empty it by copying it
// onto itself.
TEST_F(RunSequenceLinks, LoaderLinkedToTheApplicationLeavesItWhole) {
    InstallUpdater(FAKEWINDOW_BIN);
    InstallRecorder("Varnoke.exe");
    ASSERT_EQ(::symlink("Varnoke.exe", At("link.exe").c_str()), 0);
    const std::string before = Get("Varnoke.exe");
    Put("ag", "CODE");
    Put("window.txt", "loader link.exe\n");
    EXPECT_EQ(Run().exitCode, 0);
    EXPECT_EQ(Get("Varnoke.exe"), before);
    ASSERT_TRUE(WaitForStarts(1));
    EXPECT_THAT(Started(), ElementsAre("RUN Varnoke.exe", CwdLine(), "ARG CODE"));
}

} // namespace
