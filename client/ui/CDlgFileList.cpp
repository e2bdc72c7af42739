#include "CDlgFileList.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "device.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui {
namespace {

constexpr int kTitleHeight = 22;
constexpr int kIconRole = Qt::UserRole;

QPixmap DrawIcon(CDlgFileList::RowIcon icon) {
    const int s = CDlgFileList::kIconSize;
    QPixmap pixmap(s, s);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1, 1, s - 2, s - 2);
    const QPointF c = box.center();
    switch (icon) {
        case CDlgFileList::RowIcon::kNormal:  // a clock at ten past eight
            painter.setPen(QPen(widgets::Theme::kText, 1.2));
            painter.drawEllipse(box);
            painter.drawLine(c, QPointF(c.x(), box.top() + 2.5));
            painter.drawLine(c, QPointF(c.x() + 3.5, c.y() + 1.5));
            break;
        case CDlgFileList::RowIcon::kAlarm:
        case CDlgFileList::RowIcon::kOther: {
            const bool alarm = icon == CDlgFileList::RowIcon::kAlarm;
            painter.setPen(Qt::NoPen);
            painter.setBrush(alarm ? QColor(0xd0, 0x20, 0x20) : QColor(0x20, 0x60, 0xd0));
            painter.drawEllipse(box);
            QFont font = widgets::Theme::TitleFont();
            font.setPixelSize(11);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(box, Qt::AlignCenter,
                             alarm ? QStringLiteral("!") : QStringLiteral("?"));
            break;
        }
        case CDlgFileList::RowIcon::kPlaying: {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0xe0, 0x20, 0x20));
            const QPolygonF triangle{QPointF(3, 2), QPointF(s - 2, s / 2.0), QPointF(3, s - 2)};
            painter.drawPolygon(triangle);
            break;
        }
    }
    return pixmap;
}

CDlgFileList::RowIcon TypeIcon(int32_t kind) {
    switch (kind) {
        case client::kFileNormal:
            return CDlgFileList::RowIcon::kNormal;
        case client::kFileAlarm:
            return CDlgFileList::RowIcon::kAlarm;
        default:
            return CDlgFileList::RowIcon::kOther;
    }
}

}  // namespace

CDlgFileList::CDlgFileList(client::ClientContext& context, PageWidget* playbackPage,
                           QWidget* parent)
    : PageWidget(context, parent),
      playbackPage_(playbackPage),
      search_(context.pages, client::PageId::kFileListPane) {
    RegisterPage(client::PageId::kFileListPane);
    setObjectName(QStringLiteral("fileList"));
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, widgets::Theme::kPanel);
    setPalette(look);
    for (RowIcon icon : {RowIcon::kNormal, RowIcon::kAlarm, RowIcon::kOther, RowIcon::kPlaying}) {
        const QPixmap pixmap = DrawIcon(icon);
        // A disabled list must not grey the icons out: the pause after PLAY
        // would make them flicker.
        QIcon& entry = icons_[static_cast<size_t>(icon)];
        entry.addPixmap(pixmap, QIcon::Normal);
        entry.addPixmap(pixmap, QIcon::Disabled);
        entry.addPixmap(pixmap, QIcon::Selected);
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, kTitleHeight + 6, 6, 6);
    column->setSpacing(5);

    list_ = new QTreeWidget(this);
    list_->setColumnCount(4);
    list_->setHeaderLabels({QStringLiteral("ICON"), Text(client::kTextTime),
                            Text(client::kTextChannel), Text(client::kTextSize)});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setIconSize(QSize(kIconSize, kIconSize));
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->header()->setSectionsMovable(false);
    list_->hideColumn(kColumnIcon);
    // TIME and SIZE fit their widest texts (and the download's percentage);
    // CHANNEL takes what is left, so nothing runs past the pane's edge.
    const QFontMetrics metrics(list_->font());
    const int padding = 14;
    const int timeWidth =
        kIconSize + 6 + metrics.horizontalAdvance(QStringLiteral("00:00:00-00:00:00")) + padding;
    const int sizeWidth = std::max(metrics.horizontalAdvance(QStringLiteral("9999.9M")),
                                   metrics.horizontalAdvance(Text(client::kTextSize))) +
                          padding;
    QHeaderView* header = list_->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionResizeMode(kColumnChannel, QHeaderView::Stretch);
    list_->setColumnWidth(kColumnTime, timeWidth);
    list_->setColumnWidth(kColumnSize, sizeWidth);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { PlaySelected(); });
    column->addWidget(list_, 1);

    auto* filters = new QHBoxLayout;
    filters->setSpacing(5);
    channelFilter_ = new QComboBox(this);
    channelFilter_->setPlaceholderText(Text(client::kTextAllChannel));
    typeFilter_ = new QComboBox(this);
    typeFilter_->setPlaceholderText(Text(client::kTextAllType));
    filters->addWidget(channelFilter_, 1);
    filters->addWidget(typeFilter_, 1);
    column->addLayout(filters);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(5);
    const auto button = [&](int textId, void (CDlgFileList::*slot)()) {
        auto* b = new QPushButton(Text(textId), this);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // The theme's padding would clip "DOWNLOAD" in a third of the pane.
        b->setStyleSheet(QStringLiteral("QPushButton { padding: 3px 2px; }"));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    searchButton_ = button(client::kTextSearch, &CDlgFileList::Search);
    playButton_ = button(client::kTextPlay, &CDlgFileList::PlaySelected);
    downloadButton_ = button(client::kTextDownload, &CDlgFileList::DownloadOrStop);
    column->addLayout(buttons);
}

