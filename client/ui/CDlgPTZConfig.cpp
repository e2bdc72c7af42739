#include "CDlgPTZConfig.h"

#include <QComboBox>
#include <QGridLayout>
#include <algorithm>

#include "kestrel_net_config.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int32_t kRecords = 16;
constexpr int kAddresses = 255;

}  // namespace

CDlgPTZConfig::CDlgPTZConfig(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "PTZ Cfg:", Options{true, true, true, client::kTextSetup}, parent) {
    setObjectName(QStringLiteral("ptzConfigPage"));
    QStringList addresses;
    for (int address = 1; address <= kAddresses; ++address) {
        addresses << QString::number(address);
    }
    // Each drop-down's index is its byte of the current record.
    auto byteChoice = [this](const QStringList& entries, uint8_t QwPtzAttr::*field) {
        return BindChoice(
            entries, [this, field] { return static_cast<int>(Current().*field); },
            [this, field](int index) { Current().*field = static_cast<uint8_t>(index); });
    };
    choices_[kProtocol] = BindChoice(
        {Text(client::kTextPelcoD), Text(client::kTextPelcoP)},
        [this] { return static_cast<int>(Current().protocol); },
        [this](int index) { Current().protocol = index; });
    // The list starts at address 1.
    choices_[kAddress] = BindChoice(
        addresses, [this] { return Current().address - 1; },
        [this](int index) { Current().address = static_cast<uint8_t>(index + 1); });
    choices_[kBaudRate] = byteChoice({QStringLiteral("1200"), QStringLiteral("2400"),
                                      QStringLiteral("4800"), QStringLiteral("9600")},
                                     &QwPtzAttr::baud);
    choices_[kDataBits] = byteChoice(
        {QStringLiteral("8"), QStringLiteral("7"), QStringLiteral("6"), QStringLiteral("5")},
        &QwPtzAttr::data_bits);
    choices_[kStopBits] =
        byteChoice({QStringLiteral("1"), QStringLiteral("2")}, &QwPtzAttr::stop_bits);
    choices_[kParity] = byteChoice(
        {Text(client::kTextParityNone), Text(client::kTextParityOdd), Text(client::kTextParityEven),
         Text(client::kTextParityMark), Text(client::kTextParitySpace)},
        &QwPtzAttr::parity);
    const int labels[kFields] = {client::kTextProtocol, client::kTextAddress, client::kTextBaudRate,
                                 client::kTextDataBit,  client::kTextStopBit, client::kTextParity};
    for (int field = 0; field < kFields; ++field) {
        choices_[field]->setMinimumWidth(140);
        choices_[field]->setMaxVisibleItems(16);
        AddRow(labels[field], choices_[field]);
    }
    Grid()->setColumnStretch(2, 1);
    Grid()->setRowStretch(Grid()->rowCount(), 1);
}

SettingsPage::ReadResult CDlgPTZConfig::ReadRecords() {
    std::array<QwPtzAttr, kRecords> records{};
    int32_t count = kRecords;
    if (QW_SRDK_DEV_GetPtzAttr(Handle(), records.data(), &count) != 0) {
        return ReadResult::kFailed;
    }
    records_ = records;
    count_ = std::clamp<int32_t>(count, 0, kRecords);
    read_ = true;
    return HoldsChannel<QwPtzAttr>({records_.data(), static_cast<size_t>(count_)}, CurrentChannel())
               ? ReadResult::kOk
               : ReadResult::kInvalidChannel;
}

bool CDlgPTZConfig::ReadyToSave() {
    if (!read_) {
        Show(LoadText(client::kTextSaveFailed));
        return false;
    }
    return true;
}

std::vector<SettingsPage::SaveStep> CDlgPTZConfig::SaveSteps() {
    return {[this] { return QW_SRDK_DEV_SetPtzAttr(Handle(), records_.data(), count_); }};
}

void CDlgPTZConfig::RestoreDefaults() {
    for (int channel = 0; channel < ChannelCount(); ++channel) {
        QwPtzAttr& record = records_[static_cast<size_t>(channel)];
        record.protocol = QW_PTZ_PELCO_D;
        record.baud = QW_BAUD_9600;
        record.data_bits = QW_DATA_BITS_8;
        record.stop_bits = QW_STOP_BITS_1;
        record.parity = QW_PARITY_ODD;
        record.address = 1;
    }
}

void CDlgPTZConfig::CopyToFlagged(int /*targets*/) {
    CopyToFlaggedChannels(records_);
}

}  // namespace kestrel::ui
