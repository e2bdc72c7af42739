#include "CDlgCodeAudioPara.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <algorithm>

#include "device.h"
#include "kestrel_net_config.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

constexpr int kRecords = 16;

}  // namespace

CDlgCodeAudioPara::CDlgCodeAudioPara(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "Audio para:", Options{true, false, true, 0}, parent) {
    setObjectName(QStringLiteral("audioParameterPage"));
    const QStringList protocols{QStringLiteral("AMR"), QStringLiteral("ADPCM"),
                                QStringLiteral("G.711A"), QStringLiteral("G.711U"),
                                QStringLiteral("G.726")};
    const QStringList rates{QStringLiteral("8K"),    QStringLiteral("11.025K"),
                            QStringLiteral("16K"),   QStringLiteral("22.050K"),
                            QStringLiteral("24K"),   QStringLiteral("32K"),
                            QStringLiteral("44.1K"), QStringLiteral("48K")};
    const QStringList widths{QStringLiteral("8bit"), QStringLiteral("16bit")};
    const int headers[kStreams] = {client::kTextMainStream, client::kTextSubStream};
    const int labels[] = {client::kTextProtocol, client::kTextSampleRate, client::kTextBitWidth};
    for (int row = 0; row < 3; ++row) {
        Grid()->addWidget(new QLabel(Text(labels[row]), Body()), 1 + row, 0);
    }
    for (int s = 0; s < kStreams; ++s) {
        auto* header = new QLabel(Text(headers[s]), Body());
        header->setAlignment(Qt::AlignCenter);
        Grid()->addWidget(header, 0, 1 + s);
        protocol_[static_cast<size_t>(s)] = BindChoice(
            protocols, [this, s] { return static_cast<int>(Current(s).protocol); },
            [this, s](int index) { Current(s).protocol = index; });
        Grid()->addWidget(protocol_[static_cast<size_t>(s)], 1, 1 + s);
        Grid()->addWidget(BindChoice(
                              rates, [this, s] { return static_cast<int>(Current(s).sample_rate); },
                              [this, s](int index) { Current(s).sample_rate = index; }),
                          2, 1 + s);
        Grid()->addWidget(
            BindChoice(
                widths, [this, s] { return static_cast<int>(Current(s).sample_width); },
                [this, s](int index) { Current(s).sample_width = index; }),
            3, 1 + s);
    }
    Grid()->setColumnStretch(1, 1);
    Grid()->setColumnStretch(2, 1);
    Grid()->setRowStretch(4, 1);
}

QwAudioAttr& CDlgCodeAudioPara::Current(int stream) {
    return records_[static_cast<size_t>(stream)][static_cast<size_t>(CurrentChannel())];
}

SettingsPage::ReadResult CDlgCodeAudioPara::ReadRecords() {
    ReadResult result = ReadResult::kOk;
    for (int s = 0; s < kStreams; ++s) {
        std::array<QwAudioAttr, kRecords> fresh{};
        int32_t count = kRecords;
        if (QW_SRDK_MEDIA_GetAudioAttr(Handle(), s, fresh.data(), &count) != 0) {
            result = ReadResult::kFailed;
            continue;
        }
        records_[static_cast<size_t>(s)] = fresh;
        const size_t held = static_cast<size_t>(std::clamp<int32_t>(count, 0, kRecords));
        if (result == ReadResult::kOk &&
            !HoldsChannel<QwAudioAttr>({fresh.data(), held}, CurrentChannel())) {
            result = ReadResult::kInvalidChannel;
        }
    }
    return result;
}

std::vector<SettingsPage::SaveStep> CDlgCodeAudioPara::SaveSteps() {
    std::vector<SaveStep> steps;
    for (int s = 0; s < kStreams; ++s) {
        steps.push_back([this, s] {
            return QW_SRDK_MEDIA_SetAudioAttr(Handle(), s, records_[static_cast<size_t>(s)].data(),
                                              ChannelCount());
        });
    }
    return steps;
}

std::string CDlgCodeAudioPara::SaveFailureText(size_t step) {
    switch (step) {
        case 0:
            return LoadText(client::kTextAllAudioSetFailed);
        case 1:
            return LoadText(client::kTextMainStreamSetOk) + "\n" +
                   LoadText(client::kTextOtherSetFailed) + "\n";
        default:
            return LoadText(client::kTextSaveFailed);
    }
}

void CDlgCodeAudioPara::CopyToFlagged(int /*targets*/) {
    for (auto& stream : records_) {
        CopyToFlaggedChannels(stream);
    }
}

}  // namespace kestrel::ui
