#include "upgrade_fleet.h"

#include <chrono>
#include <system_error>

#include "fleet_core.h"

namespace kestrel::flash {

namespace {

constexpr char kRefusedState[] = "Upgrade Failed";
constexpr char kBusyComment[] = "Current device is upgrading";
constexpr char kSameVersionComment[] = "The same system version";

bool Eligible(const DeviceRow& row) {
    return row.ticked && row.permitted && row.idle;
}

size_t EndOf(size_t first, size_t count, size_t size) {
    return first >= size ? first : first + std::min(count, size - first);
}

}  // namespace

void UpgradeFleet::Core::UpdateRow(int index, const std::function<void(DeviceRow&)>& change) {
    bool visible_change = false;
    {
        std::lock_guard lock(mutex);
        if (index < 0 || static_cast<size_t>(index) >= rows.size()) {
            return;
        }
        DeviceRow& row = rows[index];
        auto hundredth = [](const DeviceRow& r) {
            return r.size == 0 ? 0 : static_cast<uint64_t>(r.progress) * 100 / r.size;
        };
        const DeviceRow before = row;
        change(row);
        visible_change = row.state != before.state || row.comment != before.comment ||
                         row.colour != before.colour || row.speed != before.speed ||
                         hundredth(row) != hundredth(before) || row.size != before.size;
    }
    FleetListener* l = listener.load();
    if (visible_change && l != nullptr) {
        l->RowChanged(index);
    }
}

bool UpgradeFleet::Core::WaitForStop(int ms) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
}

void UpgradeFleet::Core::UpdateProgress(int index, uint32_t progress) {
    bool visible_change = false;
    {
        std::lock_guard lock(mutex);
        if (index < 0 || static_cast<size_t>(index) >= rows.size()) {
            return;
        }
        DeviceRow& row = rows[index];
        if (row.size != 0) {
            visible_change = static_cast<uint64_t>(row.progress) * 100 / row.size !=
                             static_cast<uint64_t>(progress) * 100 / row.size;
        }
        row.progress = progress;
    }
    FleetListener* l = listener.load();
    if (visible_change && l != nullptr) {
        l->RowChanged(index);
    }
}

UpgradeFleet::UpgradeFleet(UpgradeOptions options)
    : options_(std::move(options)), core_(std::make_shared<Core>()) {}

UpgradeFleet::~UpgradeFleet() {
    Stop();
}

void UpgradeFleet::SetListener(FleetListener* listener) {
    core_->listener = listener;
}

bool UpgradeFleet::SetRows(std::vector<DeviceRow> rows) {
    std::lock_guard lock(core_->mutex);
    if (core_->live_workers > 0) {
        return false;
    }
    core_->rows = std::move(rows);
    core_->running_count = 0;
    return true;
}

size_t UpgradeFleet::RowCount() const {
    std::lock_guard lock(core_->mutex);
    return core_->rows.size();
}

DeviceRow UpgradeFleet::Row(int index) const {
    std::lock_guard lock(core_->mutex);
    if (index < 0 || static_cast<size_t>(index) >= core_->rows.size()) {
        return {};
    }
    return core_->rows[index];
}

std::vector<DeviceRow> UpgradeFleet::Rows() const {
    std::lock_guard lock(core_->mutex);
    return core_->rows;
}

std::vector<DeviceRow> UpgradeFleet::Rows(size_t first, size_t count) const {
    std::lock_guard lock(core_->mutex);
    const size_t end = EndOf(first, count, core_->rows.size());
    if (first >= end) {
        return {};
    }
    return std::vector<DeviceRow>(core_->rows.begin() + first, core_->rows.begin() + end);
}

TickResult UpgradeFleet::SetTicked(int index, bool ticked) {
    std::lock_guard lock(core_->mutex);
    if (index < 0 || static_cast<size_t>(index) >= core_->rows.size()) {
        return TickResult::kDone;
    }
    DeviceRow& row = core_->rows[index];
    if (!ticked && row.ticked && !row.idle) {
        return TickResult::kRowUpgrading;
    }
    row.ticked = ticked;
    return TickResult::kDone;
}

void UpgradeFleet::TickRange(size_t first, size_t count) {
    std::lock_guard lock(core_->mutex);
    const size_t end = EndOf(first, count, core_->rows.size());
    for (size_t i = first; i < end; ++i) {
        core_->rows[i].ticked = true;
    }
}

