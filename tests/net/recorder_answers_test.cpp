// The readers of recorder answers without a socket: what each one takes
// from an answer and what it refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <vector>

#include "kestrel_net_codes.h"
#include "recorder_answers.h"

namespace kestrel::net {
namespace {

// Hands out the answer in the given pieces; then the peer has closed.
ReceiveStep Pieces(const std::vector<uint8_t>& answer, std::deque<size_t> sizes) {
    return [answer, sizes, at = size_t{0}](uint8_t* into, size_t* length) mutable {
        size_t piece = sizes.empty() ? answer.size() - at : sizes.front();
        if (!sizes.empty()) {
            sizes.pop_front();
        }
        piece = std::min({piece, *length, answer.size() - at});
        std::memcpy(into, answer.data() + at, piece);
        at += piece;
        *length = piece;
        return true;
    };
}

std::vector<uint8_t> SearchAnswer(int32_t result, const std::vector<FileRecord>& records) {
    std::vector<uint8_t> answer(kStandardResponseHeader + records.size() * sizeof(FileRecord));
    WriteLE32(answer.data(), static_cast<uint32_t>(answer.size()));
    WriteLE32(answer.data() + 4, static_cast<uint32_t>(result));
    if (!records.empty()) {
        std::memcpy(answer.data() + kStandardResponseHeader, records.data(),
                    records.size() * sizeof(FileRecord));
    }
    return answer;
}

TEST(RecorderAnswers, FileListInPiecesEndsEveryNameInsideItsField) {
    FileRecord full{};
    std::memset(full.name, 'x', sizeof full.name);  // no NUL at all
    FileRecord plain{};
    std::strcpy(plain.name, "ch01_20261209_080000.264");
    std::vector<uint8_t> reply(1 << 20);
    FileList list{};
    ASSERT_EQ(ReadFileListAnswer(reply.data(), reply.size(),
                                 Pieces(SearchAnswer(0, {full, plain}), {3, 100}), &list),
              QW_NET_OK);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(std::strlen(list.records[0].name), sizeof full.name - 1);
    EXPECT_STREQ(list.records[1].name, "ch01_20261209_080000.264");

    EXPECT_EQ(
        ReadFileListAnswer(reply.data(), reply.size(), Pieces(SearchAnswer(0x14, {}), {}), &list),
        0x14)
        << "the recorder's refusal passes through";
    std::vector<uint8_t> past = SearchAnswer(0, {plain});
    WriteLE32(past.data(), static_cast<uint32_t>(reply.size() + 1));
    EXPECT_EQ(ReadFileListAnswer(reply.data(), reply.size(), Pieces(past, {}), &list),
              QW_NET_ERR_RESPONSE);
}

TEST(RecorderAnswers, LoginConfigurationTalkAndDiscoveryFields) {
    RequestBlock login(kCmdIdentify, 28);
    login.Fill(0);
    login.PutLE32(4, 10);
    login.PutLE32(8, 1);
    EXPECT_EQ(LoginRights(login).rights_a, 511) << "level 10 has every right";
    EXPECT_EQ(LoginRights(login).rights_b, 31);
    login.PutLE32(4, 9);
    EXPECT_EQ(LoginRights(login).rights_a, 1);

    RequestBlock config(kCmdIdentify, 28);
    config.Fill(0);
    uint32_t size = 0;
    config.PutLE32(8, kMaxWholeConfigBytes);
    EXPECT_EQ(WholeConfigSize(config, &size), QW_NET_OK);
    EXPECT_EQ(size, kMaxWholeConfigBytes);
    config.PutLE32(8, kMaxWholeConfigBytes + 1);
    EXPECT_EQ(WholeConfigSize(config, &size), QW_NET_ERR_RESPONSE);

    const uint8_t accepted[8] = {8, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(TalkRequestAccepted(accepted, 8));
    EXPECT_FALSE(TalkRequestAccepted(accepted, 7)) << "a short answer is no zero result";

    uint8_t datagram[kDiscoveryAnswerBytes] = {};
    datagram[17] = 127;
    datagram[37] = 0x5E;
    SearchDevInfo found{};
    EXPECT_FALSE(ParseDiscoveryAnswer(datagram, sizeof datagram - 1, &found));
    ASSERT_TRUE(ParseDiscoveryAnswer(datagram, sizeof datagram, &found));
    EXPECT_EQ(found.found, 1);
    EXPECT_EQ(found.info[0], 127);
    EXPECT_EQ(found.mac[5], 0x5E);
}

}  // namespace
}  // namespace kestrel::net