CDlgFileList::~CDlgFileList() {
    // No notice may arrive once the search object goes.
    UnregisterPage();
}

void CDlgFileList::OnMessage(uint32_t message, intptr_t first, intptr_t second) {
    switch (message) {
        case UM_SEARCH_DAY:
            if (first != 0) {
                client::SearchRequest request;
                request.date = *reinterpret_cast<const client::SearchDate*>(first);
                RequestSearch(request);
            } else {
                ClearList();
            }
            break;
        case client::UM_SEARCH_FINISHED:
            OnSearchFinished();
            break;
        case UM_FILL_FILTERS:
            FillFilters();
            break;
        case UM_DOWNLOAD_STATE:
            if (first == kDownloadStateCode) {
                SetDownloading(second == 1);
            }
            break;
        case UM_DOWNLOAD_PROGRESS:
            ShowDownloadProgress(static_cast<int>(first));
            break;
        case UM_PLAYBACK_STATE:
            if (first == kDownloadStopped) {
                SetDownloading(false);
            } else if (first == kPlaybackStopped) {
                Unmark();
            }
            break;
        default:
            break;
    }
}

// ---- Searching ---------------------------------------------------------------------

void CDlgFileList::Search() {
    // A filtered search already ahead makes a second press pointless.
    if ((pending_ && pending_->filtered) ||
        (search_.Running() && runningFiltered_ && !runningSuperseded_)) {
        return;
    }
    client::SearchRequest request;
    request.date = {Context().searchYear, Context().searchMonth, Context().searchDay};
    request.channelMask =
        client::ChannelFilterMask(channelFilter_->currentIndex(), channelFilter_->count());
    request.type = client::TypeFilterType(typeFilter_->currentIndex());
    request.filtered = true;
    RequestSearch(request);
}

void CDlgFileList::RequestSearch(const client::SearchRequest& request) {
    if (search_.Running()) {
        // The list is to show the latest request, never an older answer.
        pending_ = request;
        runningSuperseded_ = true;
        return;
    }
    StartSearch(request);
}

void CDlgFileList::StartSearch(const client::SearchRequest& request) {
    list_->clear();
    rows_.clear();
    markedRow_ = -1;
    listDay_ = request.date;
    client::CDevice* device = Context().device.get();
    if (device == nullptr || !search_.Start(device->handle, request)) {
        // Nothing runs, so nothing would re-enable the calendar's button.
        SearchDone();
        return;
    }
    runningFiltered_ = request.filtered;
    runningSuperseded_ = false;
}