TickResult UpgradeFleet::InvertRange(size_t first, size_t count) {
    std::lock_guard lock(core_->mutex);
    TickResult result = TickResult::kDone;
    const size_t end = EndOf(first, count, core_->rows.size());
    for (size_t i = first; i < end; ++i) {
        DeviceRow& row = core_->rows[i];
        if (row.ticked && !row.idle) {
            result = TickResult::kRowUpgrading;
            continue;
        }
        row.ticked = !row.ticked;
    }
    return result;
}

bool UpgradeFleet::AnyTicked(size_t first, size_t count) const {
    std::lock_guard lock(core_->mutex);
    const size_t end = EndOf(first, count, core_->rows.size());
    for (size_t i = first; i < end; ++i) {
        if (core_->rows[i].ticked) {
            return true;
        }
    }
    return false;
}

StartReport UpgradeFleet::Start(std::shared_ptr<const UpgradeImage> image) {
    JoinEnded();
    StartReport report;
    std::vector<UpgradeJob> jobs;
    {
        std::lock_guard lock(core_->mutex);
        if (core_->stopping || image == nullptr) {
            return report;
        }
        for (DeviceRow& row : core_->rows) {
            if (Eligible(row)) {
                // Taken at once, so a second press cannot start the row twice.
                row.idle = false;
                row.finished = false;
                row.size = static_cast<uint32_t>(image->bytes.size());
                row.last_progress = 0;
                jobs.push_back(UpgradeJob{row.index, row.ip, image});
            } else if (row.ticked && !row.permitted) {
                row.state = kRefusedState;
                row.comment = row.busy ? kBusyComment : kSameVersionComment;
                ++report.refused;
            }
        }
        if (!jobs.empty()) {
            core_->running_count =
                std::max(core_->running_count.load(), 0) + static_cast<int>(jobs.size());
            core_->live_workers += static_cast<int>(jobs.size());
        }
    }
    for (UpgradeJob& job : jobs) {
        auto ended = std::make_shared<std::atomic<bool>>(false);
        const int row = job.row;
        try {
            core_->workers.push_back(
                {std::thread(RunUpgradeWorker, core_, options_, std::move(job), ended), ended});
            ++report.started;
        } catch (const std::system_error&) {
            // No thread: the row fails as an unreachable recorder would.
            core_->UpdateRow(row, [](DeviceRow& r) {
                r.state = "Connect failed";
                r.comment = "Please review network connection";
                r.colour = kColourRed;
                r.finished = r.idle = true;
            });
            std::lock_guard lock(core_->mutex);
            --core_->live_workers;
            if (--core_->running_count == 0) {
                core_->running_count = -1;
            }
        }
    }
    return report;
}

int UpgradeFleet::RunningCount() const {
    return core_->running_count.load();
}

bool UpgradeFleet::AnyRunning() const {
    std::lock_guard lock(core_->mutex);
    return core_->live_workers > 0;
}

uint32_t UpgradeFleet::TakeProgressGrowth(int index) {
    std::lock_guard lock(core_->mutex);
    if (index < 0 || static_cast<size_t>(index) >= core_->rows.size()) {
        return 0;
    }
    DeviceRow& row = core_->rows[index];
    if (row.finished) {
        return 0;
    }
    const uint32_t growth = row.progress > row.last_progress ? row.progress - row.last_progress : 0;
    row.last_progress = row.progress;
    return growth;
}

bool UpgradeFleet::WaitIdle(int timeout_ms) const {
    std::unique_lock lock(core_->mutex);
    return core_->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                   [this] { return core_->live_workers == 0; });
}

void UpgradeFleet::Stop(int wait_ms) {
    {
        std::lock_guard lock(core_->mutex);
        core_->stopping = true;
        core_->stop_asked = true;
        for (platform::Socket* socket : core_->sockets) {
            socket->Shutdown();
        }
    }
    core_->changed.notify_all();
    WaitIdle(wait_ms);
    JoinEnded();
    // Whoever is left (a connect still in its bound) holds the core and ends
    // by itself.
    for (Core::Worker& worker : core_->workers) {
        worker.thread.detach();
    }
    core_->workers.clear();
}

void UpgradeFleet::JoinEnded() {
    auto& workers = core_->workers;
    for (auto it = workers.begin(); it != workers.end();) {
        if (it->ended->load()) {
            it->thread.join();
            it = workers.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace kestrel::flash
