// The configuration file, folders and log of the client context, on real
// files in a fresh home folder per test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "client_context.h"
#include "client_test_support.h"
#include "platform/clock.h"

namespace kestrel::client_test {
namespace {

using client::ClientContext;

TEST(ClientConfig, FirstStartWritesExactlyTheNineKeysAndTheDefaultRoots) {
    TestFolders folders;
    ClientContext context(folders.HomeFolder());
    ASSERT_EQ(context.Init(), 1);

    EXPECT_EQ(context.videoPath, folders.UnderRoot("DVR/record/"));
    EXPECT_EQ(context.framePath, folders.UnderRoot("DVR/capture/"));
    EXPECT_EQ(context.filePath, folders.UnderRoot("DVR/download/"));
    EXPECT_EQ(context.iniPath, folders.IniPath());

    const ProfileKeys expected{
        {{"Language", "Lang"}, "0"},
        {{"WINDOW_COUNT", "wnd_count"}, "4"},
        {{"Path", "Videopath"}, context.videoPath},
        {{"Path", "Framepath"}, context.framePath},
        {{"Path", "Filepath"}, context.filePath},
        {{"Delete", "IsDelete"}, "1033"},
        {{"LOGIN_ADDRESS", "IP"}, ""},
        {{"LOGIN_VIDEOPORT", "VPORT"}, ""},
        {{"UserID", "ID"}, ""},
    };
    EXPECT_EQ(ReadKeys(folders.IniPath()), expected);

    // A second start reads what the first wrote and changes nothing.
    const std::string written = ReadFile(folders.IniPath());
    ClientContext again(folders.HomeFolder());
    again.Init();
    EXPECT_EQ(again.windowCount, 4);
    EXPECT_EQ(again.videoPath, context.videoPath);
    EXPECT_EQ(ReadFile(folders.IniPath()), written);
}

TEST(ClientConfig, AnOutdatedOrUnmarkedFileIsRebuiltWithTheDefaultFolders) {
    for (const char* marker : {"IsDelete=1031\n", "", "IsDelete=abc\n"}) {
        SCOPED_TRACE(marker);
        TestFolders folders;
        WriteFile(folders.IniPath(),
                  std::string("[Language]\nLang=2\n[WINDOW_COUNT]\nwnd_count=9\n[Path]\n"
                              "Videopath=/elsewhere/rec/\nFramepath=/elsewhere/cap/\n"
                              "Filepath=/elsewhere/dl/\n[LOGIN_ADDRESS]\nIP=127.0.0.9\n"
                              "[Stray]\nOld=1\n[Delete]\n") +
                      marker);
        ClientContext context(folders.HomeFolder());
        ASSERT_EQ(context.Init(), 1);

        EXPECT_EQ(context.videoPath, folders.UnderRoot("DVR/record/"));
        EXPECT_EQ(context.framePath, folders.UnderRoot("DVR/capture/"));
        EXPECT_EQ(context.filePath, folders.UnderRoot("DVR/download/"));
        // Read values survive in memory where the rebuild does not reset them.
        EXPECT_EQ(context.language, 2);
        EXPECT_EQ(context.windowCount, 9);
        EXPECT_EQ(context.ip, "127.0.0.9");

        const ProfileKeys keys = ReadKeys(folders.IniPath());
        EXPECT_EQ(keys.size(), 9u);
        EXPECT_EQ(keys.count({"Stray", "Old"}), 0u) << "the old file was not deleted";
        EXPECT_EQ(keys.at({"Delete", "IsDelete"}), "1033");
        EXPECT_EQ(keys.at({"Language", "Lang"}), "2");
        EXPECT_EQ(keys.at({"LOGIN_ADDRESS", "IP"}), "");
        EXPECT_EQ(keys.at({"Path", "Framepath"}), context.framePath);
    }
}

TEST(ClientConfig, EmptyFoldersGetTheirDefaultsWrittenBackAndOthersStay) {
    TestFolders folders;
    const std::string frames = folders.UnderRoot("mine/frames/");
    WriteFile(folders.IniPath(), "[Path]\nVideopath=\nFramepath=" + frames +
                                     "\n[Delete]\nIsDelete=1033\n[LOGIN_ADDRESS]\nIP=10.1.2.3\n"
                                     "[LOGIN_VIDEOPORT]\nVPORT=5050\n[UserID]\nID=oper\n");
    ClientContext context(folders.HomeFolder());
    context.Init();

    EXPECT_EQ(context.videoPath, folders.UnderRoot("DVR/record/"));
    EXPECT_EQ(context.framePath, frames);
    EXPECT_EQ(context.filePath, folders.UnderRoot("DVR/download/"));
    EXPECT_EQ(context.windowCount, 0);  // the key is missing
    EXPECT_EQ(context.ip, "10.1.2.3");
    EXPECT_EQ(context.loginIpText, "10.1.2.3");
    EXPECT_EQ(context.mediaPort, 5050);
    EXPECT_EQ(context.user, "oper");
    EXPECT_EQ(context.loginUserText, "oper");

    const ProfileKeys keys = ReadKeys(folders.IniPath());
    EXPECT_EQ(keys.at({"Path", "Videopath"}), context.videoPath);
    EXPECT_EQ(keys.at({"Path", "Filepath"}), context.filePath);
    EXPECT_EQ(keys.at({"Path", "Framepath"}), frames);
}

TEST(ClientConfig, WindowsSpellingInTheFileBecomesANativeFolder) {
    TestFolders folders;
    WriteFile(folders.IniPath(), "[Path]\nVideopath=d:\\Video\\Cam\\\n[Delete]\nIsDelete=1033\n");
    ClientContext context(folders.HomeFolder());
    context.Init();
    EXPECT_EQ(context.videoPath, folders.UnderRoot("Video/Cam/"));
}

TEST(ClientConfig, SettersWriteTheirKeysAndOverlongFoldersAreCut) {
    TestFolders folders;
    ClientContext context(folders.HomeFolder());
    context.Init();
    const std::string video = folders.UnderRoot("videos/");
    EXPECT_TRUE(context.SetVideoPath(video));
    EXPECT_TRUE(context.SetFilePath(std::string(300, 'f')));
    context.SetLanguage(2);
    context.mediaPort = 6036;
    context.SaveVideoPort();

    EXPECT_EQ(context.GetFilePath().size(), client::kPathCapacity);
    ClientContext reread(folders.HomeFolder());
    reread.Init();
    EXPECT_EQ(reread.videoPath, video);
    EXPECT_EQ(reread.filePath, std::string(client::kPathCapacity, 'f'));
    EXPECT_EQ(reread.language, 2);
    EXPECT_EQ(reread.mediaPort, 6036);
    EXPECT_EQ(context.GetBackupPath(), folders.UnderRoot("DVR/BACKUP/"));
}

TEST(ClientConfig, AnUnwritableHomeStillStartsWithTheDefaultsInMemory) {
    TestFolders folders;
    ClientContext context(folders.home.File("missing/below/"));
    EXPECT_EQ(context.Init(), 1);
    EXPECT_EQ(context.videoPath, folders.UnderRoot("DVR/record/"));
    EXPECT_FALSE(context.SetVideoPath("/x/"));
    EXPECT_EQ(context.videoPath, "/x/");
}

TEST(ClientFolders, MakePathCreatesEverySnapshotLevelButNothingForShortPaths) {
    TestFolders folders;
    ClientContext context(folders.HomeFolder());
    context.Init();
    const std::string channelFolder = context.framePath + "IP_127.0.0.5\\Capture\\01\\";
    EXPECT_TRUE(context.MakePath(channelFolder));
    namespace fs = std::filesystem;
    for (const char* level :
         {"DVR", "DVR/capture", "DVR/capture/IP_127.0.0.5", "DVR/capture/IP_127.0.0.5/Capture",
          "DVR/capture/IP_127.0.0.5/Capture/01"}) {
        EXPECT_TRUE(fs::is_directory(folders.UnderRoot(level))) << level;
    }
    // A trailing file name is not a folder.
    context.MakePath(context.videoPath + "a/b.avi");
    EXPECT_TRUE(fs::is_directory(folders.UnderRoot("DVR/record/a")));
    EXPECT_FALSE(fs::exists(folders.UnderRoot("DVR/record/a/b.avi")));

    // Relative paths of four characters or fewer create nothing.
    const fs::path previous = fs::current_path();
    fs::current_path(folders.driveRoot.path());
    context.MakePath("x/y/");
    context.MakePath("q\\r");
    fs::current_path(previous);
    EXPECT_FALSE(fs::exists(folders.UnderRoot("x")));
    EXPECT_FALSE(fs::exists(folders.UnderRoot("q")));
}

TEST(ClientLog, EachEntryIsTheTextThenATabbedTimeStamp) {
    TestFolders folders;
    ClientContext context(folders.HomeFolder());
    const int year = platform::Now().year;
    context.WriteLog("first\r\n");
    context.WriteLog("second");
    const std::string log = ReadFile(folders.home.File("DvrOcxlog.txt"));
    const std::regex entries(
        "first\r\n\t\t(\\d+)-[1-9]\\d?-[1-9]\\d?-(?:0|[1-9]\\d?)-(?:0|[1-9]\\d?)-(?:0|[1-9]\\d?)\n"
        "second\t\t(\\d+)-[1-9]\\d?-[1-9]\\d?-(?:0|[1-9]\\d?)-(?:0|[1-9]\\d?)-(?:0|[1-9]\\d?)\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(log, match, entries)) << log;
    EXPECT_GE(std::stoi(match[1]), year);
}

}  // namespace
}  // namespace kestrel::client_test
