// Home and drive-root folders from the environment, native paths, folders
// and disk space.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/paths.h"
#include "test_support.h"

namespace {

using platform_test::ScopedEnv;
using platform_test::TempDir;

TEST(Paths, NativePathMapsTheDrivePrefixToTheDriveRoot) {
    ScopedEnv root("KESTREL_DRIVE_ROOT", "/srv/kestrel-root");  // separator added
    EXPECT_EQ(platform::DriveRoot(), "/srv/kestrel-root/");
    EXPECT_EQ(platform::NativePath("c:\\DVR\\record\\"), "/srv/kestrel-root/DVR/record/");
    EXPECT_EQ(platform::NativePath("C:\\DVR\\log.txt"), "/srv/kestrel-root/DVR/log.txt");
    EXPECT_EQ(platform::NativePath("D:/clips"), "/srv/kestrel-root/clips");
    EXPECT_EQ(platform::NativePath("c:"), "/srv/kestrel-root/");
    EXPECT_EQ(platform::NativePath("record\\today\\"), "record/today/");
    EXPECT_EQ(platform::NativePath("/already/native"), "/already/native");
}

TEST(Paths, DriveRootFallsBackToTheHomeFolder) {
    ScopedEnv root("KESTREL_DRIVE_ROOT", "");  // empty counts as unset
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(platform::DriveRoot(), "/home/someone/");
    EXPECT_EQ(platform::NativePath("c:\\DVR\\record\\"), "/home/someone/DVR/record/");
}

TEST(Paths, ClientHomeFolderIsKestrelHomeOrTheWritableProgramFolder) {
    TempDir dir;
    const std::string wanted = dir.File("home/nested");
    {
        ScopedEnv home("KESTREL_HOME", wanted);
        EXPECT_EQ(platform::ClientHomeFolder(), wanted + "/");
        EXPECT_TRUE(std::filesystem::is_directory(wanted));  // created on demand
    }
    ScopedEnv home("KESTREL_HOME", std::nullopt);
    // The test binary's build folder is writable, so it is the home folder.
    EXPECT_EQ(platform::ClientHomeFolder(), platform::ProgramFolder());
}

TEST(Paths, MakeDirectoriesCreatesEveryLevel) {
    TempDir dir;
    const std::string deep = platform::JoinPath(dir.path(), "a/b/c/");
    EXPECT_TRUE(platform::MakeDirectories(deep));
    EXPECT_TRUE(platform::FileExists(deep));
    EXPECT_TRUE(platform::MakeDirectories(deep));  // already there
    platform_test::WriteFile(dir.File("file"), "x");
    EXPECT_FALSE(platform::MakeDirectories(dir.File("file/sub")));
    EXPECT_FALSE(platform::FileExists(dir.File("missing")));
    EXPECT_EQ(platform::JoinPath(dir.path() + "/", "/x"), dir.path() + "/x");
}

TEST(Paths, FreeDiskBytes) {
    EXPECT_GT(platform::FreeDiskBytes("/tmp"), 0);
    EXPECT_EQ(platform::FreeDiskBytes("/no/such/folder"), -1);
}

}  // namespace
