#include "upgrade_window.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkInterface>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "device_list.h"

namespace kestrel::flash::ui {

const char kWindowTitle[] = "Upgrading of dvr system";
const char kWarmTip[] = "Warm Tip ";

namespace {

constexpr int kTimerMs = 500;
constexpr char kWaitingForFile[] = "Waiting for selecting file ...";
constexpr char kWaitingForSearch[] = "Waiting for searching device ...";
constexpr char kCannotAntiSelect[] = "Sorry, can not anti-select the device which is upgrading!";
constexpr char kRowUpgrading[] = "Upgrading, Please waiting ...";
constexpr char kCloseWhileUpgrading[] =
    "Device is upgrading,upgrading will stop if close the window, close window?";

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

bool ShowMessageBox(QWidget* parent, const WindowMessage& message) {
    QMessageBox box(parent);
    box.setWindowTitle(message.title);
    // Socket messages end in a newline that would only add an empty line.
    box.setText(message.text.trimmed());
    if (message.question) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }
    box.setIcon(QMessageBox::Information);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return true;
}

}  // namespace

std::string SpeedText(uint32_t bytes, int64_t elapsed_ms) {
    if (elapsed_ms <= 0) {
        elapsed_ms = 1000;
    }
    // Bytes per millisecond are kilobytes (of 1000 bytes) per second.
    return WithThousands(static_cast<uint64_t>(bytes) / static_cast<uint64_t>(elapsed_ms));
}

// The fleet's listener. Workers call it on their own threads; it only posts
// to the window, and never to a window that is gone: the window detaches it
// under the lock before it dies.
class FleetRelay : public FleetListener {
public:
    explicit FleetRelay(UpgradeWindow* window) : window_(window) {}

    void RowChanged(int) override {
        // One pending refresh covers any number of changed rows.
        if (!refresh_pending_.exchange(true)) {
            Post(&UpgradeWindow::RefreshRows);
        }
    }
    void UploadsFinished() override { Post(&UpgradeWindow::OnUploadsFinished); }

    void RefreshTaken() { refresh_pending_ = false; }
    void Detach() {
        std::lock_guard lock(mutex_);
        window_ = nullptr;
    }

private:
    void Post(void (UpgradeWindow::*method)()) {
        std::lock_guard lock(mutex_);
        if (window_ != nullptr) {
            QMetaObject::invokeMethod(
                window_, [window = window_, method] { (window->*method)(); }, Qt::QueuedConnection);
        }
    }

    std::mutex mutex_;
    UpgradeWindow* window_;
    std::atomic<bool> refresh_pending_{false};
};

UpgradeWindow::UpgradeWindow(QWidget* parent) : QDialog(parent) {
    seam_ = [this](const WindowMessage& message) { return ShowMessageBox(this, message); };
    if (!ReadFlashNetwork(&network_, &network_error_)) {
        QTimer::singleShot(0, this, [this] { Tell(kWindowTitle, Text(network_error_)); });
    }
    UpgradeOptions options;
    options.network = network_;
    fleet_ = std::make_unique<UpgradeFleet>(options);
    relay_ = new FleetRelay(this);
    fleet_->SetListener(relay_);

    setWindowTitle(QString::fromLatin1(kWindowTitle));
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
    BuildControls();

    timer_ = new QTimer(this);
    timer_->setInterval(kTimerMs);
    connect(timer_, &QTimer::timeout, this, &UpgradeWindow::OnTimer);

    runState_->setText(QString::fromLatin1(kWaitingForFile));
    searchButton_->setEnabled(false);
    upgradeButton_->setEnabled(false);
    SetSelectionEnabled(false);
    pageText_->setText(QStringLiteral("0/0"));
    FillHostList();
}

UpgradeWindow::~UpgradeWindow() {
    search_cancel_ = true;
    if (search_thread_.joinable()) {
        search_thread_.join();
    }
    relay_->Detach();
    fleet_->Stop();
    const bool workersLeft = fleet_->AnyRunning();
    fleet_.reset();
    // A worker that outlived Stop() may still call the relay; detached, it
    // only returns. Such a relay is left to the end of the process.
    if (!workersLeft) {
        delete relay_;
    }
}

