// The exports as an outside caller sees them: argument checks, handles,
// library start-up. Linked against the shared library.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "kestrel_net.h"
#include "platform/socket.h"

extern "C" size_t kestrel_c_export_count(void);

namespace {

struct NamedCall {
    const char* name;
    std::function<int32_t(QW_DVR_HANDLE)> call;
};

// Every export that takes a handle, called with otherwise valid arguments.
std::vector<NamedCall> HandleCalls() {
    static char buffer[8192];
    static int32_t count = 1;
    static std::tm when{};
    static FileList list{};
    static uint32_t mask = 0;
    static UserRights rights{};
    static PtzAction action{5, 3};
    static FormatDisk disk{};
    static ConfigBlock block{0, 4, 0, buffer};
    static int32_t uid_length = 16;
    std::vector<NamedCall> calls = {
        {"Close_Device", [](QW_DVR_HANDLE h) { return QW_DVR_NET_Close_Device(h); }},
        {"SRDK_Close_Device", [](QW_DVR_HANDLE h) { return QW_SRDK_Close_Device(h); }},
        {"CheckAdminPwd",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_CheckAdminPwd(h, "u", "p", nullptr, &rights); }},
        {"SetRealDataCallBack",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_SetRealDataCallBack(h, 0, nullptr, nullptr); }},
        {"StartRealAV",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_StartRealAV(h, 0, 0, 0, 0, 1, 0, "u", "p"); }},
        {"StopRealAV", [](QW_DVR_HANDLE h) { return QW_DVR_NET_StopRealAV(h, 0); }},
        {"OpenStreamSound", [](QW_DVR_HANDLE h) { return QW_DVR_NET_OpenStreamSound(h, 0); }},
        {"CloseStreamSound", [](QW_DVR_HANDLE h) { return QW_DVR_NET_CloseStreamSound(h, 0); }},
        {"SetStreamVolume", [](QW_DVR_HANDLE h) { return QW_DVR_NET_SetStreamVolume(h, 0, 1); }},
        {"OpenTalk",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_OpenTalk(h, nullptr, nullptr, nullptr); }},
        {"CloseTalk", [](QW_DVR_HANDLE h) { return QW_DVR_NET_CloseTalk(h, nullptr); }},
        {"SendTalkQst", [](QW_DVR_HANDLE h) { return QW_DVR_NET_SendTalkQst(h); }},
        {"SendAudioData",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_SendAudioData(h, buffer, 4, 0, 0); }},
        {"SearchAVFileList",
         [](QW_DVR_HANDLE h) {
             return QW_DVR_NET_SearchAVFileList(h, 0, &when, &when, 0, 0, 0, &list);
         }},
        {"GetVideoFileCalendar",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_GetVideoFileCalendar(h, 3, 0, nullptr, &mask); }},
        {"GetLogCalendar", [](QW_DVR_HANDLE h) { return QW_DVR_NET_GetLogCalendar(h, 3, 0, "x"); }},
        {"SetFileDataCallBackVMS",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_SetFileDataCallBackVMS(h, nullptr, nullptr); }},
        {"VodDownloadClipVMS",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_VodDownloadClipVMS(h, "f", 0, 0, 0, 0); }},
        {"StopDownLoadVideoFile",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_StopDownLoadVideoFile(h); }},
        {"PZTAction", [](QW_DVR_HANDLE h) { return QW_DVR_NET_PZTAction(h, &action, 2, 0); }},
        {"ShutDownMachine", [](QW_DVR_HANDLE h) { return QW_DVR_NET_ShutDownMachine(h, 0); }},
        {"SetNotifyTarget",
         [](QW_DVR_HANDLE h) {
             return QW_DVR_NET_SetNotifyTarget(h, nullptr, 0, nullptr, nullptr);
         }},
        {"FormatHdd", [](QW_DVR_HANDLE h) { return QW_DVR_NET_FormatHdd(h, &disk); }},
        {"UpdateFiletoDvr",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_UpdateFiletoDvr(h, "/dev/null"); }},
        {"SetAllConfigParaEx",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_SetAllConfigParaEx(h, &block); }},
        {"GetAllConfigParaEx",
         [](QW_DVR_HANDLE h) { return QW_DVR_NET_GetAllConfigParaEx(h, &block); }},
        {"GetDvrUID",
         [](QW_DVR_HANDLE h) {
             return QW_DVR_NET_GetDvrUID(h, reinterpret_cast<unsigned char*>(buffer), &uid_length);
         }},
    };
    // The configuration calls, with arguments that pass every pointer check.
