// StartDetached: reports exec failures and leaves no child behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/paths.h"
#include "test_support.h"

namespace {

using platform_test::TempDir;
using platform_test::WaitUntil;

// Number of processes whose parent is this process, from /proc.
int ChildProcessCount() {
    const std::string self = std::filesystem::read_symlink("/proc/self").string();
    int children = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) {
            continue;
        }
        // "pid (name) state ppid ...": the name may hold spaces, so parse after ')'.
        const size_t close = line.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(close + 1));
        std::string state, parent;
        rest >> state >> parent;
        children += parent == self ? 1 : 0;
    }
    return children;
}

TEST(StartDetached, RunsTheProgramOutsideThisProcess) {
    TempDir dir;
    const std::string marker = dir.File("started");
    ASSERT_TRUE(platform::StartDetached("sh", {"-c", "sleep 0.3; echo ok > " + marker}));
    // Still running, yet not our child: nothing for us to reap, no zombie.
    EXPECT_EQ(ChildProcessCount(), 0);
    EXPECT_TRUE(WaitUntil([&] { return platform::FileExists(marker); }));
}

TEST(StartDetached, FailsWhenTheProgramCannotBeExecuted) {
    TempDir dir;
    EXPECT_FALSE(platform::StartDetached(dir.File("missing-program"), {}));
    EXPECT_FALSE(platform::StartDetached("kestrel-no-such-program-anywhere", {}));
    platform_test::WriteFile(dir.File("not-executable"), "#!/bin/sh\n");
    EXPECT_FALSE(platform::StartDetached(dir.File("not-executable"), {}));
    EXPECT_EQ(ChildProcessCount(), 0);
}

}  // namespace