void UpgradeWindow::SetMessageSeam(MessageSeam seam) {
    seam_ = std::move(seam);
}

bool UpgradeWindow::Ask(const QString& title, const QString& text) {
    return seam_({title, text, true});
}

void UpgradeWindow::Tell(const QString& title, const QString& text) {
    seam_({title, text, false});
}

void UpgradeWindow::BuildControls() {
    auto button = [this](const char* caption, void (UpgradeWindow::*press)()) {
        auto* made = new QPushButton(QString::fromUtf8(caption), this);
        made->setAutoDefault(false);
        connect(made, &QPushButton::clicked, this, press);
        return made;
    };
    auto label = [this](const char* caption) {
        return new QLabel(QString::fromUtf8(caption), this);
    };

    list_ = new DeviceList(this);
    connect(list_, &DeviceList::TickClicked, this, &UpgradeWindow::OnTickClicked);

    selectCurrent_ = button("Select Current", &UpgradeWindow::PressSelectCurrent);
    antiSelectCurrent_ = button("Anti-Select Current", &UpgradeWindow::PressAntiSelectCurrent);
    selectAll_ = button("Select All", &UpgradeWindow::PressSelectAll);
    antiSelectAll_ = button(" Anti-Select All ", &UpgradeWindow::PressAntiSelectAll);
    first_ = button("First", &UpgradeWindow::PressFirst);
    previous_ = button("Previous", &UpgradeWindow::PressPrevious);
    next_ = button("Next", &UpgradeWindow::PressNext);
    last_ = button("Last", &UpgradeWindow::PressLast);
    pageText_ = new QLabel(this);
    pageText_->setAlignment(Qt::AlignCenter);
    pageText_->setMinimumWidth(pageText_->fontMetrics().horizontalAdvance("9999/9999"));

    auto* listButtons = new QHBoxLayout;
    for (QPushButton* each : {selectCurrent_, antiSelectCurrent_, selectAll_, antiSelectAll_}) {
        listButtons->addWidget(each);
    }
    listButtons->addStretch(1);
    listButtons->addWidget(first_);
    listButtons->addWidget(previous_);
    listButtons->addWidget(label("Current"));
    listButtons->addWidget(pageText_);
    listButtons->addWidget(label("Page"));
    listButtons->addWidget(next_);
    listButtons->addWidget(last_);

    pathField_ = new QLineEdit(this);
    pathField_->setReadOnly(true);
    browseButton_ = button("Browse", &UpgradeWindow::PressBrowse);
    hostList_ = new QComboBox(this);
    hostList_->setMinimumContentsLength(15);
    hostList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    hostButton_ = button("Get Host IP", &UpgradeWindow::FillHostList);
    runState_ = new QLabel(this);
    runState_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fileSize_ = new QLabel(this);
    fileSize_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fileSize_->setMinimumWidth(fileSize_->fontMetrics().horizontalAdvance("4,294,967,295"));
    elapsed_ = new QLabel(QStringLiteral("0"), this);
    elapsed_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    elapsed_->setMinimumWidth(elapsed_->fontMetrics().horizontalAdvance("99,999"));

    auto* fields = new QGridLayout;
    fields->setColumnStretch(1, 1);
    fields->addWidget(label("File Path："), 0, 0);
    fields->addWidget(pathField_, 0, 1);
    fields->addWidget(browseButton_, 0, 2);
    fields->addWidget(label("Host IP："), 1, 0);
    auto* hostRow = new QHBoxLayout;
    hostRow->addWidget(hostList_);
    hostRow->addStretch(1);
    fields->addLayout(hostRow, 1, 1);
    fields->addWidget(hostButton_, 1, 2);
    fields->addWidget(label("Run State："), 2, 0);
    fields->addWidget(runState_, 2, 1, 1, 2);
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(fileSize_);
    numbers->addWidget(label("B"));
    numbers->addSpacing(24);
    numbers->addWidget(label("Elapsed time："));
    numbers->addWidget(elapsed_);
    numbers->addWidget(label("S"));
    numbers->addStretch(1);
    fields->addWidget(label("File Size："), 3, 0);
    fields->addLayout(numbers, 3, 1, 1, 2);

    searchButton_ = button("Search Device", &UpgradeWindow::PressSearch);
    upgradeButton_ = button("Upgrade", &UpgradeWindow::PressUpgrade);
    exitButton_ = button("Exit", &UpgradeWindow::reject);
    aboutButton_ = button("About", &UpgradeWindow::PressAbout);
    auto* actions = new QVBoxLayout;
    for (QPushButton* each : {searchButton_, upgradeButton_, exitButton_, aboutButton_}) {
        each->setMinimumWidth(120);
        actions->addWidget(each);
    }
    actions->addStretch(1);

    auto* bottom = new QHBoxLayout;
    bottom->addLayout(fields, 1);
    bottom->addSpacing(16);
    bottom->addLayout(actions);

    auto* page = new QVBoxLayout(this);
    page->addWidget(list_, 1);
    page->addLayout(listButtons);
    page->addSpacing(6);
    page->addLayout(bottom);
}

