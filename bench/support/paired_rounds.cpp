#include "paired_rounds.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "platform/process_usage.h"

namespace kestrel::bench {

namespace {

using Clock = std::chrono::steady_clock;
// Bounds of one round beyond its work: a repetition that reports (almost) no
// time, or one far slower than planned, still ends the round.
constexpr int kMaxRepetitions = 100000;
constexpr auto kRoundLimit = std::chrono::seconds(120);

double WallNow() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

struct Round {
    Work total;
    int repetitions = 0;
    int wrong = 0;  // repetitions whose work was incomplete or wrong
    bool ran = false;
    bool short_of_time = false;  // ended by a bound before kRoundSeconds of work
};

Round RunRound(const Side& side) {
    Round round;
    round.total.ok = true;
    const auto start = Clock::now();
    while (round.total.wall_seconds < kRoundSeconds) {
        if (round.repetitions >= kMaxRepetitions || Clock::now() - start > kRoundLimit) {
            round.short_of_time = true;
            break;
        }
        const std::optional<Work> work = side.repeat();
        if (!work) {
            return round;
        }
        round.total.wall_seconds += work->wall_seconds;
        round.total.cpu_seconds += work->cpu_seconds;
        round.total.amount += work->amount;
        round.total.ok = round.total.ok && work->ok;
        round.wrong += work->ok ? 0 : 1;
        ++round.repetitions;
    }
    round.ran = true;
    return round;
}

double Rate(double amount, double seconds) {
    return seconds > 0 ? amount / seconds : 0;
}

std::string Join(const std::vector<double>& values) {
    std::string text;
    char one[32];
    for (const double value : values) {
        std::snprintf(one, sizeof one, "%s%.3f", text.empty() ? "" : " ", value);
        text += one;
    }
    return text;
}

void PrintSide(const Comparison& comparison, const std::string& name,
               const std::vector<Round>& rounds) {
    std::vector<double> wall, cpu, seconds, repetitions;
    bool short_of_time = false;
    int wrong = 0;
    for (const Round& round : rounds) {
        const double amount = round.total.amount / comparison.amount_per_unit;
        wall.push_back(Rate(amount, round.total.wall_seconds));
        cpu.push_back(Rate(amount, round.total.cpu_seconds));
        seconds.push_back(round.total.wall_seconds);
        repetitions.push_back(round.repetitions);
        short_of_time = short_of_time || round.short_of_time;
        wrong += round.wrong;
    }
    std::printf(
        "  %-10s %-8s %10.1f %s by wall, %10.1f %s by CPU (medians; rounds of %.0f x, "
        "%.2f s)%s\n",
        comparison.label.c_str(), name.c_str(), Median(wall), comparison.unit.c_str(), Median(cpu),
        comparison.unit.c_str(), Median(repetitions), Median(seconds),
        short_of_time ? " - A ROUND ENDED SHORT OF ITS TIME" : "");
    if (wrong > 0) {
        std::printf("  %-10s %-8s %d REPETITIONS INCOMPLETE OR WRONG\n", comparison.label.c_str(),
                    name.c_str(), wrong);
    }
}

}  // namespace

Instant Instant::Now() {
    return Instant{WallNow(), platform::ProcessCpuSeconds()};
}

Work WorkBetween(const Instant& start, const Instant& end, double amount, bool ok) {
    Work work;
    work.wall_seconds = end.wall_seconds - start.wall_seconds;
    work.cpu_seconds = end.cpu_seconds - start.cpu_seconds;
    work.amount = amount;
    work.ok = ok;
    return work;
}

double Stopwatch::WallSeconds() const {
    return WallNow() - start_.wall_seconds;
}

Work Stopwatch::Stop(double amount, bool ok) const {
    return WorkBetween(start_, Instant::Now(), amount, ok);
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(std::clamp(fraction, 0.0, 1.0) * double(values.size()));
    return values[static_cast<size_t>(std::max(rank, 1.0)) - 1];
}

PairedResult RunPaired(const Comparison& comparison, const Side& ours, const Side& peer) {
    PairedResult result;
    const char* label = comparison.label.c_str();
    const auto prepare = [&] { return !comparison.before_round || comparison.before_round(); };
    if (comparison.warm_up) {
        if (!prepare() || !ours.repeat() || !peer.repeat()) {
            std::printf("  %-10s a side did not run in the warm-up\n", label);
            return result;
        }
    }
    std::vector<Round> ours_rounds, peer_rounds;
    bool ok = true;
    for (int pair = 0; pair < kPairs; ++pair) {
        // Every other pair the peer goes first.
        const Side& first_side = pair % 2 == 0 ? ours : peer;
        const Side& second_side = pair % 2 == 0 ? peer : ours;
        Round first = prepare() ? RunRound(first_side) : Round{};
        Round second = first.ran && prepare() ? RunRound(second_side) : Round{};
        if (!first.ran || !second.ran) {
            std::printf("  %-10s pair %d: %s did not run\n", label, pair + 1,
                        (first.ran ? second_side : first_side).name.c_str());
            return result;
        }
        Round& our_round = pair % 2 == 0 ? first : second;
        Round& peer_round = pair % 2 == 0 ? second : first;
        ok = ok && our_round.total.ok && peer_round.total.ok;
        const Work& a = our_round.total;
        const Work& b = peer_round.total;
        const double peer_wall = Rate(b.amount, b.wall_seconds);
        const double peer_cpu = Rate(b.amount, b.cpu_seconds);
        result.wall_ratios.push_back(peer_wall > 0 ? Rate(a.amount, a.wall_seconds) / peer_wall
                                                   : 0);
        result.cpu_ratios.push_back(peer_cpu > 0 ? Rate(a.amount, a.cpu_seconds) / peer_cpu : 0);
        ours_rounds.push_back(our_round);
        peer_rounds.push_back(peer_round);
    }
    result.complete = true;
    result.ok = ok;
    result.wall_ratio = Median(result.wall_ratios);
    result.cpu_ratio = Median(result.cpu_ratios);
    PrintSide(comparison, ours.name, ours_rounds);
    PrintSide(comparison, peer.name, peer_rounds);
    const std::string versus = ours.name + "/" + peer.name;
    std::printf("  %-10s %s by wall %.3f (pairs %s), by CPU %.3f (pairs %s)\n", label,
                versus.c_str(), result.wall_ratio, Join(result.wall_ratios).c_str(),
                result.cpu_ratio, Join(result.cpu_ratios).c_str());
    if (comparison.goal) {
        const bool by_cpu = comparison.goal->basis == Basis::kCpu;
        const double ratio = by_cpu ? result.cpu_ratio : result.wall_ratio;
        result.goal_met = ratio >= comparison.goal->at_least;
        std::printf("  %-10s goal: %s by %s time at least %.2f: %s\n", label, versus.c_str(),
                    by_cpu ? "CPU" : "wall", comparison.goal->at_least,
                    result.goal_met ? "met" : "NOT MET");
    }
    return result;
}

}  // namespace kestrel::bench
