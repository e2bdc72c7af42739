#include "CDlgDiskManage.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include "kestrel_net_config.h"
#include "text_ids.h"

namespace kestrel::ui {

CDlgDiskManage::CDlgDiskManage(client::ClientContext& context, QWidget* parent)
    : SettingsPage(context, "", Options{false, false, false, 0, false}, parent) {
    setObjectName(QStringLiteral("diskPage"));
    Grid()->addWidget(new QLabel(Text(client::kTextHardDiskInfoList), Body()), 0, 0);
    list_ = new QTreeWidget(Body());
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({Text(client::kTextNumber), Text(client::kTextDiskState),
                            Text(client::kTextTotalSize), Text(client::kTextDiskFreeSize)});
    list_->header()->setSectionResizeMode(QHeaderView::Stretch);
    Grid()->addWidget(list_, 1, 0);
}

QString CDlgDiskManage::SizeText(uint64_t bytes) {
    return QStringLiteral("%1G").arg(bytes >> 30);
}

QString CDlgDiskManage::StateText(int32_t state) const {
    switch (state) {
        case 0:
            return Text(client::kTextNoDisk);
        case QW_HDD_UNFORMATTED:
            return Text(client::kTextNoFormat);
        case QW_HDD_NORMAL:
            return Text(client::kTextNormal);
        case QW_HDD_BAD:
            return Text(client::kTextBadDisk);
        default:
            return QString::number(state);  // a state this client does not know
    }
}

SettingsPage::ReadResult CDlgDiskManage::ReadRecords() {
    QwHddInfo fresh{};
    if (QW_SRDK_DEV_GetHddInfo(Handle(), &fresh) != 0) {
        return ReadResult::kFailed;
    }
    disks_ = fresh;
    read_ = true;
    return ReadResult::kOk;
}

void CDlgDiskManage::ShowChannel(int) {
    list_->clear();
    if (!read_) {
        return;
    }
    for (int i = 0; i < QW_HDD_SLOTS; ++i) {
        const bool present = disks_.state[i] != 0;
        auto* row = new QTreeWidgetItem(list_);
        row->setText(0, QString::number(i + 1));
        row->setText(1, StateText(disks_.state[i]));
        row->setText(2, present ? SizeText(disks_.total_bytes[i]) : QString());
        row->setText(3, present ? SizeText(disks_.free_bytes[i]) : QString());
    }
}

}  // namespace kestrel::ui