void UpgradeWindow::SetSelectionEnabled(bool enabled) {
    for (QPushButton* each : {selectCurrent_, antiSelectCurrent_, selectAll_, antiSelectAll_,
                              first_, previous_, next_, last_}) {
        each->setEnabled(enabled);
    }
}

QPushButton* UpgradeWindow::Button(const QString& caption) const {
    for (QPushButton* each : findChildren<QPushButton*>()) {
        if (each->text() == caption) {
            return each;
        }
    }
    return nullptr;
}

QString UpgradeWindow::RunState() const {
    return runState_->text();
}

QString UpgradeWindow::PageText() const {
    return pageText_->text();
}

QString UpgradeWindow::FileSizeText() const {
    return fileSize_->text();
}

void UpgradeWindow::FillHostList() {
    const QString chosen = hostList_->currentText();
    QStringList outside;
    QStringList loopback;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol) {
            continue;
        }
        QStringList& group = address.isLoopback() ? loopback : outside;
        if (!group.contains(address.toString())) {
            group << address.toString();
        }
    }
    // A real interface first: loopback reaches only recorders on this machine.
    hostList_->clear();
    hostList_->addItems(outside + loopback);
    const int kept = hostList_->findText(chosen);
    if (kept >= 0) {
        hostList_->setCurrentIndex(kept);
    }
}

void UpgradeWindow::ChooseHost(const QString& address) {
    int index = hostList_->findText(address);
    if (index < 0) {
        hostList_->addItem(address);
        index = hostList_->count() - 1;
    }
    hostList_->setCurrentIndex(index);
}

void UpgradeWindow::BringToFront() {
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    show();
    raise();
    activateWindow();
}

void UpgradeWindow::PressBrowse() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Select file for upgrading"), QString(),
                                     QStringLiteral("SW Files(*.sw)"));
    if (!path.isEmpty()) {
        OpenImage(path);
    }
}

void UpgradeWindow::OpenImage(const QString& path) {
    if (!browseButton_->isEnabled()) {
        return;
    }
    const std::string localPath = QFile::encodeName(path).toStdString();
    pathField_->setText(path);
    const int64_t size = ImageFileSize(localPath);
    fileSize_->setText(size >= 0 ? Text(WithThousands(static_cast<uint64_t>(size))) : QString());

    std::shared_ptr<const UpgradeImage> loaded;
    const ImageCheck check = LoadImage(localPath, &loaded);
    if (check != ImageCheck::kOk) {
        // The path shown is no longer the image held: nothing may be searched
        // for or sent until a good file is picked.
        image_.reset();
        searchButton_->setEnabled(false);
        upgradeButton_->setEnabled(false);
        Tell(kWarmTip, QString::fromUtf8(ImageCheckMessage(check)));
        runState_->setText(QString::fromLatin1(kWaitingForFile));
        return;
    }
    image_ = std::move(loaded);
    searchButton_->setEnabled(true);
    SetSelectionEnabled(false);
    upgradeButton_->setEnabled(false);
    runState_->setText(QString::fromLatin1(kWaitingForSearch));
}

