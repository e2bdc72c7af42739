// The network page against the in-process simulator: what it refuses before
// anything is sent, the order of its set calls for a static and a DHCP
// address with what the recorder stores, and how a failed call is reported.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <cstring>

#include "CDlgMainSetup.h"
#include "CDlgNetworkCfg.h"
#include "page_messages.h"
#include "settings_fixture.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui_test {
namespace {

using Page = ui::CDlgNetworkCfg;

// The network page opened as the settings window opens it.
struct Setup : SettingsSetup {
    using SettingsSetup::SettingsSetup;
    std::unique_ptr<Page> Open() { return SettingsSetup::Open<Page>(); }
};

void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

const std::vector<std::string> kStaticSave{"QW_SRDK_NET_Network_DHCP_Client_SetAttr",
                                           "QW_SRDK_NET_Network_SetNetdevAttr",
                                           "QW_SRDK_NET_Network_GetDNSList",
                                           "QW_SRDK_NET_Network_SetDNSList",
                                           "QW_SRDK_NET_SetMctpServerPort",
                                           "QW_SRDK_NET_SetWebServerPort",
                                           "QW_SRDK_MEDIA_SetVideoAttr",
                                           "QW_SRDK_NET_Network_GetDefaultGateway",
                                           "QW_SRDK_NET_Network_SetDefaultGateway",
                                           "QW_SRDK_NET_SetPppoeAttr",
                                           "QW_SRDK_NET_SetDdnsAttr",
                                           "QW_SRDK_DEV_SaveFlash"};

}  // namespace

class SettingsNetworkTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { widgets::Theme::Apply(*qApp); }
    void RefusesWhatTheRecordsCannotHold();
    void SavesInOrderForStaticAndDhcp();
    void FailuresAreReportedAndStopTheSave();
};

void SettingsNetworkTest::RefusesWhatTheRecordsCannotHold() {
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open();
    QCOMPARE(setup.Shown().size(), size_t{0});
    const size_t from = setup.Calls();
    const std::string invalid = setup.Text(client::kTextInvalidPara);

    const struct {
        QLineEdit* box;
        QString typed;
    } refused[] = {{page->AddressBox(Page::kIp), QStringLiteral("127.0.0")},
                   {page->AddressBox(Page::kIp), QStringLiteral("127.0.0.1.5")},
                   {page->AddressBox(Page::kNetmask), QStringLiteral("255.255.255.256")},
                   {page->AddressBox(Page::kGateway), QStringLiteral("a.b.c.d")},
                   {page->AddressBox(Page::kDns), QString()},
                   {page->AddressBox(Page::kSpareDns), QStringLiteral("8.8.8")},
                   {page->MediaPortBox(), QStringLiteral("65536")},
                   {page->WebPortBox(), QStringLiteral("0")},
                   {page->PppoeUserBox(), QString(32, QLatin1Char('u'))},
                   {page->DdnsHostBox(), QString(128, QLatin1Char('h'))}};
    for (const auto& [box, typed] : refused) {
        const QString before = box->text();
        Type(box, typed);
        QCOMPARE(setup.Shown().back(), invalid);
        QCOMPARE(box->text(), before);
    }
    QCOMPARE(setup.Shown().size(), std::size(refused));

    // The longest texts that fit, and an empty spare DNS (none), are taken.
    Type(page->PppoeUserBox(), QString(31, QLatin1Char('u')));
    Type(page->DdnsHostBox(), QString(127, QLatin1Char('h')));
    Type(page->AddressBox(Page::kSpareDns), QString());
    QCOMPARE(page->AddressBox(Page::kSpareDns)->text(), QStringLiteral("0.0.0.0"));
    QCOMPARE(setup.Shown().size(), std::size(refused));
    QCOMPARE(setup.CallsSince(from), std::vector<std::string>{});
}

