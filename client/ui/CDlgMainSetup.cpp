#include "CDlgMainSetup.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>

#include "CDlgAVBinding.h"
#include "CDlgChannelAlarm.h"
#include "CDlgCodeAudioPara.h"
#include "CDlgCodeVideoPara.h"
#include "CDlgDeviceAlarm.h"
#include "CDlgDiskManage.h"
#include "CDlgEmailAlarmSetting.h"
#include "CDlgMobilePara.h"
#include "CDlgNetworkCfg.h"
#include "CDlgPTZConfig.h"
#include "CDlgPasswordPri.h"
#include "CDlgRecordMode.h"
#include "CDlgRemoteUpgrade.h"
#include "CDlgSystemSetting.h"
#include "CDlgUserManager.h"
#include "CDlgVersionInfo.h"
#include "device.h"
#include "placeholder_page.h"
#include "settings_page.h"
#include "text_ids.h"

namespace kestrel::ui {
namespace {

using client::SettingsPageId;

// The main window's notice on showing this page.
constexpr uint32_t kSettingShown = 0x703;
constexpr intptr_t kSettingShownFirst = 0x705;

constexpr int kPageRole = Qt::UserRole + 1;

}  // namespace

CDlgMainSetup::CDlgMainSetup(client::ClientContext& context, QWidget* parent)
    : PageWidget(context, parent) {
    RegisterPage(client::PageId::kRemoteSettingPage);
    setObjectName(QStringLiteral("remoteSettingPage"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(8);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("settingsTree"));
    tree_->setHeaderHidden(true);
    tree_->setFixedWidth(kTreeWidth);
    tree_->setIndentation(14);
    row->addWidget(tree_);
    stack_ = new QStackedWidget(this);
    row->addWidget(stack_, 1);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnItemChosen(item); });
}

void CDlgMainSetup::OnMessage(uint32_t message, intptr_t first, intptr_t second) {
    if (message == client::UM_LOGIN && first == client::kLoginDone) {
        Build();
    } else if (message == kSettingShown && first == kSettingShownFirst) {
        // The first offered page shows when nothing was chosen yet.
        if (tree_->currentItem() == nullptr && tree_->topLevelItemCount() > 0) {
            tree_->setCurrentItem(tree_->topLevelItem(0));
        }
    } else if (message == UM_COPY_SETTINGS && first == kSystemSavedCode) {
        for (const auto& [id, page] : pages_) {
            if (auto* settings = qobject_cast<SettingsPage*>(page)) {
                settings->SettingsChangedElsewhere();
            }
        }
    } else {
        PageWidget::OnMessage(message, first, second);
    }
}

void CDlgMainSetup::Clear() {
    const QSignalBlocker quiet(tree_);
    tree_->clear();
    for (const auto& [id, page] : pages_) {
        stack_->removeWidget(page);
        delete page;
    }
    pages_.clear();
}

void CDlgMainSetup::Build() {
    Clear();
    client::SettingsAccess access;
    if (const client::CDevice* device = Context().device.get()) {
        access.deviceType = device->deviceType;
        access.deviceSubtype = device->deviceSubtype;
    }
    access.level = Context().rights.level;
    access.rightsB = Context().rights.rights_b;
    const std::vector<client::SettingsTreeItem> items = client::OfferedSettingsItems(access);
    std::vector<QTreeWidgetItem*> made;
    const QSignalBlocker quiet(tree_);
    for (const client::SettingsTreeItem& item : items) {
        QTreeWidgetItem* node = item.parent < 0
                                    ? new QTreeWidgetItem(tree_)
                                    : new QTreeWidgetItem(made[static_cast<size_t>(item.parent)]);
        node->setText(0, Text(item.textId));
        node->setToolTip(0, node->text(0));
        node->setData(0, kPageRole, static_cast<int>(item.page));
        made.push_back(node);
        if (item.page != SettingsPageId::kNone && pages_.count(item.page) == 0) {
            pages_[item.page] = MakePage(item.page, item.textId);
        }
    }
    tree_->expandAll();
    // At least its usual width, and wider when an item's text needs it (the
    // longest English one does not fit 220 pixels).
    tree_->resizeColumnToContents(0);
    tree_->setFixedWidth(std::max(kTreeWidth, tree_->columnWidth(0) + 2 * tree_->frameWidth() + 4));
}