void CDlgFileList::OnSearchFinished() {
    std::optional<client::SearchResult> result = search_.Take();
    if (!result) {
        return;
    }
    std::string failure;
    if (!runningSuperseded_) {
        if (result->code == QW_NET_OK) {
            FillRows(result->rows);
        } else if (result->code != client::kSearchNothingListed) {
            failure = client::SearchFailureText(Context(), result->code);
        }
    }
    runningSuperseded_ = false;
    if (pending_) {
        const client::SearchRequest next = *pending_;
        pending_.reset();
        StartSearch(next);
    } else {
        SearchDone();
    }
    // Last: the box waits for the operator, and whatever arrives meanwhile
    // finds the pane in order.
    if (!failure.empty() && Context().ui != nullptr) {
        Context().ui->ShowMessage(failure);
    }
}

void CDlgFileList::ClearList() {
    list_->clear();
    rows_.clear();
    markedRow_ = -1;
    listDay_.reset();
    pending_.reset();
    runningSuperseded_ = search_.Running();
}

void CDlgFileList::FillRows(const std::vector<client::FileRow>& rows) {
    rows_ = rows;
    QList<QTreeWidgetItem*> items;
    for (const client::FileRow& row : rows_) {
        auto* item = new QTreeWidgetItem;
        item->setText(kColumnTime, QString::fromStdString(client::RowTimeText(row)));
        item->setText(kColumnChannel, QString::fromStdString(client::RowChannelText(row.channel)));
        item->setText(kColumnSize, QString::fromStdString(client::SizeText(row.size)));
        item->setTextAlignment(kColumnChannel, Qt::AlignCenter);
        item->setTextAlignment(kColumnSize, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    list_->addTopLevelItems(items);
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        SetIcon(i, TypeIcon(rows_[static_cast<size_t>(i)].kind));
    }
    // The file handed to the controller keeps its mark in a new list of its
    // day, found by name since a filtered list numbers its rows differently.
    if (!markedName_.empty() && listDay_ == markedDay_) {
        for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
            if (rows_[static_cast<size_t>(i)].name == markedName_) {
                markedRow_ = i;
                SetIcon(i, RowIcon::kPlaying);
                UpdateProgress();
                break;
            }
        }
    }
}

void CDlgFileList::SearchDone() {
    Context().pages.Post(client::PageId::kCalendarPane, UM_SEARCH_DONE, kSearchDoneCode, 0);
}

void CDlgFileList::FillFilters() {
    channelFilter_->clear();
    const int channels = Context().device ? Context().device->channelCount : Context().channelCount;
    for (int i = 1; i <= channels; ++i) {
        channelFilter_->addItem(QString::number(i));
    }
    channelFilter_->addItem(Text(client::kTextAllChannel));
    channelFilter_->setCurrentIndex(-1);
    typeFilter_->clear();
    typeFilter_->addItems(
        {Text(client::kTextCommon), Text(client::kTextAlarm), Text(client::kTextAllType)});
    typeFilter_->setCurrentIndex(-1);
}

// ---- Playing and downloading -------------------------------------------------------

int CDlgFileList::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.first());
}

void CDlgFileList::PauseInput() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{list_, searchButton_, playButton_, downloadButton_}) {
        w->setEnabled(false);
    }
    QTimer::singleShot(kInputPauseMs, this, [this] {
        for (QWidget* w :
             std::initializer_list<QWidget*>{list_, searchButton_, playButton_, downloadButton_}) {
            w->setEnabled(true);
        }
    });
}

void CDlgFileList::PlaySelected() {
    PauseInput();
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return;
    }
    const client::FileRow& file = rows_[static_cast<size_t>(row)];
    PageWidget::Send(playbackPage_, UM_SELECT_TARGET, 0, 0);
    if (requests_ != nullptr && requests_->Play(file.name, file.channel, file.size) == 1) {
        Mark(row);
    }
}