#define KN_ARGV_SEL_SET , 0, buffer, 1
#define KN_ARGV_SEL_GET , 0, buffer, &count
#define KN_ARGV_ARR_SET , buffer, 1
#define KN_ARGV_ARR_GET , buffer, &count
#define KN_ARGV_REC_SET , buffer
#define KN_ARGV_VAL_SET , 80
#define KN_ARGV_REC_GET , buffer
#define KN_ARGV_KEY_GET , buffer, buffer + 4096
#define KN_ARGV_KEY_SET , buffer, buffer + 4096
#define KN_ARGV_ACTION
#define KN_CONFIG_ENTRY(name, shape, size1, size2, flags) \
    calls.push_back({#name, [](QW_DVR_HANDLE h) { return name(h KN_ARGV_##shape); }});
    QW_SRDK_CONFIG_CALLS(KN_CONFIG_ENTRY)
    return calls;
}

// A loopback listener that counts connections, to prove that a call made no
// traffic.
class Listener {
public:
    Listener() : socket_(platform::Socket::Tcp()) {
        EXPECT_TRUE(socket_.Bind("127.0.0.1", 0));
        EXPECT_TRUE(socket_.Listen(8));
    }
    uint16_t Port() const { return socket_.LocalPort(); }
    bool SawConnection() { return socket_.WaitReadable(100) == platform::WaitResult::kReady; }

private:
    platform::Socket socket_;
};

class OpenHandle : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = QW_SRDK_Open_Device("127.0.0.1", listener_.Port(), "admin", "pw", nullptr);
        ASSERT_NE(handle_, nullptr);
    }
    void TearDown() override { QW_SRDK_Close_Device(handle_); }
    Listener listener_;
    QW_DVR_HANDLE handle_ = nullptr;
};

TEST(Exports, CHeaderDeclaresEveryExport) {
    // 39 device-protocol exports, the result-text and notification-target
    // exports, 2 + 101 MCTP calls.
    EXPECT_EQ(kestrel_c_export_count(), 39u + 2u + 2u + 101u);
}

TEST(Exports, EveryHandleTakingExportRefusesANullHandle) {
    for (const NamedCall& c : HandleCalls()) {
        EXPECT_EQ(c.call(nullptr), QW_NET_ERR_BAD_ARGUMENT) << c.name;
    }
}

