#include "sim/observations.h"

#include <algorithm>

namespace kestrel::sim {

Observations::Observations(size_t request_limit, bool capture, size_t capture_limit)
    : request_limit_(request_limit), capture_(capture), capture_limit_(capture_limit) {}

ObservedStream* Observations::FindLocked(StreamId id) {
    const auto found = std::find_if(streams_.begin(), streams_.end(),
                                    [&](const ObservedStream& stream) { return stream.id == id; });
    return found == streams_.end() ? nullptr : &*found;
}

const ObservedStream* Observations::FindLocked(StreamId id) const {
    return const_cast<Observations*>(this)->FindLocked(id);
}

void Observations::RecordRequest(std::span<const uint8_t, kRequestBlockSize> block) {
    std::lock_guard lock(mutex_);
    ++request_count_;
    if (requests_.size() >= request_limit_) {
        return;  // the first requests are the ones tests look at
    }
    ObservedRequest& request = requests_.emplace_back();
    std::copy(block.begin(), block.end(), request.block.begin());
    request.command = block[7];  // low byte of the BE command word
}

void Observations::RecordMctpRequest(ObservedMctpRequest request) {
    size_t bytes = 0;
    for (const auto& segment : request.segments) {
        bytes += segment.size();
    }
    std::lock_guard lock(mutex_);
    ++mctp_request_count_;
    if (mctp_requests_.size() >= request_limit_ || bytes > kMctpLogByteLimit - mctp_bytes_kept_) {
        return;  // as with request blocks, the first ones are kept
    }
    mctp_bytes_kept_ += bytes;
    mctp_requests_.push_back(std::move(request));
}

void Observations::CountAcceptedConnection(ServicePort port) {
    std::lock_guard lock(mutex_);
    ++accepted_[static_cast<size_t>(port)];
}

void Observations::CountRejectedConnection(ServicePort port) {
    std::lock_guard lock(mutex_);
    ++rejected_[static_cast<size_t>(port)];
}

void Observations::StreamStarted(StreamId id, int channel, int stream_number) {
    std::lock_guard lock(mutex_);
    if (streams_.size() >= kStreamLogLimit) {
        const auto ended =
            std::find_if(streams_.begin(), streams_.end(),
                         [](const ObservedStream& stream) { return !stream.running; });
        if (ended == streams_.end()) {
            return;  // cannot happen within the connection limit
        }
        captured_total_ -= ended->captured.size();
        streams_.erase(ended);
    }
    ObservedStream& stream = streams_.emplace_back();
    stream.id = id;
    stream.channel = channel;
    stream.stream_number = stream_number;
    stream.running = true;
}

void Observations::StreamSent(StreamId id, std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    ObservedStream* stream = FindLocked(id);
    if (stream == nullptr) {
        return;
    }
    stream->bytes_sent += bytes.size();
    if (!capture_) {
        return;
    }
    const size_t room = capture_limit_ - captured_total_;
    const size_t kept = std::min(room, bytes.size());
    stream->captured.insert(stream->captured.end(), bytes.begin(), bytes.begin() + kept);
    captured_total_ += kept;
    stream->capture_truncated = stream->capture_truncated || kept < bytes.size();
}

void Observations::StreamEnded(StreamId id) {
    std::lock_guard lock(mutex_);
    if (ObservedStream* stream = FindLocked(id)) {
        stream->running = false;
        stream->sound_open = false;
    }
}

void Observations::SoundChanged(StreamId id, bool open) {
    std::lock_guard lock(mutex_);
    if (ObservedStream* stream = FindLocked(id)) {
        stream->sound_open = open;
    }
}

std::vector<ObservedRequest> Observations::Requests() const {
    std::lock_guard lock(mutex_);
    return std::vector<ObservedRequest>(requests_.begin(), requests_.end());
}

size_t Observations::RequestCount() const {
    std::lock_guard lock(mutex_);
    return request_count_;
}

std::vector<ObservedMctpRequest> Observations::MctpRequests() const {
    std::lock_guard lock(mutex_);
    return std::vector<ObservedMctpRequest>(mctp_requests_.begin(), mctp_requests_.end());
}

size_t Observations::MctpRequestCount() const {
    std::lock_guard lock(mutex_);
    return mctp_request_count_;
}

uint64_t Observations::AcceptedConnections(ServicePort port) const {
    std::lock_guard lock(mutex_);
    return accepted_[static_cast<size_t>(port)];
}

uint64_t Observations::RejectedConnections(ServicePort port) const {
    std::lock_guard lock(mutex_);
    return rejected_[static_cast<size_t>(port)];
}

std::vector<StreamId> Observations::StreamIds() const {
    std::lock_guard lock(mutex_);
    std::vector<StreamId> ids;
    for (const ObservedStream& stream : streams_) {
        ids.push_back(stream.id);
    }
    return ids;
}

std::optional<ObservedStream> Observations::Stream(StreamId id) const {
    std::lock_guard lock(mutex_);
    const ObservedStream* stream = FindLocked(id);
    return stream != nullptr ? std::optional<ObservedStream>(*stream) : std::nullopt;
}

uint64_t Observations::StreamBytesSent(StreamId id) const {
    std::lock_guard lock(mutex_);
    const ObservedStream* stream = FindLocked(id);
    return stream != nullptr ? stream->bytes_sent : 0;
}

bool Observations::SoundOpen(StreamId id) const {
    std::lock_guard lock(mutex_);
    const ObservedStream* stream = FindLocked(id);
    return stream != nullptr && stream->sound_open;
}

size_t Observations::RunningStreams() const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count_if(streams_.begin(), streams_.end(),
                                             [](const ObservedStream& s) { return s.running; }));
}