void UpgradeWindow::PressSearch() {
    if (!searchButton_->isEnabled() || image_ == nullptr || searching_) {
        return;
    }
    if (!network_error_.empty()) {
        Tell(kWindowTitle, Text(network_error_));
        return;
    }
    if (!fleet_->SetRows({})) {
        return;  // uploads run; the button is enabled again when they end
    }
    searching_ = true;
    runState_->setText(QString::fromLatin1(kSearchingText));
    searchButton_->setEnabled(false);
    upgradeButton_->setEnabled(false);
    SetSelectionEnabled(false);
    timer_->stop();
    refill_held_ = true;
    page_ = 0;
    speeds_.clear();
    list_->ShowRows({});
    pageText_->setText(QStringLiteral("0/0"));
    searched_image_ = image_;

    search_cancel_ = false;
    const std::string host = hostList_->currentText().toStdString();
    search_thread_ = std::thread([this, host, name = image_->name, network = network_] {
        SearchReport report = SearchDevices(host, name, network, &search_cancel_);
        QMetaObject::invokeMethod(
            this, [this, report = std::move(report)] { OnSearchDone(report); },
            Qt::QueuedConnection);
    });
}

void UpgradeWindow::OnSearchDone(const SearchReport& report) {
    if (search_thread_.joinable()) {
        search_thread_.join();
    }
    searching_ = false;
    if (search_cancel_) {
        return;  // the window was closed while the search ran
    }
    fleet_->SetRows(report.rows);
    const size_t found = fleet_->RowCount();
    runState_->setText(Text(SearchStateText(found)));
    searchButton_->setEnabled(true);
    if (found > 0) {
        SetSelectionEnabled(true);
        elapsed_ticks_ = 0;
        elapsed_->setText(QStringLiteral("0"));
        speed_clock_.start();
        refill_held_ = false;  // the next tick shows the first page
        timer_->start();
    }
    if (!report.message.empty()) {
        const bool nothing = report.outcome == SearchOutcome::kNothingFound;
        Tell(nothing ? kWarmTip : kWindowTitle, Text(report.message));
    }
    emit SearchFinished(static_cast<int>(found));
}

size_t UpgradeWindow::PageCount() const {
    return (fleet_->RowCount() + kRowsPerPage - 1) / kRowsPerPage;
}

void UpgradeWindow::ShowPage(int page) {
    const size_t pages = PageCount();
    page_ = std::clamp(page, 0, std::max(0, static_cast<int>(pages) - 1));
    refill_held_ = true;
    RefreshRows();
    pageText_->setText(pages == 0 ? QStringLiteral("0/0")
                                  : QStringLiteral("%1/%2").arg(page_ + 1).arg(pages));
}

void UpgradeWindow::RefreshRows() {
    relay_->RefreshTaken();
    if (searching_ || !refill_held_) {
        return;  // the list is filled by the first tick after a search
    }
    std::vector<DeviceRow> rows = fleet_->Rows(PageFirst(), kRowsPerPage);
    for (DeviceRow& row : rows) {
        SpeedCell& cell = speeds_[row.index];
        // Whoever wrote last wins: the worker's own text, or the meter's.
        if (row.speed != cell.worker) {
            cell.worker = row.speed;
            cell.shown = row.speed;
        }
        row.speed = cell.shown;
    }
    list_->ShowRows(rows);
}

void UpgradeWindow::OnTimer() {
    if (searching_) {
        return;
    }
    if (!refill_held_) {
        ShowPage(0);
    }
    UpdateUpgradeButton();
    if (fleet_->RunningCount() != -1) {
        ++elapsed_ticks_;
        elapsed_->setText(QString::number(elapsed_ticks_ / 2));
        if (elapsed_ticks_ % 2 == 0) {
            MeasureSpeeds();
        }
    }
    RefreshRows();
}

void UpgradeWindow::MeasureSpeeds() {
    const int64_t elapsed = speed_clock_.restart();
    // Every row, not just the page shown, so a row paged to later does not
    // show the growth of many seconds as one second's.
    const std::vector<DeviceRow> rows = fleet_->Rows();
    for (const DeviceRow& row : rows) {
        if (row.finished) {
            continue;
        }
        const uint32_t growth = fleet_->TakeProgressGrowth(row.index);
        if (growth > 0) {
            speeds_[row.index].shown = SpeedText(growth, elapsed);
        }
    }
}

