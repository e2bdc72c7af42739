#include "CDlgNetworkCfg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <algorithm>
#include <optional>

#include "kestrel_net_config.h"
#include "record_fields.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

using Bytes4 = std::array<uint8_t, 4>;

constexpr int kLeft = 0;
constexpr int kRight = 3;  // column 2 keeps the two halves apart

// Strict dotted decimal: four numbers of 1..3 digits, each at most 255.
// Nothing shorter or looser, so a typo never becomes some other address.
std::optional<Bytes4> ParseDotted(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    Bytes4 bytes{};
    for (int i = 0; i < 4; ++i) {
        const QString& part = parts[i];
        if (part.isEmpty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(),
                         [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); })) {
            return std::nullopt;
        }
        const int value = part.toInt();
        if (value > 255) {
            return std::nullopt;
        }
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(value);
    }
    return bytes;
}

QString DottedText(const uint8_t* bytes) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(int{bytes[0]})
        .arg(int{bytes[1]})
        .arg(int{bytes[2]})
        .arg(int{bytes[3]});
}

QString MacText(const uint8_t (&mac)[6]) {
    QStringList parts;
    for (const uint8_t byte : mac) {
        parts << QStringLiteral("%1").arg(uint{byte}, 2, 16, QLatin1Char('0')).toUpper();
    }
    return parts.join(QLatin1Char(':'));
}

int BitRateIndex(int32_t bitRate) {
    const auto& rates = CDlgNetworkCfg::kBitRates;
    const auto found = std::find(rates.begin(), rates.end(), bitRate);
    return found != rates.end() ? static_cast<int>(found - rates.begin()) : -1;
}

}  // namespace

CDlgNetworkCfg::CDlgNetworkCfg(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "Network Cfg:", Options{false, false, false, 0}, parent) {
    setObjectName(QStringLiteral("networkPage"));
    QGridLayout* grid = Grid();
    int rows[kRight + 1] = {};
    auto place = [this, grid, &rows](int column, int textId, QWidget* control) {
        const int row = rows[column]++;
        grid->addWidget(new QLabel(Text(textId), Body()), row, column);
        grid->addWidget(control, row, column + 1);
    };
    const QStringList onOff{Text(client::kTextOff), Text(client::kTextOn)};

    addressType_ = BindChoice(
        {Text(client::kTextStatic), QStringLiteral("DHCP")},
        [this] { return static_cast<int>(dhcp_.address_type); },
        [this](int index) {
            dhcp_.address_type = index;
            EnableStaticFields();
        });
    place(kLeft, client::kTextAddressType, addressType_);

    const struct {
        int textId;
        uint8_t* bytes;
    } fields[kAddressCount] = {{client::kTextIpAddr, netdev_.address},
                               {client::kTextSubnetMask, netdev_.netmask},
                               {client::kTextGateway, gateway_.gateway},
                               {client::kTextPreferredDns, dns_.preferred},
                               {client::kTextAlternateDns, dns_.spare}};
    for (int i = 0; i < kAddressCount; ++i) {
        const auto which = static_cast<Address>(i);
        AddressField& field = addresses_[which];
        field.box = new QLineEdit(Body());
        field.box->setMaxLength(15);
        field.bytes = fields[i].bytes;
        field.emptyMeansNone = which == kSpareDns;
        connect(field.box, &QLineEdit::editingFinished, this,
                [this, which] { CommitAddress(which); });
        place(kLeft, fields[i].textId, field.box);
    }
    mac_ = new QLabel(Body());
    mac_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    place(kLeft, client::kTextMacAddress, mac_);

    // Port 0 is refused: the recorder would stop answering on it.
    mediaPort_ = BindNumber(
        1, 65535, [this] { return int64_t{mediaPortValue_}; },
        [this](int64_t value) { mediaPortValue_ = static_cast<uint16_t>(value); });
    place(kLeft, client::kTextMediaPort, mediaPort_);
    webPort_ = BindNumber(
        1, 65535, [this] { return int64_t{webPortValue_}; },
        [this](int64_t value) { webPortValue_ = static_cast<uint16_t>(value); });
    place(kLeft, client::kTextWebPort, webPort_);

    QStringList rates;
    for (const int32_t rate : kBitRates) {
        rates << QStringLiteral("%1k").arg(rate);
    }
    bitRate_ = BindChoice(
        rates, [this] { return videoCount_ > 0 ? BitRateIndex(video_[0].bit_rate) : -1; },
        [this](int index) {
            if (videoCount_ > 0) {
                video_[0].bit_rate = kBitRates[static_cast<size_t>(index)];
            }
        });
    place(kLeft, client::kTextSubStreamBitRate, bitRate_);

    // A text field holds one byte less than its size: the NUL.
    auto text = [this](auto& field, bool secret) {
        QLineEdit* box = BindText(
            sizeof field - 1, false, [&field] { return client::FieldText(field); },
            [&field](const std::string& value) { client::SetFieldText(field, value); });
        if (secret) {
            box->setEchoMode(QLineEdit::Password);
        }
        return box;
    };
    pppoe_ = BindChoice(
        onOff, [this] { return pppoeRecord_.mode == QW_PPPOE_ON ? 1 : 0; },
        [this](int index) { pppoeRecord_.mode = index == 1 ? QW_PPPOE_ON : QW_PPPOE_OFF; });
    place(kRight, client::kTextPppoe, pppoe_);
    pppoeUser_ = text(pppoeRecord_.user, false);
    place(kRight, client::kTextUserName, pppoeUser_);
    place(kRight, client::kTextMailPassword, text(pppoeRecord_.password, true));

    // DDNS edits the first record; any others go back as they came.
    QwDdnsAttr& ddns = ddns_[0];
    place(kRight, client::kTextDdns,
          BindChoice(
              onOff, [&ddns] { return ddns.enable != 0 ? 1 : 0; },
              [&ddns](int index) { ddns.enable = index; }));
    place(kRight, client::kTextDdnsServer,
          BindChoice(
              {QStringLiteral("3322"), QStringLiteral("dyndns"), QStringLiteral("easterndns")},
              [&ddns] { return static_cast<int>(ddns.server); },
              [&ddns](int index) { ddns.server = index; }));
    ddnsHost_ = text(ddns.host_name, false);
    place(kRight, client::kTextHostName, ddnsHost_);
    place(kRight, client::kTextUserName, text(ddns.user, false));
    place(kRight, client::kTextMailPassword, text(ddns.password, true));

    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(kRight + 1, 1);
    grid->setRowStretch(std::max(rows[kLeft], rows[kRight]), 1);
}

