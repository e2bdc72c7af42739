// Profile files: lookups, integer parsing, and writes that keep the rest of
// the file byte for byte.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile.h"
#include "test_support.h"

namespace {

using platform::ReadProfileInt;
using platform::ReadProfileString;
using platform::WriteProfileString;
using platform_test::ReadFile;
using platform_test::TempDir;
using platform_test::WriteFile;

const std::string kOriginal =
    "; client settings\r\n"
    "[Net]\r\n"
    "Port = 8000\r\n"
    "  host=127.0.0.1  \r\n"
    "\r\n"
    "; next comes the view\r\n"
    "[View]\r\n"
    "Split=4\r\n"
    "stray line without equals\r\n"
    "[Log]\r\n"
    "Level=2";  // no line end on the last line

TEST(Profile, WritesChangeOnlyTheirOwnLines) {
    TempDir dir;
    const std::string path = dir.File("client.ini");
    WriteFile(path, kOriginal);
    EXPECT_TRUE(WriteProfileString(path, "net", "PORT", "9000"));   // replaced in place
    EXPECT_TRUE(WriteProfileString(path, "VIEW", "Scale", "1"));    // after the last key
    EXPECT_TRUE(WriteProfileString(path, "Log", "File", "a.log"));  // last line gets a line end
    EXPECT_TRUE(WriteProfileString(path, "Audio", "Mute", "0"));    // new section at the end
    EXPECT_EQ(ReadFile(path),
              "; client settings\r\n"
              "[Net]\r\n"
              "Port=9000\r\n"
              "  host=127.0.0.1  \r\n"
              "\r\n"
              "; next comes the view\r\n"
              "[View]\r\n"
              "Split=4\r\n"
              "Scale=1\r\n"
              "stray line without equals\r\n"
              "[Log]\r\n"
              "Level=2\r\n"
              "File=a.log\r\n"
              "[Audio]\r\n"
              "Mute=0\r\n");
}

TEST(Profile, LookupIgnoresCaseAndSurroundingBlanks) {
    TempDir dir;
    const std::string path = dir.File("a.ini");
    WriteFile(path, "top=1\n  [ Net ]  \n Host = 127.0.0.2 \nempty=\n[Other]\nHost=x\n");
    EXPECT_EQ(ReadProfileString(path, "NET", "host", "none"), "127.0.0.2");
    EXPECT_EQ(ReadProfileString(path, " net ", " HOST ", "none"), "127.0.0.2");
    EXPECT_EQ(ReadProfileString(path, "net", "empty", "none"), "");
    EXPECT_EQ(ReadProfileString(path, "net", "missing", "none"), "none");
    EXPECT_EQ(ReadProfileString(path, "net", "top", "none"), "none");  // before any section
    EXPECT_EQ(ReadProfileString(path, "absent", "host", "none"), "none");
}

TEST(Profile, FirstOfRepeatedNamesCountsForReadsAndWrites) {
    TempDir dir;
    const std::string path = dir.File("a.ini");
    WriteFile(path, "[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
    EXPECT_EQ(ReadProfileInt(path, "A", "k", -1), 1);
    EXPECT_EQ(ReadProfileInt(path, "A", "j", -1), 4);  // found in the repeated section
    EXPECT_TRUE(WriteProfileString(path, "a", "K", "5"));
    EXPECT_TRUE(WriteProfileString(path, "a", "new", "6"));
    EXPECT_EQ(ReadFile(path), "[A]\nk=5\nk=2\nnew=6\n[a]\nk=3\nj=4\n");
}

TEST(Profile, IntegersReadTheirLeadingDigits) {
    TempDir dir;
    const std::string path = dir.File("n.ini");
    WriteFile(path,
              "[N]\nplain=42\nsuffix=12abc\nneg=-7\nplus=+3\ntext=abc\nempty=\nhex=0x10\n"
              "big=99999999999\nsmall=-99999999999\nspaced=- 5\n");
    const struct {
        const char* key;
        int expected;
    } cases[] = {{"plain", 42},      {"suffix", 12}, {"neg", -7},     {"plus", 3},
                 {"text", 0},        {"empty", 0},   {"hex", 0},      {"big", INT_MAX},
                 {"small", INT_MIN}, {"spaced", 0},  {"missing", -99}};
    for (const auto& c : cases) {
        EXPECT_EQ(ReadProfileInt(path, "n", c.key, -99), c.expected) << c.key;
    }
    EXPECT_EQ(ReadProfileInt(dir.File("absent.ini"), "n", "plain", 17), 17);
}

TEST(Profile, WriteCreatesAMissingFileAndFailsWhereItCannotWrite) {
    TempDir dir;
    const std::string path = dir.File("new.ini");
    EXPECT_EQ(ReadProfileString(path, "S", "k", "fallback"), "fallback");
    ASSERT_TRUE(WriteProfileString(path, "S", "k", "v"));
    EXPECT_EQ(ReadFile(path), "[S]\nk=v\n");
    EXPECT_FALSE(WriteProfileString(dir.File("no/such/folder.ini"), "S", "k", "v"));
    EXPECT_FALSE(WriteProfileString(dir.path(), "S", "k", "v"));  // a folder, not a file
}

TEST(Profile, WriteThroughASymbolicLinkKeepsTheLink) {
    TempDir dir;
    const std::string target = dir.File("real.ini");
    const std::string link = dir.File("link.ini");
    WriteFile(target, "[S]\nk=1\n");
    std::filesystem::create_symlink(target, link);
    ASSERT_TRUE(WriteProfileString(link, "S", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(target), "[S]\nk=2\n");
}

TEST(Profile, RefusesWritesThatWouldNotReadBack) {
    TempDir dir;
    const std::string path = dir.File("a.ini");
    WriteFile(path, "[S]\nk=v\n");
    EXPECT_FALSE(WriteProfileString(path, "S", "k", "two\nlines"));
    EXPECT_FALSE(WriteProfileString(path, "S", "a=b", "v"));
    EXPECT_FALSE(WriteProfileString(path, "S", ";k", "v"));
    EXPECT_FALSE(WriteProfileString(path, "S]", "k", "v"));
    EXPECT_FALSE(WriteProfileString(path, "S", "  ", "v"));
    EXPECT_EQ(ReadFile(path), "[S]\nk=v\n");
}

TEST(Profile, OversizedFilesAreLeftAlone) {
    TempDir dir;
    const std::string path = dir.File("big.ini");
    const std::string text = "[S]\nk=1\n" + std::string(5 << 20, ';');
    WriteFile(path, text);
    EXPECT_EQ(ReadProfileInt(path, "S", "k", -1), -1);
    EXPECT_FALSE(WriteProfileString(path, "S", "k", "2"));
    EXPECT_EQ(ReadFile(path).size(), text.size());
}

TEST(Profile, ConcurrentWritersKeepEachOthersKeys) {
    TempDir dir;
    const std::string path = dir.File("shared.ini");
    std::vector<std::thread> writers;
    for (int writer = 0; writer < 4; ++writer) {
        writers.emplace_back([&, writer] {
            for (int i = 0; i < 25; ++i) {
                WriteProfileString(path, "W" + std::to_string(writer), "k" + std::to_string(i),
                                   std::to_string(i));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    for (int writer = 0; writer < 4; ++writer) {
        for (int i = 0; i < 25; ++i) {
            ASSERT_EQ(
                ReadProfileInt(path, "W" + std::to_string(writer), "k" + std::to_string(i), -1), i);
        }
    }
}

}  // namespace
