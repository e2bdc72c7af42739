#include "CDlgPlayBack.h"

#include <QPainter>

#include "CDlgFileList.h"
#include "CDlgPlayBkCtrl.h"
#include "CDlgSearchPannel.h"
#include "device.h"
#include "file_search.h"
#include "theme.h"
#include "video_surface.h"

namespace kestrel::ui {
namespace {

// The pane around the picture: a one-pixel frame in the selected colour, as
// the live page draws its selected pane.
class PlaybackPane : public QWidget {
public:
    explicit PlaybackPane(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("playbackPane"));
        surface = new widgets::VideoSurface(this);
    }
    widgets::VideoSurface* surface;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(widgets::Theme::kSelectedPane);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void resizeEvent(QResizeEvent*) override {
        surface->setGeometry(rect().adjusted(1, 1, -1, -1));
    }
};

}  // namespace

CDlgPlayBack::CDlgPlayBack(client::ClientContext& context, QWidget* parent)
    : PageWidget(context, parent) {
    RegisterPage(client::PageId::kPlaybackPage);
    setObjectName(QStringLiteral("playbackPage"));
    auto* pane = new PlaybackPane(this);
    pane_ = pane;
    surface_ = pane->surface;
    fileList_ = new CDlgFileList(context, this, this);
    calendar_ = new CDlgSearchPannel(context, this, fileList_, this);
    bar_ = new CDlgPlayBkCtrl(context, this);
    fileList_->SetRequests(bar_->Requests());
    LayOut();
}

CDlgPlayBack::~CDlgPlayBack() {
    // The pane goes with the page's children: the playback using it and a
    // running download end first.
    bar_->Close();
    UnregisterPage();
}

void CDlgPlayBack::OnMessage(uint32_t message, intptr_t first, intptr_t second) {
    switch (message) {
        case UM_CALENDAR:
            if (first == kCalendarQuery || first == kCalendarQueryAndMark) {
                QueryDayMask(first == kCalendarQueryAndMark);
            } else if (first == kCalendarFailed && Context().ui != nullptr) {
                Context().ui->ShowMessage(
                    client::SearchFailureText(Context(), static_cast<int32_t>(second)));
            }
            break;
        case UM_SELECT_TARGET:
            if (targetHook_) {
                targetHook_(surface_);
            } else {
                bar_->SetTarget(surface_);
            }
            break;
        default:
            break;
    }
}

void CDlgPlayBack::QueryDayMask(bool redraw) {
    client::CDevice* device = Context().device.get();
    if (device == nullptr) {
        return;
    }
    const client::SearchDate date = calendar_->SelectedDate();
    uint32_t mask = 0;
    const int32_t code = QW_DVR_NET_GetVideoFileCalendar(
        device->handle, client::CalendarMonthArgument(date.year, date.month), 0, nullptr, &mask);
    if (code == QW_NET_OK) {
        calendar_->SetDayMask(date.year, date.month, mask);
    } else {
        Context().pages.Post(client::PageId::kPlaybackPage, UM_CALENDAR, kCalendarFailed, code);
    }
    if (redraw) {
        calendar_->ShowMarks();
    }
}

void CDlgPlayBack::SetRequests(PlaybackRequests* requests) {
    fileList_->SetRequests(requests);
}

widgets::VideoSurface* CDlgPlayBack::TargetSurface() const {
    return surface_;
}

void CDlgPlayBack::StopPlayback() {
    bar_->StopPlayback();
}

void CDlgPlayBack::LayOut() {
    const int columnLeft = std::max(kMargin, width() - kMargin - kColumnWidth);
    calendar_->setGeometry(columnLeft, kMargin, kColumnWidth, kCalendarHeight);
    const int listTop = kMargin + kCalendarHeight + kMargin;
    fileList_->setGeometry(columnLeft, listTop, kColumnWidth,
                           std::max(0, height() - listTop - kMargin));
    const int paneWidth = std::max(0, columnLeft - 2 * kMargin);
    const int paneHeight = std::max(0, height() - 3 * kMargin - kBarHeight);
    pane_->setGeometry(kMargin, kMargin, paneWidth, paneHeight);
    bar_->setGeometry(kMargin, kMargin + paneHeight + kMargin, paneWidth, kBarHeight);
}

void CDlgPlayBack::resizeEvent(QResizeEvent* event) {
    PageWidget::resizeEvent(event);
    LayOut();
}

void CDlgPlayBack::showEvent(QShowEvent* event) {
    PageWidget::showEvent(event);
    // The first look at the page shows the month's marks and today's files.
    if (!shownOnce_ && Context().loggedIn != 0) {
        shownOnce_ = true;
        calendar_->Refresh();
    }
}

}  // namespace kestrel::ui
