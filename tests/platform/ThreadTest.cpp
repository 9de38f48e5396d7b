// Workers that free themselves, in a real process that ends right after them.
#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

using namespace platform;
using testsupport::TempDir;

namespace {

TEST(Thread, AWorkerThatFreesItselfEndsWhollyBeforeTheProcessDoes) {
    // The libraries free their per-thread state as a thread goes; a process
    // that ended first reported that state as leaked (and lost what it wrote).
    TempDir dir;
    const std::string mark = dir / "thread-gone";
    testsupport::Child child(
        {{ExecutableFolder() + PLATFORM_PROBE_NAME, "--free-worker", mark}, "", {}});
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(FileExists(mark) ? ReadWholeFile(mark) : "", "gone");
}

} // namespace
