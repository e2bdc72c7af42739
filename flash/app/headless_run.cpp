#include "headless_run.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

#include "device_search.h"
#include "flash_network.h"
#include "host_address.h"
#include "row_output.h"
#include "upgrade_fleet.h"
#include "upgrade_image.h"

namespace kestrel::flash {

namespace {

constexpr int kRedrawMs = 250;

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path.front() == '/') {
        return path;
    }
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder) == nullptr) {
        return path;
    }
    return std::string(folder) + "/" + path;
}

bool Listed(const std::vector<std::string>& only, const std::string& ip) {
    return only.empty() || std::find(only.begin(), only.end(), ip) != only.end();
}

// Ticks the rows to upload to; names the --only addresses nobody answered
// from and returns how many there were.
int TickRows(const HeadlessOptions& options, UpgradeFleet* fleet, std::ostream& err) {
    const std::vector<DeviceRow> rows = fleet->Rows();
    for (const DeviceRow& row : rows) {
        if (Listed(options.only, row.ip)) {
            fleet->SetTicked(row.index, true);
        }
    }
    int missing = 0;
    for (const std::string& ip : options.only) {
        if (std::none_of(rows.begin(), rows.end(),
                         [&](const DeviceRow& r) { return r.ip == ip; })) {
            err << "No recorder answered from " << ip << "\n";
            ++missing;
        }
    }
    return missing;
}

// Draws one bar per ticked row until the workers have ended.
void WatchUploads(const UpgradeFleet& fleet, uint64_t image_size, std::ostream& err,
                  bool terminal) {
    std::vector<std::string> shown;
    size_t drawn_lines = 0;
    bool more = true;
    while (more) {
        more = !fleet.WaitIdle(kRedrawMs);
        std::vector<DeviceRow> rows = fleet.Rows();
        std::erase_if(rows, [](const DeviceRow& r) { return !r.ticked || !r.permitted; });
        if (terminal) {
            if (drawn_lines > 0) {
                err << "\033[" << drawn_lines << "A";
            }
            for (const DeviceRow& row : rows) {
                err << "\r\033[K" << ProgressLine(row, image_size) << "\n";
            }
            drawn_lines = rows.size();
        } else {
            shown.resize(rows.size());
            for (size_t i = 0; i < rows.size(); ++i) {
                if (shown[i] != rows[i].state) {
                    shown[i] = rows[i].state;
                    err << ProgressLine(rows[i], image_size) << "\n";
                }
            }
        }
        err.flush();
    }
}

bool Succeeded(const DeviceRow& row) {
    return row.state == "Upgrade succeeded" || row.state == "Upload succeeded";
}

}  // namespace

int RunHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err,
                bool progress_is_terminal) {
    std::shared_ptr<const UpgradeImage> image;
    const ImageCheck check = LoadImage(AbsolutePath(options.image), &image);
    if (check != ImageCheck::kOk) {
        err << ImageCheckMessage(check) << "\n";
        return kExitBadInput;
    }
    UpgradeOptions upgrade;
    std::string error;
    if (!ReadFlashNetwork(&upgrade.network, &error)) {
        err << error << "\n";
        return kExitBadInput;
    }
    upgrade.silence_timeout_s = options.timeout_s;

    const std::string host = options.host.empty() ? DefaultHostAddress() : options.host;
    err << kSearchingText << " (from " << host << ")\n";
    SearchReport report = SearchDevices(host, image->name, upgrade.network);
    if (report.outcome != SearchOutcome::kFound) {
        err << report.message;
        if (report.message.empty() || report.message.back() != '\n') {
            err << "\n";
        }
        return kExitNoRecorder;
    }
    err << SearchStateText(report.rows.size()) << "\n";
    const uint64_t image_size = image->bytes.size();
    auto print = [&](const std::vector<DeviceRow>& rows) {
        out << (options.json ? RowsAsJson(rows, image_size) : RowsAsText(rows));
        out.flush();
    };
    if (options.search_only) {
        print(report.rows);
        return kExitDone;
    }

    UpgradeFleet fleet(upgrade);
    fleet.SetRows(std::move(report.rows));
    const int missing = TickRows(options, &fleet, err);
    fleet.Start(image);
    WatchUploads(fleet, image_size, err, progress_is_terminal);

    const std::vector<DeviceRow> rows = fleet.Rows();
    print(rows);
    const bool all_succeeded = std::all_of(rows.begin(), rows.end(), [](const DeviceRow& r) {
        return !r.ticked || !r.permitted || Succeeded(r);
    });
    return all_succeeded && missing == 0 ? kExitDone : kExitUploadFailed;
}

}  // namespace kestrel::flash