TEST(Exports, ClosedAndForeignHandlesAreRefused) {
    QW_DVR_HANDLE h = QW_SRDK_Open_Device("127.0.0.1", 8000, "u", "p", nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(QW_DVR_NET_Close_Device(h), QW_NET_OK);
    EXPECT_EQ(QW_DVR_NET_Close_Device(h), QW_NET_ERR_BAD_ARGUMENT);

    int not_a_device = 0;
    QW_DVR_HANDLE foreign = reinterpret_cast<QW_DVR_HANDLE>(&not_a_device);
    for (const NamedCall& c : HandleCalls()) {
        EXPECT_EQ(c.call(h), QW_NET_ERR_BAD_ARGUMENT) << c.name << " on a closed handle";
        EXPECT_EQ(c.call(foreign), QW_NET_ERR_BAD_ARGUMENT) << c.name << " on a foreign handle";
    }
}

TEST(Exports, InitAndCleanupCountOnce) {
    EXPECT_EQ(QW_DVR_NET_Cleanup(), 0);  // not started: nothing to do
    EXPECT_EQ(QW_DVR_NET_Init(), 0);
    EXPECT_EQ(QW_DVR_NET_Init(), 0);
    EXPECT_EQ(QW_DVR_NET_Cleanup(), 0);
    EXPECT_EQ(QW_DVR_NET_Cleanup(), 0);
}

TEST(Exports, BothVersionTextsAreTheSame) {
    EXPECT_STREQ(QW_DVR_NET_GetSDKVersion(), "1.1.1.3");
    EXPECT_STREQ(QW_DVR_NET_GetSRDKVersion(), "1.1.1.3");
}

TEST(Exports, ResultTextsNameTheLibraryCodes) {
    EXPECT_STREQ(QW_DVR_NET_ResultText(QW_NET_ERR_BAD_ARGUMENT), "bad argument");
    EXPECT_STREQ(QW_DVR_NET_ResultText(QW_VSCP_ERR_DATA_LENGTH), "MCTP segment runs past the body");
    EXPECT_STREQ(QW_DVR_NET_ResultText(12345), "recorder result");
}

TEST_F(OpenHandle, SrdkOpenMakesNoTraffic) {
    EXPECT_FALSE(listener_.SawConnection());
}

TEST(Exports, SrdkOpenNeedsADottedAddress) {
    EXPECT_EQ(QW_SRDK_Open_Device("localhost", 8000, "u", "p", nullptr), nullptr);
    EXPECT_EQ(QW_SRDK_Open_Device(nullptr, 8000, "u", "p", nullptr), nullptr);
}

TEST_F(OpenHandle, StreamVolumeAndLogCalendarAreNotOffered) {
    EXPECT_EQ(QW_DVR_NET_SetStreamVolume(handle_, 3, 100), QW_NET_ERR_NOT_SUPPORTED);
    EXPECT_EQ(QW_DVR_NET_SetStreamVolume(handle_, 3, 65535), QW_NET_ERR_NOT_SUPPORTED);
    EXPECT_EQ(QW_DVR_NET_SetStreamVolume(handle_, 3, 65536), QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_SetStreamVolume(handle_, 3, -1), QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_SetStreamVolume(handle_, 17, 100), QW_NET_ERR_BAD_ARGUMENT);

    EXPECT_EQ(QW_DVR_NET_GetLogCalendar(handle_, 3, 0, ""), QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_GetLogCalendar(handle_, 3, 0, nullptr), QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_GetLogCalendar(handle_, 100, 0, "x"), QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_GetLogCalendar(handle_, 0x1263, 0, "x"), QW_NET_ERR_NOT_SUPPORTED);
    EXPECT_FALSE(listener_.SawConnection());
}

TEST_F(OpenHandle, ChannelArgumentsStayWithinTheSlots) {
    for (int32_t channel : {-1, 17, 1000}) {
        EXPECT_EQ(QW_DVR_NET_StartRealAV(handle_, 0, channel, 0, 0, 1, 0, "u", "p"),
                  QW_NET_ERR_BAD_ARGUMENT);
        EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, channel), QW_NET_ERR_BAD_ARGUMENT);
        EXPECT_EQ(QW_DVR_NET_SetRealDataCallBack(handle_, channel, nullptr, nullptr),
                  QW_NET_ERR_BAD_ARGUMENT);
        EXPECT_EQ(QW_DVR_NET_OpenStreamSound(handle_, channel), QW_NET_ERR_BAD_ARGUMENT);
        EXPECT_EQ(QW_DVR_NET_CloseStreamSound(handle_, channel), QW_NET_ERR_BAD_ARGUMENT);
    }
    EXPECT_EQ(QW_DVR_NET_SetRealDataCallBack(handle_, 16, nullptr, nullptr), QW_NET_OK);
}

