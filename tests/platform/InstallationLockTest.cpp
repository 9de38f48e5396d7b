// The installation lock between real processes: one holder at a time, freed
// when the holder ends however it ends, and never passed on to a program the
// holder starts.
#include "platform/InstallationLock.h"
#include "TestSupport.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

using namespace platform;
using testsupport::Child;
using testsupport::TempDir;

namespace {

std::string Probe() {
    return ExecutableFolder() + PLATFORM_PROBE_NAME;
}

class InstallationLockTest : public ::testing::Test {
protected:
    TempDir dir{"lock"};
    std::string install = dir / "install";

    void SetUp() override { testsupport::MakeDirs(install); }

    // A probe that holds the lock once `ready` exists, until `stop` does.
    std::unique_ptr<Child> Holder(const std::string& name) {
        auto child = std::make_unique<Child>(Child::Options{
            {Probe(), "--lock", install, dir / (name + ".ready"), dir / (name + ".stop")}, "", {}});
        return child;
    }
    bool Ready(const std::string& name) {
        return testsupport::WaitUntil([&] { return FileExists(dir / (name + ".ready")); });
    }
};

TEST_F(InstallationLockTest, OneHolderAtATimeAndFreedWhenItEnds) {
    auto first = Holder("first");
    ASSERT_TRUE(Ready("first"));
    {
        TInstallationLock lock(install);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(lock.Acquire(std::chrono::milliseconds(300)));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    }
    // Another folder's lock is another lock.
    testsupport::MakeDirs(dir / "other");
    TInstallationLock other(dir / "other");
    EXPECT_TRUE(other.Acquire(std::chrono::milliseconds(0)));

    // A waiting updater gets the lock once the holder ends normally...
    TInstallationLock lock(install);
    testsupport::WriteFile(dir / "first.stop", "");
    EXPECT_TRUE(lock.Acquire(std::chrono::seconds(30)));
    EXPECT_EQ(first->Wait(), 0);
}

TEST_F(InstallationLockTest, AKilledHolderLeavesItFree) {
    auto holder = Holder("killed");
    ASSERT_TRUE(Ready("killed"));
    holder->Kill(9);
    holder->Wait();
    TInstallationLock lock(install);
    EXPECT_TRUE(lock.Acquire(std::chrono::seconds(30)));
}

TEST_F(InstallationLockTest, AProgramStartedByTheHolderDoesNotKeepIt) {
    auto lock = std::make_unique<TInstallationLock>(install);
    ASSERT_TRUE(lock->Acquire(std::chrono::seconds(5)));
    // The application the updater starts runs on after the updater ends.
    ASSERT_FALSE(StartProcess(QuoteProgramPath(Probe()) + " --hold " +
                                  QuoteArgument(dir / "app.ready") + " " +
                                  QuoteArgument(dir / "app.stop"),
                              dir.Path()));
    ASSERT_TRUE(Ready("app"));
    lock.reset();
    auto next = Holder("next");
    EXPECT_TRUE(Ready("next")) << "the lock stayed with the started program";
    testsupport::WriteFile(dir / "next.stop", "");
    testsupport::WriteFile(dir / "app.stop", "");
    EXPECT_EQ(next->Wait(), 0);
}

} // namespace
