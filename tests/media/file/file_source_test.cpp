// The file reader on real files: opening, reading, positioning, and a file
// that grows while it is read.
#include "file_source.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "file_result.h"
#include "media_result.h"
#include "recording_files.h"

namespace {

using namespace kestrel::media;
using file_test::Bytes;
using file_test::TempFile;

Bytes ReadAll(FileSource& source, size_t piece) {
    Bytes all, buffer(piece);
    for (;;) {
        const size_t got = source.Read(buffer);
        if (got == 0) {
            return all;
        }
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    }
}

size_t ReadTen(FileSource& source) {
    Bytes buffer(10);
    return source.Read(buffer);
}

TEST(FileSourceOpen, RefusesShortNamesMissingFilesFoldersAndASecondFile) {
    FileSource source;
    EXPECT_EQ(source.Open("a.b"), kMediaFileName);
    EXPECT_EQ(source.Open("/no/such/folder/file.rec"), kMediaFileOpen);
    EXPECT_EQ(source.Open(std::filesystem::temp_directory_path().string()), kMediaFileOpen);
    EXPECT_FALSE(source.IsOpen());

    TempFile file;
    file.Write(file_test::Pattern(1000, 1));
    ASSERT_EQ(source.Open(file.path()), kMediaOk);
    EXPECT_EQ(source.Open(file.path()), kMediaFileBusy);
    EXPECT_EQ(source.FileSize(), 1000u);
    source.Close();
    EXPECT_FALSE(source.IsOpen());
    EXPECT_EQ(ReadTen(source), 0u);
}

TEST(FileSourceRead, WholeFileInPiecesAndPositioning) {
    TempFile file;
    const Bytes content = file_test::Pattern(70001, 2);
    file.Write(content);
    FileSource source;
    ASSERT_EQ(source.Open(file.path()), kMediaOk);
    EXPECT_EQ(source.UsableSize(), content.size());
    EXPECT_EQ(ReadAll(source, 4096), content);
    EXPECT_EQ(source.Position(), content.size());

    ASSERT_EQ(source.SetPosition(69990), kMediaOk);
    Bytes buffer(100);
    ASSERT_EQ(source.Read(buffer), 11u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 11, content.begin() + 69990));
    EXPECT_EQ(source.SetPosition(70002), kMediaSeekRange);
    EXPECT_EQ(source.Position(), 70001u);

    // Positioned reads leave the read position alone.
    ASSERT_EQ(source.SetPosition(5), kMediaOk);
    ASSERT_EQ(source.ReadAt(1000, buffer), buffer.size());
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), content.begin() + 1000));
    ASSERT_EQ(source.Read(std::span(buffer).first(1)), 1u);
    EXPECT_EQ(buffer[0], content[5]);
}

TEST(FileSourceGrowing, ExpectedLengthHoldsBackTheLastBlock) {
    constexpr uint64_t kExpected = 10'000'000;
    constexpr uint64_t kUsable = 9'948'800;
    const Bytes content = file_test::Pattern(kExpected, 3);
    TempFile file;
    file.Write(Bytes(content.begin(), content.begin() + 1'000'000));

    FileSource source;
    ASSERT_EQ(source.Open(file.path()), kMediaOk);
    source.SetExpectedLength(kExpected);
    EXPECT_EQ(source.UsableSize(), kUsable);
    EXPECT_EQ(source.Size(), 1'000'000u);  // what is there yet

    // Reading runs dry where the download is, then goes on as it grows.
    Bytes got = ReadAll(source, 65536);
    EXPECT_EQ(got.size(), 1'000'000u);
    EXPECT_EQ(source.SetPosition(kUsable), kMediaOk);  // ahead of the data, inside the limit
    EXPECT_EQ(ReadTen(source), 0u);
    ASSERT_EQ(source.SetPosition(got.size()), kMediaOk);

    file.Append(Bytes(content.begin() + 1'000'000, content.end()));
    EXPECT_EQ(source.RefreshSize(), kExpected);
    EXPECT_EQ(source.Size(), kUsable);
    const Bytes rest = ReadAll(source, 65536);
    got.insert(got.end(), rest.begin(), rest.end());
    ASSERT_EQ(got.size(), kUsable);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), content.begin()));

    EXPECT_EQ(source.SetPosition(kUsable + 1), kMediaSeekRange);
    Bytes buffer(100);
    EXPECT_EQ(source.ReadAt(kUsable - 10, buffer), 10u);
    EXPECT_EQ(source.ReadAt(kUsable, buffer), 0u);

    // Once the download is complete the whole file is usable.
    source.SetExpectedLength(0);
    EXPECT_EQ(source.UsableSize(), kExpected);
    EXPECT_EQ(source.ReadAt(kExpected - 10, buffer), 10u);
}

TEST(FileSourceGrowing, SmallExpectedLengths) {
    TempFile file;
    file.Write(file_test::Pattern(5000, 4));
    FileSource source;
    ASSERT_EQ(source.Open(file.path()), kMediaOk);
    source.SetExpectedLength(512);  // not above 512: no expected length
    EXPECT_EQ(source.UsableSize(), 5000u);
    source.SetExpectedLength(4000);  // below the held-back block: nothing, not a wrap-around
    EXPECT_EQ(source.UsableSize(), 0u);
    EXPECT_EQ(ReadTen(source), 0u);
}

}  // namespace