TEST_F(OpenHandle, PointerAndRangeChecksComeBeforeAnyWork) {
    char name[200];
    std::memset(name, 'a', sizeof name - 1);
    name[sizeof name - 1] = '\0';
    char login[34];
    std::memset(login, 'u', 33);
    login[33] = '\0';
    uint32_t mask = 0;
    std::tm when{};
    FileList list{};
    int32_t uid_length = 8;
    unsigned char uid[16];
    const struct {
        const char* what;
        int32_t result;
    } cases[] = {
        {"download mode 4", QW_DVR_NET_VodDownloadClipVMS(handle_, "f", 4, 0, 0, 0)},
        {"download empty name", QW_DVR_NET_VodDownloadClipVMS(handle_, "", 0, 0, 0, 0)},
        {"download negative first", QW_DVR_NET_VodDownloadClipVMS(handle_, "f", 0, -1, 0, 0)},
        {"download negative third", QW_DVR_NET_VodDownloadClipVMS(handle_, "f", 0, 0, 0, -1)},
        {"download name over 127", QW_DVR_NET_VodDownloadClipVMS(handle_, name, 0, 0, 0, 0)},
        {"calendar month 100", QW_DVR_NET_GetVideoFileCalendar(handle_, 100, 0, nullptr, &mask)},
        {"calendar no output", QW_DVR_NET_GetVideoFileCalendar(handle_, 3, 0, nullptr, nullptr)},
        {"33-character user", QW_DVR_NET_CheckAdminPwd(handle_, login, "p", nullptr, nullptr)},
        {"33-character password", QW_DVR_NET_CheckAdminPwd(handle_, "u", login, nullptr, nullptr)},
        {"search without times",
         QW_DVR_NET_SearchAVFileList(handle_, 0, nullptr, &when, 0, 0, 0, &list)},
        {"search without list",
         QW_DVR_NET_SearchAVFileList(handle_, 0, &when, &when, 0, 0, 0, nullptr)},
        {"ptz without action", QW_DVR_NET_PZTAction(handle_, nullptr, 0, 0)},
        {"format without disk", QW_DVR_NET_FormatHdd(handle_, nullptr)},
        {"audio without data", QW_DVR_NET_SendAudioData(handle_, nullptr, 4, 0, 0)},
        {"uid length 8", QW_DVR_NET_GetDvrUID(handle_, uid, &uid_length)},
        {"set config without block", QW_DVR_NET_SetAllConfigParaEx(handle_, nullptr)},
        {"get config without block", QW_DVR_NET_GetAllConfigParaEx(handle_, nullptr)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, QW_NET_ERR_BAD_ARGUMENT) << c.what;
    }
    EXPECT_FALSE(listener_.SawConnection());
}

TEST_F(OpenHandle, ConfigCallsCheckTheirShapesPointers) {
    char record[8192] = {};
    int32_t negative = -1;
    int32_t huge = 0x7FFFFFFF;
    const struct {
        const char* what;
        int32_t result;
        int32_t expected;
    } cases[] = {
        {"selector set, null array", QW_SRDK_MEDIA_SetVideoAttr(handle_, 2, nullptr, 4),
         QW_NET_ERR_BAD_ARGUMENT},
        {"selector set, negative count", QW_SRDK_MEDIA_SetVideoAttr(handle_, 2, record, -1),
         QW_NET_ERR_BAD_ARGUMENT},
        {"selector get, null count", QW_SRDK_MEDIA_GetVideoAttr(handle_, 0, record, nullptr),
         QW_NET_ERR_BAD_ARGUMENT},
        {"selector get, negative capacity",
         QW_SRDK_MEDIA_GetStreamEncryptAttr(handle_, 0, record, &negative),
         QW_NET_ERR_BAD_ARGUMENT},
        {"array get, capacity past 32 bits", QW_SRDK_MEDIA_GetOsd(handle_, record, &huge),
         QW_NET_ERR_BAD_ARGUMENT},
        {"array set, null array", QW_SRDK_SYS_USERMNG_ModifyGroupInfo(handle_, nullptr, 1),
         QW_NET_ERR_BAD_ARGUMENT},
        {"record get, null record", QW_SRDK_DEV_GetDevCaps(handle_, nullptr),
         QW_NET_ERR_BAD_ARGUMENT},
        {"keyed get, null output", QW_SRDK_NET_Network_GetNetdevAttr(handle_, record, nullptr),
         QW_NET_ERR_BAD_ARGUMENT},
        {"keyed set, null second input", QW_SRDK_ALARM_SetAlarmInSchedule(handle_, record, nullptr),
         QW_NET_ERR_BAD_ARGUMENT},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, c.expected) << c.what;
    }
}

