// The upgrade tool's window: the image the operator picked, the search for
// recorders, one page of the list at a time, ticking, the uploads and the
// elapsed time.
//
// Threading: the window and its widgets live on the GUI thread. The search
// runs on a thread the window owns and joins; the fleet's workers and the
// search only post to the GUI thread.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "device_search.h"
#include "flash_network.h"
#include "upgrade_fleet.h"
#include "upgrade_image.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kestrel::flash::ui {

class DeviceList;
class FleetRelay;

// A message box's title and text; question boxes answer yes or no.
struct WindowMessage {
    QString title;
    QString text;
    bool question = false;
};
// Shows a box and returns the answer (true for "yes"; ignored for plain
// messages). Tests replace it to record the texts.
using MessageSeam = std::function<bool(const WindowMessage&)>;

extern const char kWindowTitle[];  // "Upgrading of dvr system"
extern const char kWarmTip[];      // "Warm Tip ", the title of the operator's warnings

// The "Upload Speed(KB/s)" text for bytes uploaded over elapsed_ms.
std::string SpeedText(uint32_t bytes, int64_t elapsed_ms);

class UpgradeWindow : public QDialog {
    Q_OBJECT

public:
    explicit UpgradeWindow(QWidget* parent = nullptr);
    ~UpgradeWindow() override;  // ends the search and stops the uploads

    void SetMessageSeam(MessageSeam seam);

    // The operator's actions. Each does what the button does, and nothing
    // when the button is disabled.
    void OpenImage(const QString& path);  // as if Browse had picked it
    void PressSearch();
    void PressUpgrade();
    void PressSelectCurrent();
    void PressAntiSelectCurrent();
    void PressSelectAll();
    void PressAntiSelectAll();
    void PressFirst();
    void PressPrevious();
    void PressNext();
    void PressLast();
    // Chooses the "Host IP：" entry, adding it when the list lacks it.
    void ChooseHost(const QString& address);
    // Refills the "Host IP：" list with the machine's IPv4 addresses.
    void FillHostList();

    // Restores, raises and activates the window: a second start asked.
    void BringToFront();

    UpgradeFleet& Fleet() { return *fleet_; }
    // The button with this caption; nullptr when there is none.
    QPushButton* Button(const QString& caption) const;
    DeviceList* List() const { return list_; }
    QString RunState() const;
    QString PageText() const;
    QString FileSizeText() const;

signals:
    // A search ended with this many rows.
    void SearchFinished(int found);

public slots:
    // "Exit", the close box and Esc: asks first while uploads run, then ends
    // the search and stops the uploads.
    void reject() override;

private:
    friend class FleetRelay;

    // The speed cell: the worker's own text until the meter measures.
    struct SpeedCell {
        std::string worker;
        std::string shown;
    };

    void BuildControls();
    bool Ask(const QString& title, const QString& text);
    void Tell(const QString& title, const QString& text);
    void PressBrowse();
    void PressAbout();
    void SetSelectionEnabled(bool enabled);
    void ShowPage(int page);
    void RefreshRows();
    void OnTimer();
    void MeasureSpeeds();
    void UpdateUpgradeButton();
    void OnSearchDone(const SearchReport& report);
    void OnUploadsFinished();
    void OnTickClicked(int line, bool ticked);
    void TicksChanged();
    void ShowAntiSelectResult(TickResult result);
    void EndSearch();
    size_t PageCount() const;
    size_t PageFirst() const { return static_cast<size_t>(page_) * kRowsPerPage; }

    // Read once: the fleet's workers need it, and a failure must not fall
    // back to the real broadcast address.
    FlashNetwork network_;
    std::string network_error_;
    MessageSeam seam_;

    std::unique_ptr<UpgradeFleet> fleet_;
    FleetRelay* relay_ = nullptr;  // see the destructor for its lifetime
    std::shared_ptr<const UpgradeImage> image_;
    // The image the listed rows were judged against: a new image needs a new
    // search before anything is uploaded.
    std::shared_ptr<const UpgradeImage> searched_image_;

    std::thread search_thread_;
    std::atomic<bool> search_cancel_{false};
    bool searching_ = false;

    QTimer* timer_ = nullptr;
    int page_ = 0;
    bool refill_held_ = false;  // the list shows the search's rows already
    int elapsed_ticks_ = 0;
    QElapsedTimer speed_clock_;
    std::map<int, SpeedCell> speeds_;  // by row index

    DeviceList* list_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QLineEdit* pathField_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QLabel* runState_ = nullptr;
    QLabel* fileSize_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QPushButton* upgradeButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QPushButton* aboutButton_ = nullptr;
    QPushButton* selectCurrent_ = nullptr;
    QPushButton* antiSelectCurrent_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* antiSelectAll_ = nullptr;
    QPushButton* first_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* last_ = nullptr;
    QLabel* pageText_ = nullptr;
    QPushButton* hostButton_ = nullptr;
    QComboBox* hostList_ = nullptr;
};

}  // namespace kestrel::flash::ui