void SettingsNetworkTest::SavesInOrderForStaticAndDhcp() {
    Setup setup;
    QVERIFY(setup.ok);
    auto page = setup.Open();
    QCOMPARE(page->MacLabel()->text(), QStringLiteral("00:1A:2B:3C:4D:5E"));
    QCOMPARE(page->BitRateBox()->currentIndex(), 4);  // the recorder's 512 kbit/s
    QVERIFY(page->AddressBox(Page::kIp)->isEnabled());
    SavePicture(*page, "network");

    Type(page->AddressBox(Page::kIp), QStringLiteral("127.0.0.9"));
    Type(page->AddressBox(Page::kDns), QStringLiteral("127.0.0.53"));
    Choose(page->BitRateBox(), 2);  // 256k
    Choose(page->PppoeBox(), 0);    // plain off
    size_t from = setup.Calls();
    page->Save();
    QCOMPARE(setup.CallsSince(from), kStaticSave);
    QCOMPARE(setup.Shown().back(), setup.Text(client::kTextSaveSuccess));

    const auto netdev = setup.fixture.Recorder().StoredRecord("QW_SRDK_NET_Network_GetNetdevAttr",
                                                              std::string_view("eth0"));
    QVERIFY(netdev && netdev->size() == sizeof(QwNetdevAttr));
    QCOMPARE((*netdev)[offsetof(QwNetdevAttr, address) + 3], uint8_t{9});
    QCOMPARE(setup.Stored<QwDnsList>("QW_SRDK_NET_Network_GetDNSList").at(0).preferred[3],
             uint8_t{53});
    // Off with a static address has its own value.
    QCOMPARE(setup.Stored<QwPppoeAttr>("QW_SRDK_NET_GetPppoeAttr").at(0).mode,
             int32_t{QW_PPPOE_OFF_STATIC});
    const auto video =
        setup.Stored<QwVideoAttr>("QW_SRDK_MEDIA_GetVideoAttr", uint32_t{QW_STREAM_NETWORK});
    QCOMPARE(video.size(), size_t{4});
    for (const QwVideoAttr& record : video) {
        QCOMPARE(record.bit_rate, 256);
    }

    // DHCP: the static fields are closed and their three calls are skipped.
    Choose(page->AddressTypeBox(), 1);
    QVERIFY(!page->AddressBox(Page::kIp)->isEnabled());
    QVERIFY(!page->AddressBox(Page::kDns)->isEnabled());
    from = setup.Calls();
    page->Save();
    std::vector<std::string> dhcpSave = kStaticSave;
    dhcpSave.erase(dhcpSave.begin() + 1, dhcpSave.begin() + 4);
    QCOMPARE(setup.CallsSince(from), dhcpSave);
    QCOMPARE(setup.Stored<QwDhcpClientAttr>("QW_SRDK_NET_Network_DHCP_Client_GetAttr")
                 .at(0)
                 .address_type,
             int32_t{QW_ADDRESS_DHCP});
    QCOMPARE(setup.Stored<QwPppoeAttr>("QW_SRDK_NET_GetPppoeAttr").at(0).mode,
             int32_t{QW_PPPOE_OFF});

    // The settings window opens this page for its tree item.
    ui::CDlgMainSetup window(setup.fixture.Context(), nullptr);
    window.OnMessage(client::UM_LOGIN, client::kLoginDone, 1);
    QVERIFY(qobject_cast<Page*>(window.Page(client::SettingsPageId::kNetwork)) != nullptr);
}

void SettingsNetworkTest::FailuresAreReportedAndStopTheSave() {
    sim::RecorderConfig failingSet = RecorderWithChannels(4);
    failingSet.faults.mctp.failing_calls = {{"QW_SRDK_NET_SetMctpServerPort", 1}};
    Setup setup(failingSet);
    QVERIFY(setup.ok);
    auto page = setup.Open();
    const size_t from = setup.Calls();
    page->Save();
    const std::vector<std::string> upToTheFailure(kStaticSave.begin(), kStaticSave.begin() + 5);
    QCOMPARE(setup.CallsSince(from), upToTheFailure);
    QCOMPARE(setup.Shown(), std::vector<std::string>{setup.Text(client::kTextSaveFailed)});

    sim::RecorderConfig failingGet = RecorderWithChannels(4);
    failingGet.faults.mctp.failing_calls = {{"QW_SRDK_NET_GetPppoeAttr", 1}};
    Setup refused(failingGet);
    QVERIFY(refused.ok);
    refused.Open();
    QCOMPARE(refused.Shown(), std::vector<std::string>{"Network Cfg:Refresh Failed!"});
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::SettingsNetworkTest)
#include "settings_network_test.moc"