TEST(Exports, FreeFileListReleasesOwnedNames) {
    EXPECT_EQ(QW_DVR_NET_FreeFileList(nullptr), 0);
    FileNameList list{};
    list.count = 2;
    list.entries = static_cast<FileNameEntry*>(std::calloc(2, sizeof(FileNameEntry)));
    list.entries[0].name = strdup("a");
    list.entries[1].name = strdup("b");
    EXPECT_EQ(QW_DVR_NET_FreeFileList(&list), 0);
    EXPECT_EQ(list.entries, nullptr);  // a second free finds nothing left to release
    EXPECT_EQ(QW_DVR_NET_FreeFileList(&list), 0);
}

TEST(Exports, HostTextsResolveToDottedAddresses) {
    char out[16];
    const struct {
        const char* text;
        int32_t result;
        const char* address;
    } cases[] = {
        {"192.168.1.10", 0, "192.168.1.10"},
        {"http://192.168.1.10", 0, "192.168.1.10"},
        {"192.168.001.010", 0, "192.168.1.10"},
        {"127.0.0.1", 0, "127.0.0.1"},
        {"localhost", 0, "127.0.0.1"},
        {"0.0.0.5", QW_NET_ERR_BAD_ADDRESS, nullptr},
        {"1.23", QW_NET_ERR_BAD_ADDRESS, nullptr},
        {"tcp://1.2", QW_NET_ERR_BAD_ADDRESS, nullptr},
    };
    for (const auto& c : cases) {
        std::memset(out, 0x55, sizeof out);
        EXPECT_EQ(QW_DVR_NET_GetHostByName(c.text, out), c.result) << c.text;
        if (c.address != nullptr) {
            EXPECT_STREQ(out, c.address) << c.text;
        }
    }
    EXPECT_EQ(QW_DVR_NET_GetHostByName(nullptr, out), QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_GetHostByName("127.0.0.1", nullptr), QW_NET_ERR_BAD_ARGUMENT);
}

TEST(Exports, OpenRefusesMissingHostOrPort) {
    int32_t result = 0;
    EXPECT_EQ(QW_DVR_NET_Open_Device(nullptr, 5000, "u", "p", nullptr, nullptr, &result, nullptr,
                                     nullptr),
              nullptr);
    EXPECT_EQ(result, QW_NET_ERR_BAD_ARGUMENT);
    result = 0;
    EXPECT_EQ(
        QW_DVR_NET_Open_Device("", 5000, "u", "p", nullptr, nullptr, &result, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(result, QW_NET_ERR_BAD_ARGUMENT);
    result = 0;
    EXPECT_EQ(QW_DVR_NET_Open_Device_Ex("127.0.0.1", 0, 8000, "u", "p", nullptr, nullptr, &result,
                                        nullptr, nullptr),
              nullptr);
    EXPECT_EQ(result, QW_NET_ERR_BAD_ARGUMENT);
    result = 0;
    EXPECT_EQ(QW_DVR_NET_Open_Device("0.0.0.5", 5000, "u", "p", nullptr, nullptr, &result, nullptr,
                                     nullptr),
              nullptr);
    EXPECT_EQ(result, QW_NET_ERR_BAD_ADDRESS);
}

}  // namespace
