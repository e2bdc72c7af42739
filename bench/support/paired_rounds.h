// Paired rounds: the one way every benchmark compares itself with a peer.
//
// Ours and the peer alternate, a round of each per pair (the order swapped
// every other pair, so a load that builds up or fades over the run does not
// favour one side). A round repeats its side's unit of work until at least
// kRoundSeconds of timed work are done. Each pair gives a ratio of rates,
// ours/peer, by wall time and by CPU time; the figure reported is the median
// over kPairs pairs, printed with the spread, so one disturbed round cannot
// swing a result across its goal.
//
// Threading: RunPaired runs the repetitions one after another on the calling
// thread.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::bench {

constexpr int kPairs = 5;
constexpr double kRoundSeconds = 2.0;

// One timed unit of work.
struct Work {
    double wall_seconds = 0;
    double cpu_seconds = 0;  // of this whole process, or of the peer's process
    double amount = 0;       // what the rates count: frames, bytes, calls
    bool ok = true;          // the work was complete and its result correct
};

// A point in wall time and in this process's CPU time.
struct Instant {
    double wall_seconds = 0;
    double cpu_seconds = 0;
    static Instant Now();
};

// The work done from start to end.
Work WorkBetween(const Instant& start, const Instant& end, double amount, bool ok = true);

// Wall time and this process's CPU time from construction.
class Stopwatch {
public:
    Stopwatch() : start_(Instant::Now()) {}
    double WallSeconds() const;
    Work Stop(double amount, bool ok = true) const;

private:
    Instant start_;
};

// One unit of a side's work; nullopt when it could not run at all.
using Repetition = std::function<std::optional<Work>()>;

struct Side {
    std::string name;  // "ours", "ffmpeg", "plain socket"
    Repetition repeat;
};

enum class Basis { kWall, kCpu };

// The suite's goal for a ratio ours/peer.
struct Goal {
    Basis basis = Basis::kWall;
    double at_least = 0;
};

struct Comparison {
    std::string label;           // printed before every line
    std::string unit = "/s";     // of the printed rates, e.g. "MB/s"
    double amount_per_unit = 1;  // e.g. 1e6 when amounts are bytes and rates MB/s
    std::optional<Goal> goal;    // none: the ratio is reported only
    bool warm_up = true;         // one untimed repetition of each side first
    // Called before every round and before the warm-up, e.g. to give each round
    // a fresh server; false ends the comparison.
    std::function<bool()> before_round;
};

struct PairedResult {
    bool complete = false;            // every round of both sides ran
    bool ok = false;                  // and every repetition reported its work correct
    std::vector<double> wall_ratios;  // ours/peer, one per pair, in run order
    std::vector<double> cpu_ratios;
    double wall_ratio = 0;  // medians of the above
    double cpu_ratio = 0;
    bool goal_met = false;  // false also without a goal
};

// Runs kPairs pairs and prints the figures of both sides and the ratios.
PairedResult RunPaired(const Comparison& comparison, const Side& ours, const Side& peer);

// Median of the values (mean of the middle two for an even count); 0 when empty.
double Median(std::vector<double> values);
// The value at fraction 0..1 of the sorted values (nearest rank); 0 when empty.
double Percentile(std::vector<double> values, double fraction);

}  // namespace kestrel::bench
