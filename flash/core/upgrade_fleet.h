// The rows of one search and the uploads to them: ticking, the start of one
// worker per ticked, permitted, idle row, the running-upgrades count, and the
// stop when the tool closes.
//
// Ownership and threading:
// - UpgradeFleet is driven by one controlling thread (the window's GUI
//   thread, or the command line's main thread). Every method may be called
//   from that thread while workers run; Row()/Rows()/RunningCount() may also
//   be called from listener callbacks.
// - Each worker is a std::thread owned by the fleet: started by Start(),
//   joined by Stop(), by the next Start() once it has ended, or by the
//   destructor. A worker holds the shared core (rows, count, listener), never
//   the fleet itself, so a worker that Stop() gave up waiting for ends safely
//   on its own.
// - The rows live under one lock in the core. Workers write only their own
//   row; readers take copies.
// - Listener callbacks run on worker threads with no lock held. They must
//   not block and must not call Start() or Stop(); a window posts them to its
//   GUI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "device_row.h"
#include "flash_network.h"
#include "flash_packet.h"
#include "upgrade_image.h"

namespace kestrel::flash {

struct UpgradeOptions {
    FlashNetwork network;
    int connect_timeout_ms = 30000;
    // Silence on an open connection after which a worker gives up with
    // "Upload failed" / "Please review network connection".
    int silence_timeout_s = 600;
    int connected_pause_ms = 1000;  // between "Connect succeeded" and the request
    int write_step_ms = 150;        // the write phase's 101 steps after status 6
    int empty_read_pause_ms = 10;   // a closed connection: 1000 empty reads
    int empty_read_limit = 1000;
};

class FleetListener {
public:
    virtual ~FleetListener() = default;
    // A row's texts or colour changed, or its progress passed another
    // hundredth of the image.
    virtual void RowChanged(int index) = 0;
    // The last worker ended by itself; the running count is -1 again.
    virtual void UploadsFinished() = 0;
};

enum class TickResult {
    kDone,
    kRowUpgrading,  // a row whose upload runs kept its tick
};

struct StartReport {
    int started = 0;  // workers started
    int refused = 0;  // ticked rows that may not take the image
};

class UpgradeFleet {
public:
    explicit UpgradeFleet(UpgradeOptions options = {});
    ~UpgradeFleet();  // Stop()
    UpgradeFleet(const UpgradeFleet&) = delete;
    UpgradeFleet& operator=(const UpgradeFleet&) = delete;

    const UpgradeOptions& Options() const { return options_; }
    // Set before the first Start(); nullptr for none.
    void SetListener(FleetListener* listener);

    // The rows of a new search; the running count becomes 0 and the elapsed
    // time starts over. Refused (false) while a worker runs.
    bool SetRows(std::vector<DeviceRow> rows);
    size_t RowCount() const;
    DeviceRow Row(int index) const;  // a default row outside the list
    std::vector<DeviceRow> Rows() const;
    std::vector<DeviceRow> Rows(size_t first, size_t count) const;

    // Ticking. Clearing the tick of a row whose upload runs is refused.
    TickResult SetTicked(int index, bool ticked);
    void TickRange(size_t first, size_t count);
    TickResult InvertRange(size_t first, size_t count);
    bool AnyTicked(size_t first, size_t count) const;

    // Starts a worker for every ticked, permitted, idle row, in row order;
    // ticked rows that may not take the image show "Upgrade Failed".
    StartReport Start(std::shared_ptr<const UpgradeImage> image);

    // Workers started and not ended; -1 when nothing has run since the last
    // completion (also before the first search).
    int RunningCount() const;
    bool AnyRunning() const;

    // Bytes uploaded to the row since the last call (0 for rows whose worker
    // is not uploading); for the speed column.
    uint32_t TakeProgressGrowth(int index);

    // Waits until no worker runs; false on time-out.
    bool WaitIdle(int timeout_ms) const;

    // Asks every worker to end (they stop at their next step, waking from any
    // wait) and joins them for up to wait_ms; workers still running then are
    // left to end on their own.
    void Stop(int wait_ms = 2000);

    struct Core;  // shared with the workers, see fleet_core.h

private:
    void JoinEnded();

    const UpgradeOptions options_;
    std::shared_ptr<Core> core_;
};

// The row texts for a recorder's non-zero status ("Upgrade failed" /
// "device flash access failed", ...), status 6 included.
struct RowText {
    const char* state;
    const char* comment;
    uint32_t colour;
};
RowText StatusRowText(uint32_t status);

// What an upload does with one packet the recorder sent, given how many of
// the image's bytes are out already. Kept apart from the socket loop so the
// decision can be checked on its own.
struct UploadStep {
    enum class Kind {
        kEnd,        // upload end: the worker leaves, the row keeps its text
        kFailed,     // neither a reply nor an upload end: "Upload failed"
        kVerdict,    // a non-zero status: the row shows verdict, the upload ends
        kSendChunk,  // status 0 with image bytes left: send the next chunk
        kComplete,   // status 0 after the last chunk: the verdict is awaited
    };
    Kind kind = Kind::kFailed;
    RowText verdict{};       // kVerdict
    bool upgrading = false;  // kVerdict: status 6, the recorder took the image
    size_t chunk_size = 0;   // kSendChunk: 1 to 1024 bytes from `sent` on
};
UploadStep NextUploadStep(const PacketBytes& received, size_t sent, size_t image_size);

}  // namespace kestrel::flash