QWidget* CDlgMainSetup::MakePage(SettingsPageId id, int titleTextId) {
    QWidget* page = nullptr;
    switch (id) {
        case SettingsPageId::kVideoParameter:
            page = new CDlgCodeVideoPara(Context(), stack_);
            break;
        case SettingsPageId::kAudioParameter:
            page = new CDlgCodeAudioPara(Context(), stack_);
            break;
        case SettingsPageId::kAvBinding:
            page = new CDlgAVBinding(Context(), stack_);
            break;
        case SettingsPageId::kDeviceAlarm:
            page = new CDlgDeviceAlarm(Context(), stack_);
            break;
        case SettingsPageId::kChannelAlarm:
            page = new CDlgChannelAlarm(Context(), stack_);
            break;
        case SettingsPageId::kRecordMode:
            page = new CDlgRecordMode(Context(), stack_);
            break;
        case SettingsPageId::kSystem:
            page = new CDlgSystemSetting(Context(), stack_);
            break;
        case SettingsPageId::kNetwork:
            page = new CDlgNetworkCfg(Context(), stack_);
            break;
        case SettingsPageId::kMobile:
            page = new CDlgMobilePara(Context(), stack_);
            break;
        case SettingsPageId::kEmail:
            page = new CDlgEmailAlarmSetting(Context(), stack_);
            break;
        case SettingsPageId::kDisks:
            page = new CDlgDiskManage(Context(), stack_);
            break;
        case SettingsPageId::kUsers:
            page = new CDlgUserManager(Context(), stack_);
            break;
        case SettingsPageId::kPasswordRights:
            page = new CDlgPasswordPri(Context(), stack_);
            break;
        case SettingsPageId::kPtzConfig:
            page = new CDlgPTZConfig(Context(), stack_);
            break;
        case SettingsPageId::kVersionInfo:
            page = new CDlgVersionInfo(Context(), stack_);
            break;
        case SettingsPageId::kRemoteUpgrade:
            page = new CDlgRemoteUpgrade(Context(), stack_);
            break;
        default:
            // Pages still to come show their title.
            page = new PlaceholderPage(Context(), titleTextId, stack_);
            break;
    }
    stack_->addWidget(page);
    return page;
}

void CDlgMainSetup::OnItemChosen(QTreeWidgetItem* item) {
    if (item != nullptr) {
        Choose(static_cast<SettingsPageId>(item->data(0, kPageRole).toInt()));
    }
}

void CDlgMainSetup::Choose(SettingsPageId id) {
    QWidget* page = Page(id);
    if (page == nullptr) {
        return;  // a branch: the current page stays
    }
    stack_->setCurrentWidget(page);
    // A page chosen from outside the tree shows as chosen in it too.
    QTreeWidgetItem* current = tree_->currentItem();
    if (current == nullptr || current->data(0, kPageRole).toInt() != static_cast<int>(id)) {
        for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
            if ((*it)->data(0, kPageRole).toInt() == static_cast<int>(id)) {
                const QSignalBlocker quiet(tree_);
                tree_->setCurrentItem(*it);
                break;
            }
        }
    }
    if (auto* settings = qobject_cast<SettingsPage*>(page)) {
        settings->Chosen();
    }
}

QWidget* CDlgMainSetup::Page(SettingsPageId id) const {
    const auto found = pages_.find(id);
    return found != pages_.end() ? found->second : nullptr;
}

QWidget* CDlgMainSetup::CurrentPage() const {
    return stack_->currentWidget();
}

}  // namespace kestrel::ui
