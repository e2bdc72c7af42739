#include "slow_relay.h"

#include <chrono>

namespace kestrel::client::test {
namespace {

constexpr int kPollMs = 5;
constexpr auto kLongestHold = std::chrono::seconds(60);

}  // namespace

SlowRelay::SlowRelay(std::string host, uint16_t port)
    : host_(std::move(host)), upstreamPort_(port) {
    listener_ = platform::Socket::Tcp();
    if (listener_.Bind("127.0.0.1", 0) && listener_.Listen(32)) {
        port_ = listener_.LocalPort();
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }
}

SlowRelay::~SlowRelay() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        released_.notify_all();
    }
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    std::vector<std::thread> links;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        links.swap(links_);
    }
    for (std::thread& t : links) {
        t.join();
    }
}

void SlowRelay::Hold() {
    std::lock_guard<std::mutex> lock(mutex_);
    holding_ = true;
}

size_t SlowRelay::Held() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return held_.size();
}

void SlowRelay::ReleaseOldest(bool forward) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!held_.empty()) {
        held_.front()->verdict = forward ? Verdict::kForward : Verdict::kRefuse;
        held_.pop_front();
        released_.notify_all();
    }
}

void SlowRelay::RefuseAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    holding_ = false;
    for (const auto& link : held_) {
        link->verdict = Verdict::kRefuse;
    }
    held_.clear();
    released_.notify_all();
}

void SlowRelay::AcceptLoop() {
    while (!stop_) {
        if (listener_.WaitReadable(20) != platform::WaitResult::kReady) {
            continue;
        }
        auto link = std::make_shared<Link>();
        link->client = listener_.Accept();
        if (!link->client.IsOpen()) {
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (holding_) {
            held_.push_back(link);
        } else {
            link->verdict = Verdict::kForward;
        }
        links_.emplace_back([this, link] { Serve(link); });
    }
}

bool SlowRelay::AwaitVerdict(Link& link) {
    std::unique_lock<std::mutex> lock(mutex_);
    released_.wait_for(lock, kLongestHold, [&] { return stop_ || link.verdict != Verdict::kWait; });
    return !stop_ && link.verdict == Verdict::kForward;
}

void SlowRelay::Serve(std::shared_ptr<Link> link) {
    if (!AwaitVerdict(*link)) {
        link->client.Close();
        return;
    }
    platform::Socket upstream = platform::Socket::Tcp();
    if (upstream.Connect(host_, upstreamPort_, 5000) != platform::ConnectResult::kConnected) {
        link->client.Close();
        return;
    }
    Relay(link->client, upstream);
    link->client.Close();
}

void SlowRelay::Relay(platform::Socket& client, platform::Socket& upstream) {
    char buffer[65536];
    platform::Socket* sides[2] = {&client, &upstream};
    while (!stop_) {
        for (int from = 0; from < 2; ++from) {
            platform::Socket& in = *sides[from];
            if (in.WaitReadable(kPollMs) != platform::WaitResult::kReady) {
                continue;
            }
            const long got = in.Receive(buffer, sizeof buffer);
            if (got <= 0 || !sides[1 - from]->SendAll(buffer, static_cast<size_t>(got), 5000)) {
                return;
            }
        }
    }
}

}  // namespace kestrel::client::test
