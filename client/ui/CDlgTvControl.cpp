#include "CDlgTvControl.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "device.h"
#include "kestrel_net_config.h"
#include "kestrel_records.h"
#include "text_ids.h"

namespace kestrel::ui {

CDlgTvControl::CDlgTvControl(client::ClientContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("tvControlDialog"));
    setWindowTitle(QString::fromStdString(context_.LoadText(client::kTextTvControl)));
    auto text = [this](int id) { return QString::fromStdString(context_.LoadText(id)); };

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(14, 12, 14, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    standard_ = new QComboBox(this);
    // Names of the tuner standards, in the order of their numbers.
    standard_->addItems({QStringLiteral("B/G-PAL-NICAM"), QStringLiteral("D/K-PAL-MONO"),
                         QStringLiteral("I-PAL-NICAM-MONO"), QStringLiteral("M/N-NTSC/PAL-MTS"),
                         QStringLiteral("L-SECAM-AM"), QStringLiteral("L'-SECAM-AM")});
    connect(standard_, &QComboBox::activated, this, [this](int index) { ChooseStandard(index); });
    grid->addWidget(new QLabel(text(client::kTextTvStandard), this), 0, 0);
    grid->addWidget(standard_, 0, 1, 1, 2);

    program_ = new QLabel(this);
    program_->setObjectName(QStringLiteral("tvProgram"));
    program_->setMinimumWidth(40);
    program_->setAlignment(Qt::AlignCenter);
    dec_ = new QPushButton(text(client::kTextProgramDec), this);
    inc_ = new QPushButton(text(client::kTextProgramInc), this);
    connect(dec_, &QPushButton::clicked, this, [this] { StepProgram(false); });
    connect(inc_, &QPushButton::clicked, this, [this] { StepProgram(true); });
    auto* programs = new QHBoxLayout;
    programs->addWidget(dec_);
    programs->addWidget(program_, 1);
    programs->addWidget(inc_);
    grid->addWidget(new QLabel(text(client::kTextChannel), this), 1, 0);
    grid->addLayout(programs, 1, 1, 1, 2);

    search_ = new QPushButton(text(client::kTextAutoSearch), this);
    output_ = new QPushButton(text(client::kTextTvDvr), this);
    connect(search_, &QPushButton::clicked, this, [this] { AutoSearch(); });
    connect(output_, &QPushButton::clicked, this, [this] { SwitchOutput(); });
    grid->addWidget(search_, 2, 1);
    grid->addWidget(output_, 2, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    Refresh();
}

QW_DVR_HANDLE CDlgTvControl::Handle() const {
    return context_.device != nullptr ? context_.device->handle : nullptr;
}

void CDlgTvControl::ShowText(int textId) {
    if (context_.ui != nullptr) {
        context_.ui->ShowMessage(context_.LoadText(textId));
    }
}

void CDlgTvControl::ShowProgram(int32_t program) {
    program_->setText(QString::asprintf("%d", program));
}

void CDlgTvControl::Refresh() {
    QwTvAttr tv{};
    if (QW_SRDK_TV_GetTVAttr(Handle(), &tv) != 0) {
        ShowText(client::kTextRefreshFailed);
        return;
    }
    const QSignalBlocker quiet(standard_);
    // A standard the list does not hold shows as no selection.
    standard_->setCurrentIndex(tv.standard >= 0 && tv.standard < kStandards ? tv.standard : -1);
    ShowProgram(tv.program);
}

void CDlgTvControl::ChooseStandard(int standard) {
    QwTvSet set{standard};
    if (QW_SRDK_TV_SetTVAttr(Handle(), &set) != 0) {
        ShowText(client::kTextSaveFailed);
        Refresh();  // the list shows what the tuner still has
    }
}

void CDlgTvControl::StepProgram(bool up) {
    QwTvProgram program{};
    const int32_t result =
        up ? QW_SRDK_TV_ProgramInc(Handle(), &program) : QW_SRDK_TV_ProgramDec(Handle(), &program);
    if (result != 0) {
        ShowText(client::kTextSaveFailed);
        return;
    }
    ShowProgram(program.program);
}

void CDlgTvControl::AutoSearch() {
    if (QW_SRDK_TV_AutoSearch(Handle()) != 0) {
        ShowText(client::kTextSaveFailed);
        return;
    }
    Refresh();  // the search leaves the tuner on another program
}

void CDlgTvControl::SwitchOutput() {
    uint8_t state = 0;
    if (QW_SRDK_TV_OutPutSwitch(Handle(), &state) != 0 || QW_SRDK_DEV_SaveFlash(Handle()) != 0) {
        ShowText(client::kTextSaveFailed);
    }
}

}  // namespace kestrel::ui
