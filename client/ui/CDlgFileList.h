// The REPLAY page's file list: the recordings of one day with a type icon,
// time, channel and size, the channel and type filters with SEARCH, and PLAY
// and DOWNLOAD (STOP while a download runs), which hand the selected file to
// the playback controller. The row being played or downloaded carries a red
// triangle, and while a download runs it shows how far it got.
//
// Threading: GUI thread. The day search runs on DaySearch's worker, which
// only posts UM_SEARCH_FINISHED to this pane; the rows are taken from the
// DaySearch on the GUI thread.
//
// Lifetime: made by the playback page; its destructor unregisters the pane
// and then waits for a running search.
#pragma once

#include <QIcon>
#include <array>
#include <optional>
#include <vector>

#include "file_search.h"
#include "page_widget.h"
#include "playback_messages.h"

class QComboBox;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel::ui {

class CDlgFileList : public PageWidget {
    Q_OBJECT

public:
    enum Column { kColumnIcon, kColumnTime, kColumnChannel, kColumnSize };
    enum class RowIcon { kNormal, kAlarm, kOther, kPlaying };
    static constexpr int kIconSize = 15;
    // PLAY and DOWNLOAD take no second press for this long.
    static constexpr int kInputPauseMs = 20;

    // playbackPage receives UM_SELECT_TARGET before each play.
    CDlgFileList(client::ClientContext& context, PageWidget* playbackPage, QWidget* parent);
    ~CDlgFileList() override;

    void OnMessage(uint32_t message, intptr_t first, intptr_t second) override;
    // The controller's entry; null (the default) makes PLAY and DOWNLOAD do
    // nothing. Borrowed: the caller keeps it alive or sets null first.
    void SetRequests(PlaybackRequests* requests) { requests_ = requests; }
    // The running download's extent, 0..1000, shown in the marked row while
    // the controller reports a download.
    void ShowDownloadProgress(int perMille);

    // The buttons and the double click.
    void Search();
    void PlaySelected();
    void DownloadOrStop();

    // ---- For the page and tests ------------------------------------------------
    QTreeWidget* List() const { return list_; }
    QComboBox* ChannelFilter() const { return channelFilter_; }
    QComboBox* TypeFilter() const { return typeFilter_; }
    QPushButton* SearchButton() const { return searchButton_; }
    QPushButton* PlayButton() const { return playButton_; }
    QPushButton* DownloadButton() const { return downloadButton_; }
    bool Searching() const { return search_.Running(); }
    const std::vector<client::FileRow>& Rows() const { return rows_; }
    int MarkedRow() const { return markedRow_; }
    RowIcon IconOf(int row) const;
    // The progress bar of the marked row while a download runs, else null.
    QProgressBar* DownloadProgress() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Runs request now, or after the running search (whose rows then no
    // longer show).
    void RequestSearch(const client::SearchRequest& request);
    void StartSearch(const client::SearchRequest& request);
    void OnSearchFinished();
    void ClearList();
    void FillRows(const std::vector<client::FileRow>& rows);
    void FillFilters();
    void SearchDone();
    // The first selected row, or -1.
    int SelectedRow() const;
    void PauseInput();
    void SetIcon(int row, RowIcon icon);
    // Marks row as the one handed to the controller, unmarking the previous.
    void Mark(int row);
    // The marked row shows its type icon again and is forgotten.
    void Unmark();
    void SetDownloading(bool downloading);
    void UpdateProgress();
    void DropProgressBar(QTreeWidgetItem* item);

    PageWidget* playbackPage_;
    PlaybackRequests* requests_ = nullptr;
    std::array<QIcon, 4> icons_;  // by RowIcon, drawn once
    QTreeWidget* list_;
    QComboBox* channelFilter_;
    QComboBox* typeFilter_;
    QPushButton* searchButton_;
    QPushButton* playButton_;
    QPushButton* downloadButton_;

    client::DaySearch search_;
    bool runningFiltered_ = false;
    // The running search's rows are not to show (a later request came).
    bool runningSuperseded_ = false;
    std::optional<client::SearchRequest> pending_;
    std::vector<client::FileRow> rows_;
    std::optional<client::SearchDate> listDay_;  // the day the list shows
    // The file handed to the controller: the day of its list and its name,
    // so that a new list of that day marks it again wherever it lands.
    client::SearchDate markedDay_;
    std::string markedName_;
    int markedRow_ = -1;
    bool downloading_ = false;
    int progress_ = 0;  // per mille
};

}  // namespace kestrel::ui
