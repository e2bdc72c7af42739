// The REPLAY page's calendar: the operator picks a day; the days of the
// month on which the recorder holds recordings show bold. Picking another
// day or month, or REFRESH, asks the page for the month's day mask and has
// the file list search the day when it is marked (else the list empties).
// The button reads "REFLASHING" and stays disabled until the search is done
// (UM_SEARCH_DONE).
//
// Threading: GUI thread. The day mask query is a direct call into the page.
#pragma once

#include <QDate>

#include "file_search.h"
#include "page_widget.h"

class QCalendarWidget;
class QPushButton;

namespace kestrel::ui {

class CDlgSearchPannel : public PageWidget {
    Q_OBJECT

public:
    // playbackPage answers UM_CALENDAR; fileList gets UM_SEARCH_DAY.
    CDlgSearchPannel(client::ClientContext& context, PageWidget* playbackPage, PageWidget* fileList,
                     QWidget* parent);

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;
    // The REFRESH button.
    void Refresh();

    // The stored selection (today when the pane opened).
    client::SearchDate SelectedDate() const;
    // The page's query stores the day mask of a month here.
    void SetDayMask(int32_t year, int32_t month, uint32_t mask);
    // The stored mask when it belongs to that month, else 0.
    uint32_t DayMask(int32_t year, int32_t month) const;
    // Shows the selected month's marked days bold.
    void ShowMarks();

    QCalendarWidget* Calendar() const { return calendar_; }
    QPushButton* RefreshButton() const { return refresh_; }
    bool Busy() const;

private:
    void OnSelectionChanged();
    void OnPageChanged(int year, int month);
    void BeginRefresh();
    void RefreshStep();
    void EndRefresh();
    void ClearMarks();

    PageWidget* playbackPage_;
    PageWidget* fileList_;
    QCalendarWidget* calendar_;
    QPushButton* refresh_;
    QDate selected_;
    // The last day mask the recorder gave, and its month.
    uint32_t dayMask_ = 0;
    int32_t maskYear_ = 0;
    int32_t maskMonth_ = 0;
};

}  // namespace kestrel::ui
