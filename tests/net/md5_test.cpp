// The MD5 export over buffers and files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "kestrel_net.h"

namespace {

std::string TempPath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/kestrel_md5_" + name + "_" +
           std::to_string(::testing::UnitTest::GetInstance()->random_seed());
}

// Reads what the system's md5sum says about a file.
std::string SystemMd5(const std::string& path) {
    std::string command = "md5sum '" + path + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    char out[64] = {};
    size_t got = std::fread(out, 1, 32, pipe);
    pclose(pipe);
    return std::string(out, got);
}

TEST(Md5, MatchesTheReferenceSuite) {
    const struct {
        const char* text;
        const char* digest;
    } suite[] = {
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : suite) {
        const char* digest = QW_DVR_NET_GetMD5Code(c.text, static_cast<int32_t>(strlen(c.text)));
        ASSERT_NE(digest, nullptr);
        EXPECT_STREQ(digest, c.digest) << c.text;
    }
    EXPECT_EQ(QW_DVR_NET_GetMD5Code(nullptr, 3), nullptr);
}

TEST(Md5, FileFormReadsTheFileAndKeepsItsOwnBuffer) {
    std::string empty = TempPath("empty");
    std::ofstream(empty).close();
    const char* of_empty = QW_DVR_NET_GetMD5Code(empty.c_str(), 0);
    ASSERT_NE(of_empty, nullptr);
    EXPECT_STREQ(of_empty, "d41d8cd98f00b204e9800998ecf8427e");

    // Sizes around the 64-byte block and the 1024-byte read piece.
    for (size_t size :
         {size_t{55}, size_t{56}, size_t{64}, size_t{1023}, size_t{1025}, size_t{300001}}) {
        std::string path = TempPath("data");
        std::vector<char> bytes(size);
        for (size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>((i * 7919) >> 3);
        }
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(size));
        const char* buffer_digest = QW_DVR_NET_GetMD5Code(bytes.data(), static_cast<int32_t>(size));
        const char* file_digest = QW_DVR_NET_GetMD5Code(path.c_str(), 0);
        ASSERT_NE(file_digest, nullptr);
        EXPECT_EQ(std::string(file_digest), SystemMd5(path)) << size;
        EXPECT_STREQ(buffer_digest, file_digest) << size;  // two buffers, both still valid
        std::remove(path.c_str());
    }
    EXPECT_EQ(QW_DVR_NET_GetMD5Code("/nonexistent/kestrel/file", 0), nullptr);
    std::remove(empty.c_str());
}

}  // namespace