void UpgradeWindow::UpdateUpgradeButton() {
    const bool ready = image_ != nullptr && image_ == searched_image_ && !searching_;
    upgradeButton_->setEnabled(ready && fleet_->AnyTicked(0, fleet_->RowCount()));
}

void UpgradeWindow::PressUpgrade() {
    if (!upgradeButton_->isEnabled() || image_ == nullptr) {
        return;
    }
    upgradeButton_->setEnabled(false);
    searchButton_->setEnabled(false);
    browseButton_->setEnabled(false);
    const bool meterIdle = fleet_->RunningCount() == -1;
    const StartReport report = fleet_->Start(image_);
    if (meterIdle) {
        speed_clock_.restart();  // the meter's first second starts now
    }
    if (report.started == 0 && fleet_->RunningCount() <= 0) {
        searchButton_->setEnabled(true);
        browseButton_->setEnabled(true);
    }
    RefreshRows();
}

void UpgradeWindow::OnUploadsFinished() {
    browseButton_->setEnabled(true);
    searchButton_->setEnabled(image_ != nullptr && !searching_);
    UpdateUpgradeButton();
    RefreshRows();
}

void UpgradeWindow::TicksChanged() {
    // The next tick looks at the ticks again.
    upgradeButton_->setEnabled(false);
    RefreshRows();
}

void UpgradeWindow::OnTickClicked(int line, bool ticked) {
    const TickResult result = fleet_->SetTicked(static_cast<int>(PageFirst()) + line, ticked);
    TicksChanged();  // also puts a refused tick back
    if (result == TickResult::kRowUpgrading) {
        Tell(kWindowTitle, QString::fromLatin1(kRowUpgrading));
    }
}

void UpgradeWindow::ShowAntiSelectResult(TickResult result) {
    TicksChanged();
    if (result == TickResult::kRowUpgrading) {
        Tell(kWarmTip, QString::fromLatin1(kCannotAntiSelect));
    }
}

void UpgradeWindow::PressSelectCurrent() {
    if (!selectCurrent_->isEnabled()) {
        return;
    }
    fleet_->TickRange(PageFirst(), kRowsPerPage);
    TicksChanged();
}

void UpgradeWindow::PressSelectAll() {
    if (!selectAll_->isEnabled()) {
        return;
    }
    fleet_->TickRange(0, fleet_->RowCount());
    TicksChanged();
}

void UpgradeWindow::PressAntiSelectCurrent() {
    if (!antiSelectCurrent_->isEnabled()) {
        return;
    }
    ShowAntiSelectResult(fleet_->InvertRange(PageFirst(), kRowsPerPage));
}

void UpgradeWindow::PressAntiSelectAll() {
    if (!antiSelectAll_->isEnabled()) {
        return;
    }
    ShowAntiSelectResult(fleet_->InvertRange(0, fleet_->RowCount()));
}

void UpgradeWindow::PressFirst() {
    if (!first_->isEnabled()) {
        return;
    }
    ShowPage(0);
}

void UpgradeWindow::PressPrevious() {
    if (!previous_->isEnabled()) {
        return;
    }
    if (page_ > 0) {
        ShowPage(page_ - 1);
    }
}

void UpgradeWindow::PressNext() {
    if (!next_->isEnabled()) {
        return;
    }
    if (static_cast<size_t>(page_) + 1 < PageCount()) {
        ShowPage(page_ + 1);
    }
}

void UpgradeWindow::PressLast() {
    if (!last_->isEnabled()) {
        return;
    }
    ShowPage(static_cast<int>(PageCount()) - 1);
}

void UpgradeWindow::PressAbout() {
    Tell(QStringLiteral("About KestrelFlash"),
         QStringLiteral("KestrelFlash %1\nUpgrades the firmware of several recorders on the "
                        "local network at once.")
             .arg(QStringLiteral(KESTREL_FLASH_VERSION)));
}

void UpgradeWindow::reject() {
    if (fleet_->RunningCount() > 0 &&
        !Ask(kWindowTitle, QString::fromLatin1(kCloseWhileUpgrading))) {
        return;
    }
    search_cancel_ = true;
    timer_->stop();
    fleet_->Stop();
    QDialog::reject();
}

}  // namespace kestrel::flash::ui