// ---- Reading ---------------------------------------------------------------------

QwNetdevName CDlgNetworkCfg::NetdevName() const {
    QwNetdevName name{};
    client::SetFieldText(name.name, netdevName_);
    return name;
}

SettingsPage::ReadResult CDlgNetworkCfg::ReadRecords() {
    const QW_DVR_HANDLE h = Handle();
    // The device's attributes are kept under its name, which the recorder's
    // own description starts with.
    if (netdevName_.empty()) {
        QwDeviceInfo info{};
        if (QW_SRDK_DEV_GetDeviceInfo(h, &info) != 0) {
            return ReadResult::kFailed;
        }
        netdevName_ = client::FieldText(info.name);
    }
    QwNetdevName name = NetdevName();
    QwNetdevAttr netdev{};
    QwDhcpClientAttr dhcp{};
    QwDnsList dns{};
    QwDefaultGateway gateway{};
    uint16_t web = 0;
    uint16_t media = 0;
    QwPppoeAttr pppoe{};
    std::array<QwDdnsAttr, kDdnsRecords> ddns{};
    int32_t ddnsCount = kDdnsRecords;
    std::array<QwVideoAttr, QW_MAX_CHANNELS> video{};
    int32_t videoCount = QW_MAX_CHANNELS;
    // In this order, stopping at the first failure; a list without a single
    // record leaves nothing to show either.
    const bool ok =
        QW_SRDK_NET_Network_GetNetdevAttr(h, &name, &netdev) == 0 &&
        QW_SRDK_NET_Network_DHCP_Client_GetAttr(h, &dhcp) == 0 &&
        QW_SRDK_NET_Network_GetDNSList(h, &dns) == 0 &&
        QW_SRDK_NET_Network_GetDefaultGateway(h, &gateway) == 0 &&
        QW_SRDK_NET_GetWebServerPort(h, &web) == 0 &&
        QW_SRDK_NET_GetMctpServerPort(h, &media) == 0 && QW_SRDK_NET_GetPppoeAttr(h, &pppoe) == 0 &&
        QW_SRDK_NET_GetDdnsAttr(h, ddns.data(), &ddnsCount) == 0 && ddnsCount > 0 &&
        QW_SRDK_MEDIA_GetVideoAttr(h, QW_STREAM_NETWORK, video.data(), &videoCount) == 0 &&
        videoCount > 0;
    if (!ok) {
        return ReadResult::kFailed;
    }
    netdev_ = netdev;
    dhcp_ = dhcp;
    dns_ = dns;
    gateway_ = gateway;
    webPortValue_ = web;
    mediaPortValue_ = media;
    pppoeRecord_ = pppoe;
    ddns_ = ddns;
    ddnsCount_ = std::min(ddnsCount, kDdnsRecords);
    video_ = video;
    // What the recorder sent is what it has: its channels, at most 16.
    videoCount_ = std::min({videoCount, static_cast<int32_t>(QW_MAX_CHANNELS), ChannelCount()});
    return ReadResult::kOk;
}