namespace {

template <typename T>
void AppendBounded(std::vector<T>& log, const T& entry, size_t limit) {
    if (log.size() < limit) {
        log.push_back(entry);
    }
}

}  // namespace

void Observations::RecordTalkRequest(const ObservedTalkRequest& request) {
    std::lock_guard lock(mutex_);
    AppendBounded(talk_requests_, request, request_limit_);
}

void Observations::TalkLinkChanged(bool opened) {
    std::lock_guard lock(mutex_);
    open_talk_links_ += opened ? 1 : -1;
}

void Observations::CountTalkBytes(size_t count) {
    std::lock_guard lock(mutex_);
    talk_bytes_ += count;
}

void Observations::RecordPtzAction(const ObservedPtzAction& action) {
    std::lock_guard lock(mutex_);
    AppendBounded(ptz_actions_, action, request_limit_);
}

void Observations::RecordShutDown(uint32_t mode) {
    std::lock_guard lock(mutex_);
    AppendBounded(shut_down_modes_, mode, request_limit_);
}

void Observations::RecordFormatRequest(const ObservedFormatRequest& request) {
    std::lock_guard lock(mutex_);
    AppendBounded(format_requests_, request, request_limit_);
}

void Observations::RecordFirmware(ReceivedFirmware firmware) {
    std::lock_guard lock(mutex_);
    firmware_ = std::move(firmware);
}

std::vector<ObservedTalkRequest> Observations::TalkRequests() const {
    std::lock_guard lock(mutex_);
    return talk_requests_;
}

int Observations::OpenTalkLinks() const {
    std::lock_guard lock(mutex_);
    return open_talk_links_;
}

uint64_t Observations::TalkBytesReceived() const {
    std::lock_guard lock(mutex_);
    return talk_bytes_;
}

std::vector<ObservedPtzAction> Observations::PtzActions() const {
    std::lock_guard lock(mutex_);
    return ptz_actions_;
}

std::vector<uint32_t> Observations::ShutDownModes() const {
    std::lock_guard lock(mutex_);
    return shut_down_modes_;
}

std::vector<ObservedFormatRequest> Observations::FormatRequests() const {
    std::lock_guard lock(mutex_);
    return format_requests_;
}

std::optional<ReceivedFirmware> Observations::Firmware() const {
    std::lock_guard lock(mutex_);
    return firmware_;
}

void Observations::RecordDownload(ObservedDownload download) {
    std::lock_guard lock(mutex_);
    if (downloads_.size() < request_limit_) {
        downloads_.push_back(std::move(download));
    }
}

std::vector<ObservedDownload> Observations::Downloads() const {
    std::lock_guard lock(mutex_);
    return downloads_;
}

}  // namespace kestrel::sim
