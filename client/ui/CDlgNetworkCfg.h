// NETWORK: the recorder's address (static or DHCP, with netmask, gateway
// and two DNS servers), its web and media ports, the network-stream bit rate
// of all channels, PPPoE and DDNS; the hardware address is shown only.
//
// Threading: GUI thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "settings_page.h"

class QLabel;

namespace kestrel::ui {

class CDlgNetworkCfg : public SettingsPage {
    Q_OBJECT

public:
    CDlgNetworkCfg(client::ClientContext& context, QWidget* parent);

    // The network-stream bit rates offered, kbit/s, in list order.
    static constexpr std::array<int32_t, 5> kBitRates{128, 192, 256, 384, 512};

    // The address boxes, in the order they are laid out.
    enum Address { kIp, kNetmask, kGateway, kDns, kSpareDns, kAddressCount };
    QLineEdit* AddressBox(Address which) const { return addresses_[which].box; }
    QComboBox* AddressTypeBox() const { return addressType_; }
    QLineEdit* MediaPortBox() const { return mediaPort_; }
    QLineEdit* WebPortBox() const { return webPort_; }
    QComboBox* PppoeBox() const { return pppoe_; }
    QLineEdit* PppoeUserBox() const { return pppoeUser_; }
    QLineEdit* DdnsHostBox() const { return ddnsHost_; }
    QComboBox* BitRateBox() const { return bitRate_; }
    QLabel* MacLabel() const { return mac_; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    void ShowChannel(int channel) override;

private:
    // A box bound to the four bytes of an IPv4 address in a record.
    struct AddressField {
        QLineEdit* box = nullptr;
        uint8_t* bytes = nullptr;
        bool emptyMeansNone = false;  // an empty box stores 0.0.0.0
    };

    static constexpr int kDdnsRecords = 4;

    bool StaticAddress() const { return dhcp_.address_type == QW_ADDRESS_STATIC; }
    void CommitAddress(Address which);
    void EnableStaticFields();
    QwNetdevName NetdevName() const;
    // The shown bit rate goes to every channel (a rate the list lacks leaves
    // each channel's own).
    void SpreadBitRate();

    std::string netdevName_;  // the key of the device's attributes
    QwNetdevAttr netdev_{};
    QwDhcpClientAttr dhcp_{};
    QwDnsList dns_{};
    QwDefaultGateway gateway_{};
    uint16_t webPortValue_ = 0;
    uint16_t mediaPortValue_ = 0;
    QwPppoeAttr pppoeRecord_{};
    std::array<QwDdnsAttr, kDdnsRecords> ddns_{};
    int32_t ddnsCount_ = 0;
    std::array<QwVideoAttr, QW_MAX_CHANNELS> video_{};
    int32_t videoCount_ = 0;

    std::array<AddressField, kAddressCount> addresses_{};
    QComboBox* addressType_ = nullptr;
    QLineEdit* mediaPort_ = nullptr;
    QLineEdit* webPort_ = nullptr;
    QComboBox* pppoe_ = nullptr;
    QLineEdit* pppoeUser_ = nullptr;
    QLineEdit* ddnsHost_ = nullptr;
    QComboBox* bitRate_ = nullptr;
    QLabel* mac_ = nullptr;
};

}  // namespace kestrel::ui
