#include "CDlgCodeVideoPara.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>

#include "device.h"
#include "kestrel_net_config.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

using client::CapacityCheck;
using client::VideoQuality;

constexpr int kRecords = 16;
constexpr int kMaxChoiceFrameRate = 30;
constexpr int kMinWidth = 32, kMaxWidth = 720;
constexpr int kMinHeight = 24, kMaxHeight = 576;
constexpr int kMaxGop = 400;

// The integer of a text box; nullopt for anything else.
std::optional<int> IntegerOf(const QLineEdit* box) {
    bool ok = false;
    const int value = box->text().trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

CDlgCodeVideoPara::CDlgCodeVideoPara(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "Video para:", Options{true, true, true, 0}, parent) {
    setObjectName(QStringLiteral("videoParameterPage"));
    QGridLayout* grid = Grid();
    const int headers[kStreams] = {client::kTextMainStream, client::kTextSubStream,
                                   client::kTextMobile};
    for (int s = 0; s < kStreams; ++s) {
        auto* header = new QLabel(Text(headers[s]), Body());
        header->setAlignment(Qt::AlignCenter);
        grid->addWidget(header, 0, 1 + s);
    }
    const int rowLabels[] = {client::kTextFrameRate, client::kTextQuality, client::kTextResolution,
                             client::kTextGop,       client::kTextWidth,   client::kTextHeight};
    for (int row = 0; row < static_cast<int>(std::size(rowLabels)); ++row) {
        grid->addWidget(new QLabel(Text(rowLabels[row]), Body()), 1 + row, 0);
    }

    // Record stream: a typed frame rate with its range beside it.
    recordFrameRate_ = new QLineEdit(Body());
    recordFrameRate_->setObjectName(QStringLiteral("recordFrameRate"));
    recordFrameRate_->setMaxLength(3);
    recordHint_ = new QLabel(Body());
    auto* frameRateCell = new QHBoxLayout;
    frameRateCell->addWidget(recordFrameRate_, 1);
    frameRateCell->addWidget(recordHint_);
    grid->addLayout(frameRateCell, 1, 1);
    connect(recordFrameRate_, &QLineEdit::editingFinished, this,
            [this] { CommitRecordFrameRate(); });

    for (int s = 0; s < kStreams; ++s) {
        const auto stream = static_cast<Stream>(s);
        quality_[s] = new QComboBox(Body());
        quality_[s]->addItems(
            {Text(client::kTextBest), Text(client::kTextFine), Text(client::kTextQualityNormal)});
        grid->addWidget(quality_[s], 2, 1 + s);
        connect(quality_[s], &QComboBox::activated, this,
                [this, stream](int index) { ChooseQuality(stream, index); });
        if (stream == kRecordStream) {
            continue;
        }
        frameRateChoice_[s] = new QComboBox(Body());
        for (int rate = 1; rate <= kMaxChoiceFrameRate; ++rate) {
            frameRateChoice_[s]->addItem(QString::number(rate));
        }
        grid->addWidget(frameRateChoice_[s], 1, 1 + s);
        connect(frameRateChoice_[s], &QComboBox::activated, this,
                [this, stream](int index) { ChooseFrameRate(stream, index); });
        // A GOP the record cannot use is refused by the bound box.
        gop_[s] = BindNumber(
            1, kMaxGop, [this, stream] { return int64_t{Current(stream).gop}; },
            [this, stream](int64_t value) { Current(stream).gop = static_cast<int32_t>(value); });
        grid->addWidget(gop_[s], 4, 1 + s);
    }

    recordResolution_ = new QComboBox(Body());
    recordResolution_->addItems(
        {QStringLiteral("CIF"), QStringLiteral("HD1"), QStringLiteral("D1")});
    grid->addWidget(recordResolution_, 3, 1);
    connect(recordResolution_, &QComboBox::activated, this,
            [this](int index) { ChooseRecordResolution(index); });
    mobileResolution_ = new QComboBox(Body());
    mobileResolution_->addItems({Text(client::kTextUserDefinedSize), QStringLiteral("CIF"),
                                 QStringLiteral("HD1"), QStringLiteral("D1")});
    grid->addWidget(mobileResolution_, 3, 1 + kMobileStream);
    connect(mobileResolution_, &QComboBox::activated, this,
            [this](int index) { ChooseMobileResolution(index); });

    mobileWidth_ = new QLineEdit(Body());
    mobileHeight_ = new QLineEdit(Body());
    mobileWidth_->setMaxLength(4);
    mobileHeight_->setMaxLength(4);
    const QString ranges[2] = {QStringLiteral("[%1,%2]").arg(kMinWidth).arg(kMaxWidth),
                               QStringLiteral("[%1,%2]").arg(kMinHeight).arg(kMaxHeight)};
    QLineEdit* sizeBoxes[2] = {mobileWidth_, mobileHeight_};
    for (int i = 0; i < 2; ++i) {
        auto* cell = new QHBoxLayout;
        cell->addWidget(sizeBoxes[i], 1);
        cell->addWidget(new QLabel(ranges[i], Body()));
        grid->addLayout(cell, 5 + i, 1 + kMobileStream);
        connect(sizeBoxes[i], &QLineEdit::editingFinished, this, [this] { CommitMobileSize(); });
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(7, 1);
}

// ---- Reading ---------------------------------------------------------------------

void CDlgCodeVideoPara::Opening() {
    QwDeviceInfo info{};
    if (QW_SRDK_DEV_GetDeviceInfo(Handle(), &info) == 0) {
        info.device_type[sizeof info.device_type - 1] = '\0';
        capacity_.deviceType = static_cast<int32_t>(std::strtol(info.device_type, nullptr, 10));
    } else {
        Show(LoadText(client::kTextGetInfoFailed));
        capacity_.deviceType = client::kDefaultDeviceType;
    }
    ReadStandard();
}

void CDlgCodeVideoPara::ReadStandard() {
    QwSystemAttr system{};
    if (QW_SRDK_SYS_GetSystemAttr(Handle(), &system) == 0) {
        capacity_.ntsc = system.tv_standard != 0;
    } else {
        Show(LoadText(client::kTextVideoParaStandardFailed));
        capacity_.ntsc = false;
    }
    recordHint_->setText(QStringLiteral("[1,%1]").arg(capacity_.MaxFrameRate()));
}

void CDlgCodeVideoPara::SettingsChangedElsewhere() {
    if (Opened()) {
        ReadStandard();  // the system page may have switched PAL and NTSC
    }
}

SettingsPage::ReadResult CDlgCodeVideoPara::ReadRecords() {
    ReadResult result = ReadResult::kOk;
    for (int s = 0; s < kStreams; ++s) {
        std::array<QwVideoAttr, kRecords> fresh{};
        int32_t count = kRecords;
        if (QW_SRDK_MEDIA_GetVideoAttr(Handle(), s, fresh.data(), &count) != 0) {
            result = ReadResult::kFailed;
            continue;
        }
        records_[static_cast<size_t>(s)] = fresh;
        const int held = std::clamp<int>(count, 0, kRecords);
        if (result == ReadResult::kOk &&
            !HoldsChannel<QwVideoAttr>({fresh.data(), static_cast<size_t>(held)},
                                       CurrentChannel())) {
            result = ReadResult::kInvalidChannel;
        }
    }
    return result;
}

std::span<const QwVideoAttr> CDlgCodeVideoPara::RecordStream() const {
    return {records_[kRecordStream].data(), static_cast<size_t>(ChannelCount())};
}

QwVideoAttr& CDlgCodeVideoPara::Current(Stream stream) {
    return records_[stream][static_cast<size_t>(CurrentChannel())];
}

// ---- Showing ---------------------------------------------------------------------

void CDlgCodeVideoPara::ShowChannel(int channel) {
    const size_t at = static_cast<size_t>(std::clamp(channel, 0, kRecords - 1));
    const QwVideoAttr& record = records_[kRecordStream][at];
    recordFrameRate_->setText(QString::number(record.frame_rate));
    recordResolution_->setCurrentIndex(std::clamp(record.resolution - 1, 0, 2));
    for (int s = 0; s < kStreams; ++s) {
        const QwVideoAttr& r = records_[static_cast<size_t>(s)][at];
        quality_[s]->setCurrentIndex(static_cast<int>(
            client::QualityOfBitRate(capacity_.deviceType, r.resolution, r.bit_rate)));
        if (s != kRecordStream) {
            frameRateChoice_[s]->setCurrentIndex(std::clamp(r.frame_rate, 1, kMaxChoiceFrameRate) -
                                                 1);
        }
    }
    const QwVideoAttr& mobile = records_[kMobileStream][at];
    mobileResolution_->setCurrentIndex(std::clamp(mobile.resolution, 0, 3));
    ShowMobileSizeBoxes(mobile);
}

void CDlgCodeVideoPara::ShowMobileSizeBoxes(const QwVideoAttr& record) {
    const bool userDefined = record.resolution == QW_RES_USER_DEFINED;
    mobileWidth_->setEnabled(userDefined);
    mobileHeight_->setEnabled(userDefined);
    mobileWidth_->setText(userDefined ? QString::number(record.width) : QString());
    mobileHeight_->setText(userDefined ? QString::number(record.height) : QString());
}

void CDlgCodeVideoPara::Say(const QString& text) const {
    Show(text.toStdString());
}

// ---- Editing ---------------------------------------------------------------------

void CDlgCodeVideoPara::CommitRecordFrameRate() {
    if (Filling()) {
        return;
    }
    QwVideoAttr& record = Current(kRecordStream);
    const std::optional<int> typed = IntegerOf(recordFrameRate_);
    const int value = typed.value_or(0);
    if (typed && value == record.frame_rate) {
        return;
    }
    const CapacityCheck check =
        client::CheckFrameRate(capacity_, RecordStream(), CurrentChannel(), value);
    if (check.result == CapacityCheck::Result::kInvalid) {
        Say(QStringLiteral("%1：%2").arg(value).arg(Text(client::kTextInvalidPara)));
    } else if (check.result == CapacityCheck::Result::kOverBudget) {
        Say(QStringLiteral("%1 %2!")
                .arg(Text(client::kTextCapabilityNotEnough))
                .arg(check.maxValue));
    } else {
        record.frame_rate = value;
        return;
    }
    recordFrameRate_->setText(QString::number(record.frame_rate));
}

void CDlgCodeVideoPara::ChooseRecordResolution(int index) {
    QwVideoAttr& record = Current(kRecordStream);
    const int32_t resolution = index + 1;
    const CapacityCheck check =
        client::CheckResolution(capacity_, RecordStream(), CurrentChannel(), resolution);
    if (check.result != CapacityCheck::Result::kFits) {
        Say(QStringLiteral("%1 %2!")
                .arg(Text(client::kTextCapabilityNotEnough))
                .arg(check.maxValue == QW_RES_CIF ? QStringLiteral("CIF") : QStringLiteral("HD1")));
        const QSignalBlocker quiet(recordResolution_);
        recordResolution_->setCurrentIndex(std::clamp(record.resolution - 1, 0, 2));
        return;
    }
    record.resolution = resolution;
    record.bit_rate =
        client::TableBitRate(capacity_.deviceType, resolution,
                             static_cast<VideoQuality>(quality_[kRecordStream]->currentIndex()));
}

void CDlgCodeVideoPara::ChooseQuality(Stream stream, int index) {
    QwVideoAttr& record = Current(stream);
    record.bit_rate = client::TableBitRate(capacity_.deviceType, record.resolution,
                                           static_cast<VideoQuality>(index));
}

void CDlgCodeVideoPara::ChooseFrameRate(Stream stream, int index) {
    Current(stream).frame_rate = index + 1;  // the list starts at 1
}

void CDlgCodeVideoPara::ChooseMobileResolution(int index) {
    QwVideoAttr& record = Current(kMobileStream);
    record.resolution = index;
    ShowMobileSizeBoxes(record);
}

void CDlgCodeVideoPara::CommitMobileSize() {
    QwVideoAttr& record = Current(kMobileStream);
    if (Filling() || record.resolution != QW_RES_USER_DEFINED) {
        return;
    }
    const std::optional<int> width = IntegerOf(mobileWidth_);
    const std::optional<int> height = IntegerOf(mobileHeight_);
    // A size out of range is refused, not stored: the recorder could not use it.
    if (width && *width != record.width) {
        if (*width < kMinWidth || *width > kMaxWidth) {
            Say(Text(client::kTextInvalidPara));
            mobileWidth_->setText(QString::number(record.width));
        } else {
            record.width = *width;
        }
    }
    if (height && *height != record.height) {
        if (*height < kMinHeight || *height > kMaxHeight) {
            Say(Text(client::kTextInvalidPara));
            mobileHeight_->setText(QString::number(record.height));
        } else {
            record.height = *height;
        }
    }
}

// ---- DEFAULT, copy, SAVE ---------------------------------------------------------------

void CDlgCodeVideoPara::RestoreDefaults() {
    client::RestoreRecordStreamDefaults(capacity_.deviceType, records_[kRecordStream]);
}

void CDlgCodeVideoPara::CopyToFlagged(int targets) {
    const client::CDevice* device = Context().device.get();
    if (device == nullptr) {
        return;
    }
    const std::span<const uint32_t> flags{device->copyFlags.data(),
                                          static_cast<size_t>(ChannelCount())};
    const CapacityCheck check =
        client::CheckCopy(capacity_, RecordStream(), CurrentChannel(), flags, targets);
    if (check.result != CapacityCheck::Result::kFits) {
        Say(QStringLiteral("%1 %2!")
                .arg(Text(client::kTextCapabilityNotEnough))
                .arg(check.maxValue));
        return;
    }
    for (auto& stream : records_) {
        CopyToFlaggedChannels(stream);
    }
}

std::vector<SettingsPage::SaveStep> CDlgCodeVideoPara::SaveSteps() {
    std::vector<SaveStep> steps;
    for (int s = 0; s < kStreams; ++s) {
        steps.push_back([this, s] {
            return QW_SRDK_MEDIA_SetVideoAttr(Handle(), s, records_[static_cast<size_t>(s)].data(),
                                              ChannelCount());
        });
    }
    return steps;
}

}  // namespace kestrel::ui
