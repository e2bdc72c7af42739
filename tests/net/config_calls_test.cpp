// The configuration calls end to end: every export against the simulated
// recorder's MCTP service, checked on the wire (what the simulator saw) and
// at the caller (what landed in its buffers, and nothing beyond them).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "kestrel_net.h"
#include "kestrel_records.h"
#include "platform/socket.h"
#include "sim/result_codes.h"
#include "sim_fixture.h"

namespace kestrel::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr int32_t kCapacity = 16;

Bytes Word(uint32_t value) {
    return Bytes{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

// Byte strings compared with a short report: sizes and the first difference.
testing::AssertionResult SameBytes(const Bytes& actual, const Bytes& expected) {
    if (actual == expected) {
        return testing::AssertionSuccess();
    }
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    return testing::AssertionFailure() << actual.size() << " bytes where " << expected.size()
                                       << " were expected, first difference at byte " << at;
}

template <typename Record>
Bytes BytesOf(const Record& record) {
    const auto* first = reinterpret_cast<const uint8_t*>(&record);
    return Bytes(first, first + sizeof record);
}

// A buffer handed to an export, with guard bytes on both sides that must
// survive every call.
class Guarded {
public:
    static constexpr size_t kGuard = 32;
    static constexpr uint8_t kGuardByte = 0xC3;

    Guarded() : Guarded(0, 0) {}
    Guarded(size_t size, uint8_t fill) : bytes_(size + 2 * kGuard, kGuardByte) {
        std::fill_n(bytes_.begin() + kGuard, size, fill);
    }
    explicit Guarded(const Bytes& content) : Guarded(content.size(), 0) {
        std::copy(content.begin(), content.end(), data());
    }
    uint8_t* data() { return bytes_.data() + kGuard; }
    size_t size() const { return bytes_.size() - 2 * kGuard; }
    Bytes Content(size_t length) const {
        return Bytes(bytes_.begin() + kGuard, bytes_.begin() + kGuard + length);
    }
    Bytes Content() const { return Content(size()); }
    bool GuardsIntact() const {
        return std::all_of(bytes_.begin(), bytes_.begin() + kGuard,
                           [](uint8_t b) { return b == kGuardByte; }) &&
               std::all_of(bytes_.end() - kGuard, bytes_.end(),
                           [](uint8_t b) { return b == kGuardByte; });
    }

private:
    Bytes bytes_;
};

// The export's arguments after the handle; which are used depends on the shape.
struct Invocation {
    int32_t selector = 0;
    Guarded first;      // array, record, input or first key
    Guarded second;     // output or second input
    int32_t count = 0;  // set count, or get capacity in and records out
    int32_t value = 0;
};

enum class Shape {
    kSelSet,
    kSelGet,
    kArrSet,
    kArrGet,
    kRecSet,
    kValSet,
    kRecGet,
    kKeyGet,
    kKeySet,
    kAction
};

struct Call {
    std::string name;
    Shape shape;
    size_t size1, size2;
    int flags;
    int32_t (*invoke)(QW_DVR_HANDLE device, Invocation& a);
};

#define T_SHAPE_SEL_SET Shape::kSelSet
#define T_SHAPE_SEL_GET Shape::kSelGet
#define T_SHAPE_ARR_SET Shape::kArrSet
#define T_SHAPE_ARR_GET Shape::kArrGet
#define T_SHAPE_REC_SET Shape::kRecSet
#define T_SHAPE_VAL_SET Shape::kValSet
#define T_SHAPE_REC_GET Shape::kRecGet
#define T_SHAPE_KEY_GET Shape::kKeyGet
#define T_SHAPE_KEY_SET Shape::kKeySet
#define T_SHAPE_ACTION Shape::kAction

// The export's arguments after the handle, by shape (each starts with its comma).
#define T_ARGS_SEL_SET , a.selector, a.first.data(), a.count
#define T_ARGS_SEL_GET , a.selector, a.first.data(), &a.count
#define T_ARGS_ARR_SET , a.first.data(), a.count
#define T_ARGS_ARR_GET , a.first.data(), &a.count
#define T_ARGS_REC_SET , a.first.data()
#define T_ARGS_VAL_SET , a.value
#define T_ARGS_REC_GET , a.first.data()
#define T_ARGS_KEY_GET , a.first.data(), a.second.data()
#define T_ARGS_KEY_SET , a.first.data(), a.second.data()
#define T_ARGS_ACTION

#define T_CALL_ROW(name, shape, size1, size2, flags) \
    Call{#name,                                      \
         T_SHAPE_##shape,                            \
         size1,                                      \
         size2,                                      \
         flags,                                      \
         [](QW_DVR_HANDLE d, [[maybe_unused]] Invocation& a) { return name(d T_ARGS_##shape); }},

const std::vector<Call>& AllCalls() {
    static const std::vector<Call> calls{QW_SRDK_CONFIG_CALLS(T_CALL_ROW)};
    return calls;
}

const Call& CallNamed(const std::string& name) {
    const auto& calls = AllCalls();
    return *std::find_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name; });
}

bool IsGet(Shape shape) {
    return shape == Shape::kSelGet || shape == Shape::kArrGet;
}

// Input bytes that differ from call to call and from byte to byte.
Bytes Pattern(const std::string& name, size_t size) {
    uint32_t seed = 2166136261u;
    for (char c : name) {
        seed = (seed ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<uint8_t>(seed >> 16);
    }
    return bytes;
}

Bytes NetdevName(const char* name) {
    QwNetdevName record{};
    std::strncpy(record.name, name, sizeof record.name - 1);
    return BytesOf(record);
}

// The capacity a get request carries for a caller capacity.
int32_t AskedCapacity(const Call& call, int32_t capacity) {
    if ((call.flags & QW_SRDK_F_ASK16) != 0) {
        return 16;
    }
    return (call.flags & QW_SRDK_F_LIMIT16) != 0 ? std::min(capacity, 16) : capacity;
}

// What the request of a prepared invocation must carry, segment by segment.
std::vector<Bytes> ExpectedSegments(const Call& call, const Invocation& a) {
    switch (call.shape) {
        case Shape::kSelSet:
            return {Word(a.selector), a.first.Content(), Word(a.count)};
        case Shape::kSelGet:
            return {Word(a.selector), Word(AskedCapacity(call, a.count))};
        case Shape::kArrSet:
            return {a.first.Content(), Word(a.count)};
        case Shape::kArrGet:
            if ((call.flags & QW_SRDK_F_NO_SEG) != 0) {
                return {};
            }
            return {Word(AskedCapacity(call, a.count))};
        case Shape::kRecSet:
        case Shape::kKeyGet:
            return {a.first.Content()};
        case Shape::kValSet: {
            Bytes value = Word(static_cast<uint32_t>(a.value));
            value.resize(call.size1);
            return {value};
        }
        case Shape::kKeySet:
            return {a.first.Content(), a.second.Content()};
        case Shape::kRecGet:
        case Shape::kAction:
            return {};
    }
    return {};
}

// The bytes an invocation's output holds after the call: the records
// reported, or the whole record.
Bytes OutputOf(const Call& call, Invocation& a) {
    switch (call.shape) {
        case Shape::kSelGet:
        case Shape::kArrGet:
            return a.first.Content(static_cast<size_t>(std::max(a.count, 0)) * call.size1);
        case Shape::kRecGet:
            return a.first.Content();
        case Shape::kKeyGet:
            return a.second.Content();
        default:
            return {};
    }
}

// What a set call stored, as its get call should read it back.
Bytes StoredBy(const Call& call, const Invocation& a) {
    switch (call.shape) {
        case Shape::kValSet:
            return ExpectedSegments(call, a)[0];
        case Shape::kKeySet:
            return a.second.Content();
        default:
            return a.first.Content();
    }
}

QwUserEntry* FindUser(QwUserList& list, const char* name) {
    for (QwUserEntry& entry : list.user) {
        if (std::strncmp(entry.name, name, sizeof entry.name) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

struct WalkStep {
    Invocation after;  // the invocation once the call returned
    int32_t rc = 0;
    Bytes output;
};

// Arguments for one call of the walk. Inputs are patterns, except where the
// recorder checks them: keys it knows, and user records it accepts.
Invocation Prepare(const Call& call, uint8_t prefill, std::map<std::string, WalkStep>& done) {
    Invocation a;
    const size_t capacity_bytes = static_cast<size_t>(kCapacity) * call.size1;
    switch (call.shape) {
        case Shape::kSelSet:
            a.selector = QW_STREAM_MOBILE;
            a.count = 3;
            a.first = Guarded(Pattern(call.name, 3 * call.size1));
            break;
        case Shape::kArrSet:
            a.count = 3;
            a.first = Guarded(Pattern(call.name, 3 * call.size1));
            break;
        case Shape::kSelGet:
            a.selector = QW_STREAM_MOBILE;
            a.count = kCapacity;
            a.first = Guarded(capacity_bytes, prefill);
            break;
        case Shape::kArrGet:
            a.count = kCapacity;
            a.first = Guarded(capacity_bytes, prefill);
            break;
        case Shape::kRecSet:
            a.first = Guarded(Pattern(call.name, call.size1));
            break;
        case Shape::kValSet: {
            const Bytes p = Pattern(call.name, 4);
            a.value = static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24);
            break;
        }
        case Shape::kRecGet:
            a.first = Guarded(call.size1, prefill);
            break;
        case Shape::kKeyGet:
            a.first = Guarded(Pattern(call.name, call.size1));
            a.second = Guarded(call.size2, prefill);
            break;
        case Shape::kKeySet:
            a.first = Guarded(Pattern(call.name, call.size1));
            a.second = Guarded(Pattern(call.name + "#2", call.size2));
            break;
        case Shape::kAction:
            break;
    }
    const std::string& n = call.name;
    if (n.find("AlarmInSchedule") != std::string::npos ||
        n.find("AlarmOutSchedule") != std::string::npos) {
        a.first = Guarded(Word(1));  // channel 1
    } else if (n.find("NetdevAttr") != std::string::npos) {
        a.first = Guarded(NetdevName("eth0"));
    } else if (n == "QW_SRDK_SYS_USERMNG_AddUser") {
        QwUserAddRequest add{};
        std::strcpy(add.name, "walker");
        std::strcpy(add.password, "1234");
        a.first = Guarded(BytesOf(add));
    } else if (n == "QW_SRDK_SYS_USERMNG_DelUser") {
        QwUserDelRequest del{};
        std::memcpy(&del.list, done.at("QW_SRDK_SYS_USERMNG_AddUser").output.data(),
                    sizeof del.list);
        QwUserEntry* walker = FindUser(del.list, "walker");
        del.delete_mask = walker != nullptr ? 1u << (walker - del.list.user) : 0;
        a.first = Guarded(BytesOf(del));
    } else if (n == "QW_SRDK_SYS_USERMNG_ModifyUserInfo") {
        QwUserList list{};
        std::memcpy(&list, done.at("QW_SRDK_SYS_USERMNG_DelUser").output.data(), sizeof list);
        std::strcpy(list.user[0].password, "4321");
        list.user[0].remote_rights = QW_REMOTE_PTZ | QW_REMOTE_PLAYBACK;
        a.first = Guarded(BytesOf(list));
    } else if (n == "QW_SRDK_SYS_USERMNG_DelGroup") {
        a.value = 2;  // the last of the three groups set before
    }
    return a;
}

// The size of the record a set stores or a get reads.
size_t RecordSize(const Call& call) {
    return call.shape == Shape::kKeyGet || call.shape == Shape::kKeySet ? call.size2 : call.size1;
}

std::string PartnerOf(const std::string& name) {
    if (name == "QW_SRDK_SYS_USERMNG_ModifyGroupInfo") {
        return "QW_SRDK_SYS_USERMNG_GetGroupList";
    }
    std::string partner = name;
    const size_t verb = partner.find("_Set");
    if (verb == std::string::npos) {
        return {};
    }
    return partner.replace(verb, 4, "_Get");
}

struct Walk {
    std::map<std::string, WalkStep> steps;
    int pairs_checked = 0;
};

// Every call once, in the list's order (each set before its get), on a
// fresh recorder; outputs prefilled with prefill.
Walk WalkAllCalls(uint8_t prefill) {
    Walk walk;
    auto recorder = StartSim();
    QW_DVR_HANDLE device =
        QW_SRDK_Open_Device("127.0.0.1", recorder->MctpPort(), "admin", "admin", nullptr);
    EXPECT_NE(device, nullptr);
    HandleCloser closer{device};
    const auto& calls = AllCalls();
    std::vector<std::vector<Bytes>> expected;
    for (const Call& call : calls) {
        SCOPED_TRACE(call.name);
        Invocation a = Prepare(call, prefill, walk.steps);
        expected.push_back(ExpectedSegments(call, a));
        const int32_t capacity = a.count;
        WalkStep step;
        step.rc = call.invoke(device, a);
        EXPECT_EQ(step.rc, call.name == "QW_SRDK_SYS_USERMNG_AddUser" ? sim::kUserAdded : 0)
            << std::hex << step.rc;
        EXPECT_TRUE(a.first.GuardsIntact() && a.second.GuardsIntact());
        if (IsGet(call.shape)) {
            EXPECT_GT(a.count, 0);
            EXPECT_LE(a.count, capacity);
            // Records beyond those reported are the caller's, untouched.
            const Bytes all = a.first.Content();
            EXPECT_TRUE(std::all_of(
                all.begin() + static_cast<std::ptrdiff_t>(std::max(a.count, 0) * call.size1),
                all.end(), [&](uint8_t b) { return b == prefill; }));
        }
        step.output = OutputOf(call, a);
        step.after = std::move(a);
        walk.steps[call.name] = std::move(step);
    }

    // Each get that follows its set reads back what the set stored.
    for (const Call& call : calls) {
        const std::string partner = PartnerOf(call.name);
        const auto get = walk.steps.find(partner);
        if (partner.empty() || get == walk.steps.end()) {
            continue;
        }
        const Call& get_call = CallNamed(partner);
        const bool get_after_set = &get_call > &call;
        if (!get_after_set || RecordSize(get_call) != RecordSize(call)) {
            continue;
        }
        SCOPED_TRACE(call.name + " -> " + partner);
        WalkStep& set = walk.steps[call.name];
        EXPECT_TRUE(SameBytes(get->second.output, StoredBy(call, set.after)));
        if (IsGet(get_call.shape)) {
            EXPECT_EQ(get->second.after.count, set.after.count);
        }
        ++walk.pairs_checked;
    }

    // The simulator saw exactly one request per call, as the shape says.
    const auto seen = recorder->Observed().MctpRequests();
    EXPECT_EQ(recorder->Observed().MctpRequestCount(), calls.size());
    for (size_t i = 0; i < std::min(seen.size(), calls.size()); ++i) {
        SCOPED_TRACE(calls[i].name);
        EXPECT_EQ(seen[i].function, calls[i].name);
        EXPECT_EQ(seen[i].func_version, "0x10");
        EXPECT_EQ(seen[i].segment_count, static_cast<int32_t>(expected[i].size()));
        for (size_t k = 0; k < std::min(seen[i].segments.size(), expected[i].size()); ++k) {
            EXPECT_TRUE(SameBytes(seen[i].segments[k], expected[i][k])) << "segment " << k + 1;
        }
    }
    return walk;
}

TEST(ConfigCalls, EveryCallTravelsAsItsShapeSaysAndGetsReadBackWhatSetsStored) {
    const Walk zeros = WalkAllCalls(0x00);
    const Walk ones = WalkAllCalls(0xFF);
    EXPECT_GE(zeros.pairs_checked, 30);
    // Outputs prefilled differently come back equal: every byte of each
    // record reported was written by the answer.
    for (const Call& call : AllCalls()) {
        SCOPED_TRACE(call.name);
        const WalkStep& a = zeros.steps.at(call.name);
        const WalkStep& b = ones.steps.at(call.name);
        EXPECT_EQ(a.rc, b.rc);
        EXPECT_TRUE(SameBytes(a.output, b.output));
    }
}

// ---- a handle on a simulator's MCTP port, and helpers to call it

struct Connected {
    explicit Connected(sim::RecorderConfig config = {})
        : recorder(StartSim(std::move(config))),
          device(
              QW_SRDK_Open_Device("127.0.0.1", recorder->MctpPort(), "admin", "admin", nullptr)) {
        EXPECT_NE(device, nullptr);
    }
    ~Connected() { QW_DVR_NET_Close_Device(device); }
    Connected(const Connected&) = delete;
    Connected& operator=(const Connected&) = delete;

    std::unique_ptr<sim::RecorderSim> recorder;
    QW_DVR_HANDLE device;
};

const sim::ObservedMctpRequest& LastRequest(const std::vector<sim::ObservedMctpRequest>& seen) {
    static const sim::ObservedMctpRequest kNone;
    return seen.empty() ? kNone : seen.back();
}

std::vector<QwVideoAttr> DistinctVideoRecords(int count) {
    std::vector<QwVideoAttr> records(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        records[static_cast<size_t>(i)].channel = i;
        records[static_cast<size_t>(i)].frame_rate = 5 + i;
        records[static_cast<size_t>(i)].bit_rate = 1000 + 10 * i;
    }
    return records;
}

// ---- answers the client must take apart

TEST(ConfigCalls, UnknownFunctionGivesItsOwnCodeAndLeavesOutputsAlone) {
    sim::RecorderConfig every;
    every.faults.mctp.all_unknown = true;
    Connected all(every);
    Guarded caps(sizeof(QwDevCaps), 0x5A);
    EXPECT_EQ(QW_SRDK_DEV_GetDevCaps(all.device, caps.data()), QW_MCTP_ERR_UNKNOWN_CALL);
    EXPECT_TRUE(SameBytes(caps.Content(), Bytes(sizeof(QwDevCaps), 0x5A)));
    EXPECT_EQ(QW_SRDK_DEV_SaveFlash(all.device), QW_MCTP_ERR_UNKNOWN_CALL);

    sim::RecorderConfig one;
    one.faults.mctp.unknown_function = "QW_SRDK_DEV_GetDevCaps";
    Connected named(one);
    EXPECT_EQ(QW_SRDK_DEV_GetDevCaps(named.device, caps.data()), QW_MCTP_ERR_UNKNOWN_CALL);
    QwDeviceInfo info{};
    EXPECT_EQ(QW_SRDK_DEV_GetDeviceInfo(named.device, &info), 0);
    EXPECT_STREQ(info.name, "eth0");
}

TEST(ConfigCalls, RecorderReturnCodePassesThroughWithTheAnswersSegments) {
    sim::RecorderConfig config;
    config.faults.mctp.return_code = QW_NET_ERR_NOT_SUPPORTED;
    Connected c(config);
    QwDevCaps caps{};
    caps.channel_count = 16;
    EXPECT_EQ(QW_SRDK_DEV_GetDevCaps(c.device, &caps), QW_NET_ERR_NOT_SUPPORTED);
    EXPECT_EQ(caps.channel_count, sim::EffectiveChannelCount(config));
    QwVideoAttr video[kCapacity] = {};
    int32_t count = kCapacity;
    EXPECT_EQ(QW_SRDK_MEDIA_GetVideoAttr(c.device, QW_STREAM_RECORD, video, &count),
              QW_NET_ERR_NOT_SUPPORTED);
    EXPECT_EQ(count, sim::EffectiveChannelCount(config));
    EXPECT_EQ(video[1].channel, 1);
    EXPECT_EQ(QW_SRDK_DEV_SaveFlash(c.device), QW_NET_ERR_NOT_SUPPORTED);
}

TEST(ConfigCalls, AnswerWithOneSegmentTooManyIsASegmentCountMismatch) {
    sim::RecorderConfig config;
    config.faults.mctp.wrong_segment_count = true;
    Connected c(config);
    Guarded caps(sizeof(QwDevCaps), 0x5A);
    EXPECT_EQ(QW_SRDK_DEV_GetDevCaps(c.device, caps.data()), QW_MCTP_ERR_SEGMENT_COUNT);
    EXPECT_TRUE(SameBytes(caps.Content(), Bytes(sizeof(QwDevCaps), 0x5A)));
    QwGuiAttr gui{};
    EXPECT_EQ(QW_SRDK_GUI_SetAttr(c.device, &gui), QW_MCTP_ERR_SEGMENT_COUNT);
    QwVideoAttr video[kCapacity] = {};
    int32_t count = kCapacity;
    EXPECT_EQ(QW_SRDK_MEDIA_GetVideoAttr(c.device, QW_STREAM_RECORD, video, &count),
              QW_MCTP_ERR_SEGMENT_COUNT);
    EXPECT_EQ(count, 0);
}

TEST(ConfigCalls, NothingListeningFailsQuicklyWithTheConnectCode) {
    // Bound but not listening: the port is ours and certain to refuse.
    platform::Socket holder = platform::Socket::Tcp();
    ASSERT_TRUE(holder.Bind("127.0.0.1", 0));
    QW_DVR_HANDLE device =
        QW_SRDK_Open_Device("127.0.0.1", holder.LocalPort(), "admin", "admin", nullptr);
    ASSERT_NE(device, nullptr);
    HandleCloser closer{device};

    const auto start = Clock::now();
    Guarded caps(sizeof(QwDevCaps), 0x5A);
    EXPECT_EQ(QW_SRDK_DEV_GetDevCaps(device, caps.data()), QW_NET_ERR_CONNECT);
    Guarded video(kCapacity * sizeof(QwVideoAttr), 0x5A);
    int32_t count = kCapacity;
    EXPECT_EQ(QW_SRDK_MEDIA_GetVideoAttr(device, QW_STREAM_RECORD, video.data(), &count),
              QW_NET_ERR_CONNECT);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));  // no receive wait
    EXPECT_TRUE(SameBytes(caps.Content(), Bytes(sizeof(QwDevCaps), 0x5A)));
    EXPECT_TRUE(SameBytes(video.Content(), Bytes(video.size(), 0x5A)));
    EXPECT_EQ(count, 0);  // no records arrived, whatever the capacity was
}

TEST(ConfigCalls, AnswersArrivingInOneBytePiecesAreAssembled) {
    sim::RecorderConfig config;
    config.faults.mctp.answer_in_pieces = true;
    Connected pieces(config);
    Connected whole;
    QwDeviceInfo from_pieces{};
    QwDeviceInfo from_whole{};
    EXPECT_EQ(QW_SRDK_DEV_GetDeviceInfo(pieces.device, &from_pieces), 0);
    EXPECT_EQ(QW_SRDK_DEV_GetDeviceInfo(whole.device, &from_whole), 0);
    EXPECT_TRUE(SameBytes(BytesOf(from_pieces), BytesOf(from_whole)));
}

// ---- record arrays the library moves through its own buffer

TEST(ConfigCalls, VideoAttributesStopAtSixteenRecordsAndAtTheCallersCapacity) {
    sim::RecorderConfig config;
    config.faults.mctp.array_records = 20;
    Connected c(config);
    std::vector<QwVideoAttr> stored = DistinctVideoRecords(16);
    ASSERT_EQ(QW_SRDK_MEDIA_SetVideoAttr(c.device, QW_STREAM_NETWORK, stored.data(), 16), 0);

    for (const int32_t capacity : {16, 4}) {
        SCOPED_TRACE(capacity);
        Guarded records(static_cast<size_t>(capacity) * sizeof(QwVideoAttr), 0x5A);
        int32_t count = capacity;
        EXPECT_EQ(QW_SRDK_MEDIA_GetVideoAttr(c.device, QW_STREAM_NETWORK, records.data(), &count),
                  0);
        EXPECT_EQ(count, capacity);
        EXPECT_TRUE(records.GuardsIntact());
        const auto* first = reinterpret_cast<const uint8_t*>(stored.data());
        EXPECT_TRUE(SameBytes(records.Content(), Bytes(first, first + records.size())));
        const auto seen = c.recorder->Observed().MctpRequests();
        EXPECT_EQ(LastRequest(seen).segments.at(1), Word(16));  // asked for 16 either way
    }
}

TEST(ConfigCalls, StreamEncryptionAsksForAtMostSixteenAndRefusesNegativeCounts) {
    Connected c;
    Guarded records(20 * sizeof(QwStreamEncryptAttr), 0x5A);
    int32_t count = 20;
    EXPECT_EQ(
        QW_SRDK_MEDIA_GetStreamEncryptAttr(c.device, QW_STREAM_RECORD, records.data(), &count), 0);
    EXPECT_EQ(LastRequest(c.recorder->Observed().MctpRequests()).segments.at(1), Word(16));
    EXPECT_GT(count, 0);
    EXPECT_LE(count, 16);
    EXPECT_TRUE(records.GuardsIntact());

    const size_t requests = c.recorder->Observed().MctpRequestCount();
    count = -1;
    EXPECT_EQ(
        QW_SRDK_MEDIA_GetStreamEncryptAttr(c.device, QW_STREAM_RECORD, records.data(), &count),
        QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(c.recorder->Observed().MctpRequestCount(), requests);
}

// ---- calls whose arguments are values or nothing at all

TEST(ConfigCalls, PortsAndGroupNumbersTravelAsTheirLowBytes) {
    Connected c;
    Guarded port(2, 0x5A);
    EXPECT_EQ(QW_SRDK_NET_GetWebServerPort(c.device, port.data()), 0);
    EXPECT_EQ(LastRequest(c.recorder->Observed().MctpRequests()).segment_count, 0);
    EXPECT_TRUE(port.GuardsIntact());
    EXPECT_NE(port.Content(), Bytes(2, 0x5A));

    EXPECT_EQ(QW_SRDK_NET_SetWebServerPort(c.device, 0x7A5B1F90), 0);
    EXPECT_EQ(LastRequest(c.recorder->Observed().MctpRequests()).segments,
              std::vector<Bytes>{Bytes({0x90, 0x1F})});
    EXPECT_EQ(QW_SRDK_NET_GetWebServerPort(c.device, port.data()), 0);
    EXPECT_EQ(port.Content(), Bytes({0x90, 0x1F}));

    EXPECT_EQ(QW_SRDK_NET_SetMctpServerPort(c.device, 0x00012345), 0);
    EXPECT_EQ(LastRequest(c.recorder->Observed().MctpRequests()).segments,
              std::vector<Bytes>{Bytes({0x45, 0x23})});

    EXPECT_EQ(QW_SRDK_SYS_USERMNG_DelGroup(c.device, 1), 0);
    EXPECT_EQ(LastRequest(c.recorder->Observed().MctpRequests()).segments,
              std::vector<Bytes>{Word(1)});
    EXPECT_EQ(QW_SRDK_SYS_USERMNG_DelGroup(c.device, 7), sim::kMctpNoSuchRecord);

    QwAuthority authorities[kCapacity] = {};
    int32_t count = kCapacity;
    EXPECT_EQ(QW_SRDK_SYS_USERMNG_GetAuthorityList(c.device, authorities, &count), 0);
    EXPECT_EQ(LastRequest(c.recorder->Observed().MctpRequests()).segment_count, 0);
    EXPECT_GT(count, 0);
}

// ---- the handle

TEST(ConfigCalls, OpeningMakesNoTrafficAndCSeqCountsThePerHandleCalls) {
    auto recorder = StartSim();
    QW_DVR_HANDLE first =
        QW_SRDK_Open_Device("127.0.0.1", recorder->MctpPort(), "admin", "admin", nullptr);
    ASSERT_NE(first, nullptr);
    HandleCloser close_first{first};
    EXPECT_EQ(recorder->Observed().AcceptedConnections(sim::ServicePort::kMctp), 0u);
    EXPECT_EQ(recorder->Observed().AcceptedConnections(sim::ServicePort::kCommand), 0u);

    QwDevCaps caps{};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(QW_SRDK_DEV_GetDevCaps(first, &caps), 0);
    }
    QW_DVR_HANDLE second =
        QW_SRDK_Open_Device("127.0.0.1", recorder->MctpPort(), "admin", "admin", nullptr);
    HandleCloser close_second{second};
    ASSERT_EQ(QW_SRDK_DEV_GetDevCaps(second, &caps), 0);
    ASSERT_EQ(QW_SRDK_DEV_GetDevCaps(first, &caps), 0);

    std::vector<std::string> cseqs;
    for (const auto& request : recorder->Observed().MctpRequests()) {
        cseqs.push_back(request.cseq);
    }
    EXPECT_EQ(cseqs, (std::vector<std::string>{"1", "2", "3", "1", "4"}));
}

TEST(ConfigCalls, DeviceOpenedOnBothPortsCallsTheMctpPort) {
    auto recorder = StartSim();
    int32_t type = 0, subtype = 0, result = 0;
    QW_DVR_HANDLE device =
        QW_DVR_NET_Open_Device_Ex("127.0.0.1", recorder->CommandPort(), recorder->MctpPort(),
                                  "admin", "admin", &type, &subtype, &result, nullptr, nullptr);
    ASSERT_NE(device, nullptr) << std::hex << result;
    HandleCloser closer{device};
    QwDevCaps caps{};
    caps.channel_count = 16;
    EXPECT_EQ(QW_SRDK_DEV_GetDevCaps(device, &caps), 0);
    EXPECT_EQ(caps.channel_count, sim::EffectiveChannelCount(recorder->Config()));
    EXPECT_EQ(recorder->Observed().MctpRequestCount(), 1u);
}

TEST(ConfigCalls, RecorderIdentifierIsDvrAndTheNamedDevicesHardwareAddress) {
    sim::RecorderConfig config;
    config.netdev_name = "lan1";
    config.hardware_address = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    Connected c(config);
    unsigned char id[16];
    int32_t length = 8;
    EXPECT_EQ(QW_DVR_NET_GetDvrUID(c.device, id, &length), QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(c.recorder->Observed().MctpRequestCount(), 0u);

    std::memset(id, 0xEE, sizeof id);
    length = 16;
    ASSERT_EQ(QW_DVR_NET_GetDvrUID(c.device, id, &length), 0);
    EXPECT_EQ(length, 9);
    const Bytes expected{'D', 'V', 'R', 0x02, 0x11, 0x22, 0x33, 0x44, 0x55, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(id, id + 16), expected);
    const auto seen = c.recorder->Observed().MctpRequests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].function, "QW_SRDK_NET_Network_GetNetdevAttr");
    EXPECT_EQ(seen[1].segments.at(0), NetdevName("lan1"));
}

// ---- user management and the records keyed by what the request names

TEST(ConfigCalls, UserListFollowsAddsDeletesAndChanges) {
    Connected c;
    QwUserList list{};
    auto add = [&](const char* name, const char* password) {
        QwUserAddRequest request{};
        std::memcpy(request.name, name, std::min(std::strlen(name), sizeof request.name));
        std::strncpy(request.password, password, sizeof request.password - 1);
        return QW_SRDK_SYS_USERMNG_AddUser(c.device, &request, &list);
    };
    EXPECT_EQ(add("carol", "pw1"), sim::kUserAdded);
    ASSERT_NE(FindUser(list, "carol"), nullptr);
    EXPECT_STREQ(FindUser(list, "carol")->password, "pw1");
    EXPECT_EQ(add("carol", "other"), sim::kUserExists);
    EXPECT_EQ(add("dave", ""), sim::kUserNoPassword);
    EXPECT_EQ(add("ninechars", "pw"), sim::kMctpBadRecord);  // fills the name field
    EXPECT_EQ(FindUser(list, "dave"), nullptr);
    int added = 0;
    while (add(("u" + std::to_string(added)).c_str(), "pw") == sim::kUserAdded && added < 10) {
        ++added;
    }
    EXPECT_EQ(add("late", "pw"), sim::kUserListFull);
    EXPECT_EQ(added + 3, QW_USER_COUNT);  // administrator, user, carol and these

    QwUserDelRequest del{};
    del.list = list;
    del.delete_mask = 1u;  // the administrator
    EXPECT_EQ(QW_SRDK_SYS_USERMNG_DelUser(c.device, &del, &list), sim::kUserChangeRefused);
    const auto carol = static_cast<unsigned>(FindUser(list, "carol") - list.user);
    del.delete_mask = 1u << carol | 1u << 7;
    EXPECT_EQ(QW_SRDK_SYS_USERMNG_DelUser(c.device, &del, &list), sim::kUserChangeDone);
    EXPECT_EQ(FindUser(list, "carol"), nullptr);
    EXPECT_EQ(list.user[7].name[0], '\0');
    EXPECT_EQ(QW_SRDK_SYS_USERMNG_DelUser(c.device, &del, &list), sim::kUserChangeRefused);

    QwUserList changed = list;
    std::strcpy(changed.user[1].password, "new");
    changed.user[1].local_rights = QW_LOCAL_PTZ | QW_LOCAL_PIP;
    EXPECT_EQ(QW_SRDK_SYS_USERMNG_ModifyUserInfo(c.device, &changed, nullptr),
              sim::kUserChangeDone);
    QwUserList read{};
    EXPECT_EQ(QW_SRDK_SYS_USERMNG_GetUserList(c.device, &read), 0);
    EXPECT_STREQ(read.user[1].password, "new");
    EXPECT_EQ(read.user[1].local_rights, 0x81u);
    std::strcpy(changed.user[1].name, "renamed");
    EXPECT_EQ(QW_SRDK_SYS_USERMNG_ModifyUserInfo(c.device, &changed, &list),
              sim::kUserChangeRefused);
    EXPECT_TRUE(SameBytes(BytesOf(list), BytesOf(read)));

    QwUserPreviewRights rights{};
    EXPECT_EQ(QW_SRDK_SYS_GetUserPrewPri(c.device, &rights, &rights), 0);
    rights.user[1].channel[3] = 0;
    rights.enable = 0;
    QwUserPreviewRights answered{};
    EXPECT_EQ(QW_SRDK_SYS_SetUserPrewPri(c.device, &rights, &answered), 0);
    QwUserPreviewRights reread{};
    EXPECT_EQ(QW_SRDK_SYS_GetUserPrewPri(c.device, &reread, &reread), 0);
    EXPECT_TRUE(SameBytes(BytesOf(reread), BytesOf(rights)));
}

TEST(ConfigCalls, KeyedRecordsAreKeptApartAndUnknownKeysRefused) {
    Connected c;
    const int channels = sim::EffectiveChannelCount(c.recorder->Config());
    QwAlarmSchedule schedule{};
    schedule.plan[QW_PLAN_RECORD][0] = QwAlarmPeriod{8, 0, 18, 30};
    int32_t channel = 1;
    QwAlarmSchedule stored{};  // every channel's, in and out, before the set
    EXPECT_EQ(QW_SRDK_ALARM_GetAlarmInSchedule(c.device, &channel, &stored), 0);
    EXPECT_FALSE(SameBytes(BytesOf(stored), BytesOf(schedule)));
    EXPECT_EQ(QW_SRDK_ALARM_SetAlarmInSchedule(c.device, &channel, &schedule), 0);
    QwAlarmSchedule read{};
    EXPECT_EQ(QW_SRDK_ALARM_GetAlarmInSchedule(c.device, &channel, &read), 0);
    EXPECT_TRUE(SameBytes(BytesOf(read), BytesOf(schedule)));
    channel = 0;
    EXPECT_EQ(QW_SRDK_ALARM_GetAlarmInSchedule(c.device, &channel, &read), 0);
    EXPECT_TRUE(SameBytes(BytesOf(read), BytesOf(stored)));
    channel = 1;
    EXPECT_EQ(QW_SRDK_ALARM_GetAlarmOutSchedule(c.device, &channel, &read), 0);
    EXPECT_TRUE(SameBytes(BytesOf(read), BytesOf(stored)));
    channel = channels;
    EXPECT_EQ(QW_SRDK_ALARM_SetAlarmInSchedule(c.device, &channel, &schedule),
              sim::kMctpNoSuchRecord);

    QwNetdevName name{};
    std::strcpy(name.name, "wlan9");
    QwNetdevAttr attributes{};
    EXPECT_EQ(QW_SRDK_NET_Network_GetNetdevAttr(c.device, &name, &attributes),
              sim::kMctpNoSuchRecord);
    std::memset(name.name, 'x', sizeof name.name);
    EXPECT_EQ(QW_SRDK_NET_Network_GetNetdevAttr(c.device, &name, &attributes), sim::kMctpBadRecord);
    QwNetdevName names[4] = {};
    int32_t count = 4;
    EXPECT_EQ(QW_SRDK_NET_Network_GetNetdevName(c.device, 0, names, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(names[0].name, "eth0");

    std::vector<QwVideoAttr> video = DistinctVideoRecords(17);
    EXPECT_EQ(QW_SRDK_MEDIA_SetVideoAttr(c.device, 3, video.data(), 1), sim::kMctpNoSuchRecord);
    EXPECT_EQ(QW_SRDK_MEDIA_SetVideoAttr(c.device, QW_STREAM_RECORD, video.data(), 17),
              sim::kMctpTooManyRecords);
}

TEST(ConfigCalls, TunerStepsItsProgramAndSwitchesItsOutput) {
    Connected c;
    QwTvAttr tv{};
    ASSERT_EQ(QW_SRDK_TV_GetTVAttr(c.device, &tv), 0);
    QwTvSet standard{QW_TUNER_L_SECAM_AM};
    EXPECT_EQ(QW_SRDK_TV_SetTVAttr(c.device, &standard), 0);
    QwTvProgram program{};
    EXPECT_EQ(QW_SRDK_TV_ProgramInc(c.device, &program), 0);
    EXPECT_EQ(program.program, tv.program + 1);
    EXPECT_EQ(QW_SRDK_TV_ProgramInc(c.device, &program), 0);
    EXPECT_EQ(QW_SRDK_TV_ProgramDec(c.device, &program), 0);
    EXPECT_EQ(program.program, tv.program + 1);
    QwTvAttr after{};
    EXPECT_EQ(QW_SRDK_TV_GetTVAttr(c.device, &after), 0);
    EXPECT_EQ(after.standard, QW_TUNER_L_SECAM_AM);
    EXPECT_EQ(after.program, program.program);

    uint8_t state = 0xFF;
    uint8_t switched = 0xFF;
    EXPECT_EQ(QW_SRDK_TV_GetTVState(c.device, &state), 0);
    EXPECT_EQ(QW_SRDK_TV_OutPutSwitch(c.device, &switched), 0);
    EXPECT_NE(switched, state);
    EXPECT_EQ(QW_SRDK_TV_GetTVState(c.device, &state), 0);
    EXPECT_EQ(state, switched);
}

// ---- the whole configuration over the command port

TEST(ConfigCalls, WholeConfigurationReadsWritesAndRefusesHostileSizes) {
    auto recorder = StartSim();
    OpenResult opened = OpenSim(*recorder);
    ASSERT_NE(opened.handle, nullptr) << std::hex << opened.result;
    HandleCloser closer{opened.handle};

    ConfigBlock block{};
    ASSERT_EQ(QW_DVR_NET_GetAllConfigParaEx(opened.handle, &block), 0);
    const auto* data = static_cast<const uint8_t*>(block.data);
    EXPECT_EQ(Bytes(data, data + block.size), recorder->WholeConfiguration());
    EXPECT_GT(block.size, 0);

    Bytes written = Pattern("whole", 3000);
    ConfigBlock to_write{};
    to_write.size = static_cast<int32_t>(written.size());
    to_write.data = written.data();
    ASSERT_EQ(QW_DVR_NET_SetAllConfigParaEx(opened.handle, &to_write), 0);
    EXPECT_EQ(recorder->WholeConfiguration(), written);

    // The second read replaces the first buffer; only its contents count.
    ASSERT_EQ(QW_DVR_NET_GetAllConfigParaEx(opened.handle, &block), 0);
    data = static_cast<const uint8_t*>(block.data);
    EXPECT_EQ(Bytes(data, data + block.size), written);

    sim::RecorderConfig hostile;
    hostile.faults.announced_config_size = 0x7FFFFFFF;
    auto liar = StartSim(hostile);
    OpenResult lied_to = OpenSim(*liar);
    ASSERT_NE(lied_to.handle, nullptr);
    HandleCloser close_liar{lied_to.handle};
    ConfigBlock untouched{};
    untouched.size = 7;
    const auto start = Clock::now();
    EXPECT_EQ(QW_DVR_NET_GetAllConfigParaEx(lied_to.handle, &untouched), QW_NET_ERR_RESPONSE);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));  // no receive wait
    EXPECT_EQ(untouched.size, 7);
    EXPECT_EQ(untouched.data, nullptr);
}

}  // namespace
}  // namespace kestrel::test