// ---- Showing and editing ---------------------------------------------------------

void CDlgNetworkCfg::ShowChannel(int) {
    for (const AddressField& field : addresses_) {
        field.box->setText(DottedText(field.bytes));
    }
    mac_->setText(MacText(netdev_.mac));
    EnableStaticFields();
}

void CDlgNetworkCfg::EnableStaticFields() {
    for (const AddressField& field : addresses_) {
        field.box->setEnabled(StaticAddress());
    }
}

void CDlgNetworkCfg::CommitAddress(Address which) {
    if (Filling()) {
        return;
    }
    AddressField& field = addresses_[which];
    const QString typed = field.box->text().trimmed();
    if (typed == DottedText(field.bytes)) {
        return;
    }
    const std::optional<Bytes4> parsed =
        field.emptyMeansNone && typed.isEmpty() ? Bytes4{} : ParseDotted(typed);
    if (!parsed) {
        Show(LoadText(client::kTextInvalidPara));
        field.box->setText(DottedText(field.bytes));
        return;
    }
    std::copy(parsed->begin(), parsed->end(), field.bytes);
    field.box->setText(DottedText(field.bytes));
}

// ---- SAVE ------------------------------------------------------------------------

void CDlgNetworkCfg::SpreadBitRate() {
    if (videoCount_ == 0 || BitRateIndex(video_[0].bit_rate) < 0) {
        return;
    }
    for (int32_t i = 1; i < videoCount_; ++i) {
        video_[static_cast<size_t>(i)].bit_rate = video_[0].bit_rate;
    }
}

std::vector<SettingsPage::SaveStep> CDlgNetworkCfg::SaveSteps() {
    std::vector<SaveStep> steps;
    steps.push_back([this] { return QW_SRDK_NET_Network_DHCP_Client_SetAttr(Handle(), &dhcp_); });
    if (StaticAddress()) {
        steps.push_back([this] {
            QwNetdevName name = NetdevName();
            return QW_SRDK_NET_Network_SetNetdevAttr(Handle(), &name, &netdev_);
        });
        steps.push_back([this] {
            QwDnsList list{};
            if (const int32_t rc = QW_SRDK_NET_Network_GetDNSList(Handle(), &list); rc != 0) {
                return rc;
            }
            std::copy(std::begin(dns_.preferred), std::end(dns_.preferred), list.preferred);
            std::copy(std::begin(dns_.spare), std::end(dns_.spare), list.spare);
            return QW_SRDK_NET_Network_SetDNSList(Handle(), &list);
        });
    }
    steps.push_back([this] { return QW_SRDK_NET_SetMctpServerPort(Handle(), mediaPortValue_); });
    steps.push_back([this] { return QW_SRDK_NET_SetWebServerPort(Handle(), webPortValue_); });
    steps.push_back([this] {
        SpreadBitRate();
        return QW_SRDK_MEDIA_SetVideoAttr(Handle(), QW_STREAM_NETWORK, video_.data(), videoCount_);
    });
    steps.push_back([this] {
        QwDefaultGateway fresh{};
        if (const int32_t rc = QW_SRDK_NET_Network_GetDefaultGateway(Handle(), &fresh); rc != 0) {
            return rc;
        }
        std::copy(std::begin(gateway_.gateway), std::end(gateway_.gateway), fresh.gateway);
        return QW_SRDK_NET_Network_SetDefaultGateway(Handle(), &fresh);
    });
    steps.push_back([this] {
        // Off has a value of its own for each address type, so the recorder
        // never holds "off, static" next to DHCP or plain "off" next to a
        // static address.
        QwPppoeAttr sent = pppoeRecord_;
        if (sent.mode == QW_PPPOE_OFF || sent.mode == QW_PPPOE_OFF_STATIC) {
            sent.mode = StaticAddress() ? QW_PPPOE_OFF_STATIC : QW_PPPOE_OFF;
        }
        return QW_SRDK_NET_SetPppoeAttr(Handle(), &sent);
    });
    steps.push_back([this] { return QW_SRDK_NET_SetDdnsAttr(Handle(), ddns_.data(), ddnsCount_); });
    return steps;
}

}  // namespace kestrel::ui