void CDlgFileList::DownloadOrStop() {
    PauseInput();
    if (downloading_) {
        if (requests_ != nullptr) {
            requests_->StopDownload();
        }
        Unmark();
        return;
    }
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return;
    }
    const client::FileRow& file = rows_[static_cast<size_t>(row)];
    if (requests_ != nullptr && requests_->Download(file.name, file.channel, file.size) == 1) {
        Mark(row);
    }
}

void CDlgFileList::SetDownloading(bool downloading) {
    downloading_ = downloading;
    downloadButton_->setText(Text(downloading ? client::kTextStop : client::kTextDownload));
    if (!downloading) {
        Unmark();
        progress_ = 0;
    }
    UpdateProgress();
}

void CDlgFileList::ShowDownloadProgress(int perMille) {
    progress_ = std::clamp(perMille, 0, 1000);
    UpdateProgress();
}

QProgressBar* CDlgFileList::DownloadProgress() const {
    QTreeWidgetItem* item = markedRow_ >= 0 ? list_->topLevelItem(markedRow_) : nullptr;
    return item != nullptr ? qobject_cast<QProgressBar*>(list_->itemWidget(item, kColumnSize))
                           : nullptr;
}

void CDlgFileList::UpdateProgress() {
    QTreeWidgetItem* item = markedRow_ >= 0 ? list_->topLevelItem(markedRow_) : nullptr;
    if (item == nullptr) {
        return;
    }
    QProgressBar* bar = DownloadProgress();
    if (!downloading_) {
        if (bar != nullptr) {
            DropProgressBar(item);
        }
        return;
    }
    if (bar == nullptr) {
        bar = new QProgressBar;
        bar->setRange(0, 1000);
        bar->setAlignment(Qt::AlignCenter);
        bar->setFormat(QStringLiteral("%p%"));
        bar->setStyleSheet(QStringLiteral(
            "QProgressBar { border: 1px solid #4b515b; border-radius: 2px; background: #1a1c20;"
            " color: #e6e8eb; }"
            "QProgressBar::chunk { background: #1b6fa8; }"));
        list_->setItemWidget(item, kColumnSize, bar);
    }
    bar->setValue(progress_);
}

void CDlgFileList::DropProgressBar(QTreeWidgetItem* item) {
    // Removal deletes the bar later, and a message box's loop (the saved
    // download's) would keep it on show until then.
    if (QWidget* bar = list_->itemWidget(item, kColumnSize)) {
        bar->hide();
    }
    list_->removeItemWidget(item, kColumnSize);
}

// ---- Marks ---------------------------------------------------------------------------

CDlgFileList::RowIcon CDlgFileList::IconOf(int row) const {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    return item != nullptr ? static_cast<RowIcon>(item->data(kColumnTime, kIconRole).toInt())
                           : RowIcon::kOther;
}

void CDlgFileList::SetIcon(int row, RowIcon icon) {
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        item->setIcon(kColumnTime, icons_[static_cast<size_t>(icon)]);
        item->setData(kColumnTime, kIconRole, static_cast<int>(icon));
    }
}

void CDlgFileList::Mark(int row) {
    Unmark();
    markedRow_ = row;
    markedName_ = rows_[static_cast<size_t>(row)].name;
    markedDay_ = listDay_.value_or(client::SearchDate{});
    SetIcon(row, RowIcon::kPlaying);
    UpdateProgress();
}

void CDlgFileList::Unmark() {
    if (markedRow_ >= 0 && markedRow_ < static_cast<int>(rows_.size())) {
        if (QTreeWidgetItem* item = list_->topLevelItem(markedRow_)) {
            DropProgressBar(item);
        }
        SetIcon(markedRow_, TypeIcon(rows_[static_cast<size_t>(markedRow_)].kind));
    }
    markedRow_ = -1;
    markedName_.clear();
}

void CDlgFileList::paintEvent(QPaintEvent* event) {
    PageWidget::paintEvent(event);
    QPainter painter(this);
    widgets::Theme::DrawTitleBar(painter, QRect(0, 0, width(), kTitleHeight),
                                 Text(client::kTextFileList));
}

}  // namespace kestrel::ui
