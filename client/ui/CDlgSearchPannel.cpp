#include "CDlgSearchPannel.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QTextCharFormat>
#include <QVBoxLayout>

#include "playback_messages.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui {

CDlgSearchPannel::CDlgSearchPannel(client::ClientContext& context, PageWidget* playbackPage,
                                   PageWidget* fileList, QWidget* parent)
    : PageWidget(context, parent), playbackPage_(playbackPage), fileList_(fileList) {
    RegisterPage(client::PageId::kCalendarPane);
    setObjectName(QStringLiteral("calendarPane"));
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, widgets::Theme::kPanel);
    setPalette(look);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(5);
    calendar_ = new QCalendarWidget(this);
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar_->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    // The recorder counts years from 2000 in one byte.
    calendar_->setDateRange(QDate(2000, 1, 1), QDate(2255, 12, 31));
    // Qt paints the month bar in the highlight colour, which the selected
    // day already uses.
    calendar_->setStyleSheet(
        QStringLiteral("QWidget#qt_calendar_navigationbar { background-color: #1b4f7a; }"));
    // Month and day names in the interface language, not the desktop's.
    if (context.language == client::kLanguageSimplifiedChinese) {
        calendar_->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    } else if (context.language == client::kLanguageTraditionalChinese) {
        calendar_->setLocale(QLocale(QLocale::Chinese, QLocale::Taiwan));
    } else {
        calendar_->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    column->addWidget(calendar_, 1);
    refresh_ = new QPushButton(Text(client::kTextRefresh), this);
    refresh_->setObjectName(QStringLiteral("refreshButton"));
    connect(refresh_, &QPushButton::clicked, this, &CDlgSearchPannel::Refresh);
    column->addWidget(refresh_);

    selected_ = QDate::currentDate();
    calendar_->setSelectedDate(selected_);
    context.searchYear = selected_.year();
    context.searchMonth = selected_.month();
    context.searchDay = selected_.day();
    connect(calendar_, &QCalendarWidget::selectionChanged, this,
            &CDlgSearchPannel::OnSelectionChanged);
    connect(calendar_, &QCalendarWidget::currentPageChanged, this,
            &CDlgSearchPannel::OnPageChanged);
}

void CDlgSearchPannel::OnMessage(uint32_t message, intptr_t first, intptr_t) {
    if (message == UM_SEARCH_DONE && first == kSearchDoneCode) {
        EndRefresh();
    }
}

client::SearchDate CDlgSearchPannel::SelectedDate() const {
    return {selected_.year(), selected_.month(), selected_.day()};
}

bool CDlgSearchPannel::Busy() const {
    return !refresh_->isEnabled();
}

void CDlgSearchPannel::OnSelectionChanged() {
    const QDate date = calendar_->selectedDate();
    if (date == selected_) {
        return;
    }
    selected_ = date;
    Context().searchYear = date.year();
    Context().searchMonth = date.month();
    Context().searchDay = date.day();
    BeginRefresh();
    RefreshStep();
}

void CDlgSearchPannel::OnPageChanged(int year, int month) {
    // Another month shown selects the same day in it, as far as it has one.
    const QDate first(year, month, 1);
    const QDate date(year, month, std::min(selected_.day(), first.daysInMonth()));
    if (date.isValid() && (date.year() != selected_.year() || date.month() != selected_.month())) {
        calendar_->setSelectedDate(date);
    }
}

void CDlgSearchPannel::Refresh() {
    BeginRefresh();
    RefreshStep();
}

void CDlgSearchPannel::BeginRefresh() {
    refresh_->setText(Text(client::kTextRefreshing));
    refresh_->setEnabled(false);
}

void CDlgSearchPannel::EndRefresh() {
    refresh_->setText(Text(client::kTextRefresh));
    refresh_->setEnabled(true);
}

void CDlgSearchPannel::RefreshStep() {
    if (Context().loggedIn == 0) {
        ClearMarks();
        EndRefresh();
        return;
    }
    PageWidget::Send(playbackPage_, UM_CALENDAR, kCalendarQuery, 0);
    ShowMarks();
    const client::SearchDate date = SelectedDate();
    if (client::DayMarked(DayMask(date.year, date.month), date.day)) {
        PageWidget::Send(fileList_, UM_SEARCH_DAY, reinterpret_cast<intptr_t>(&date), 0);
    } else {
        PageWidget::Send(fileList_, UM_SEARCH_DAY, 0, 0);
        Context().pages.Post(client::PageId::kCalendarPane, UM_SEARCH_DONE, kSearchDoneCode, 0);
    }
}

void CDlgSearchPannel::SetDayMask(int32_t year, int32_t month, uint32_t mask) {
    dayMask_ = mask;
    maskYear_ = year;
    maskMonth_ = month;
}

uint32_t CDlgSearchPannel::DayMask(int32_t year, int32_t month) const {
    // A failed query keeps the old mask, but another month's days must not
    // show through it.
    return year == maskYear_ && month == maskMonth_ ? dayMask_ : 0;
}

void CDlgSearchPannel::ClearMarks() {
    calendar_->setDateTextFormat(QDate(), QTextCharFormat());
}

void CDlgSearchPannel::ShowMarks() {
    ClearMarks();
    const uint32_t mask = DayMask(selected_.year(), selected_.month());
    QTextCharFormat marked;
    marked.setFontWeight(QFont::Bold);
    marked.setForeground(widgets::Theme::kAccent);
    for (int day = 1; day <= selected_.daysInMonth(); ++day) {
        if (client::DayMarked(mask, day)) {
            calendar_->setDateTextFormat(QDate(selected_.year(), selected_.month(), day), marked);
        }
    }
}

}  // namespace kestrel::ui
