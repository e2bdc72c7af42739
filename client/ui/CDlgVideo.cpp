#include "CDlgVideo.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "live_messages.h"
#include "page_widget.h"
#include "text_ids.h"
#include "theme.h"
#include "video_surface.h"

namespace kestrel::ui {

CDlgVideoFlag::CDlgVideoFlag(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(CDlgVideo::kMarkerSize, CDlgVideo::kMarkerSize);
}

void CDlgVideoFlag::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), widgets::Theme::kRecordMarker);
    QFont font = widgets::Theme::TitleFont();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("R"));
}

CDlgVideo::CDlgVideo(client::ClientContext& context, PageWidget* page, int index, QWidget* parent)
    : QWidget(parent), context_(context), page_(page), index_(index) {
    setObjectName(QStringLiteral("pane%1").arg(index));
    surface_ = new widgets::VideoSurface(this);
    marker_ = new CDlgVideoFlag(this);
    marker_->hide();
}

CDlgVideo::~CDlgVideo() = default;

void CDlgVideo::SetSelected(bool selected) {
    if (selected != selected_) {
        selected_ = selected;
        surface_->SetInnerFrame(selected ? std::optional<QColor>(widgets::Theme::kSelectedPane)
                                         : std::nullopt);
        update();
    }
}

void CDlgVideo::SetRecording(bool recording) {
    recording_ = recording;
    UpdateMarker();
}

void CDlgVideo::SetMarkerAllowed(bool allowed) {
    markerAllowed_ = allowed;
    UpdateMarker();
}

void CDlgVideo::UpdateMarker() {
    // A child of the pane, the marker follows the pane wherever the grid
    // puts it and hides with it.
    marker_->setVisible(recording_ && markerAllowed_);
    marker_->raise();
}

void CDlgVideo::SetStatusText(const QString& text) {
    surface_->SetStatusText(text);
}

QString CDlgVideo::StatusText() const {
    return surface_->StatusText();
}

std::unique_ptr<QMenu> CDlgVideo::MakeMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const auto item = [&](int textId, intptr_t command, intptr_t argument, bool enabled) {
        QAction* action = menu->addAction(QString::fromStdString(context_.LoadText(textId)));
        action->setData(static_cast<qlonglong>(command));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, command, argument] {
            page_->Post(client::UM_PANEL_COMMAND, command, argument);
        });
    };
    const bool mayRecord = (context_.rights.rights_b & client::kRightRecordCapture) != 0;
    item(client::kTextStartView, kPaneStartView, index_, !playing);
    item(client::kTextStopView, kPaneStopView, index_, playing);
    menu->addSeparator();
    item(client::kTextConnectAll, kPaneConnectAll, 0, true);
    item(client::kTextDisconnectAll, kPaneDisconnectAll, 0, true);
    menu->addSeparator();
    item(client::kTextStartRecord, kPaneStartRecord, index_, playing && !recording_ && mayRecord);
    item(client::kTextStop, kPaneStopRecord, index_, playing && recording_ && mayRecord);
    return menu;
}

void CDlgVideo::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(selected_ ? widgets::Theme::kSelectedPane : widgets::Theme::kIdlePane);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CDlgVideo::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surface_->setGeometry(rect().adjusted(1, 1, -1, -1));
    marker_->move(surface_->x() + kMarkerLeft, surface_->y() + kMarkerTop);
}

void CDlgVideo::mousePressEvent(QMouseEvent* event) {
    // While talking the operator's pane stays the selected one.
    if (event->button() == Qt::LeftButton && context_.talkOn == 0) {
        PageWidget::Send(page_, UM_SELECT_PANE, index_, 0);
    }
    QWidget::mousePressEvent(event);
}

void CDlgVideo::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        PageWidget::Send(page_, UM_PANE_LAYOUT, index_, 0);
    }
}

void CDlgVideo::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu = MakeMenu();
    menu->exec(event->globalPos());
}

}  // namespace kestrel::ui
