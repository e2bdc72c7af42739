// What a QW_DECODER_HANDLE points to, and the checks every export makes on
// it before it acts.
//
// Threading: the handle itself is immutable between open and close; the
// objects it owns document their own rules.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>

#include "file_player.h"
#include "kestrel_media.h"
#include "media_result.h"
#include "stream_decoder.h"

namespace kestrel::media {

constexpr int32_t kHandleModeLive = 0;
constexpr int32_t kHandleModeFile = 3;

// Exactly one of the two objects is set; the handle owns it.
class DecoderHandle {
public:
    explicit DecoderHandle(std::unique_ptr<StreamDecoder> stream)
        : stream_(std::move(stream)), mode_(kHandleModeLive) {}
    explicit DecoderHandle(std::unique_ptr<FilePlayer> file)
        : file_(std::move(file)), mode_(kHandleModeFile) {}

    bool IsFile() const { return mode_ == kHandleModeFile; }
    // The live stream decoder; null on file handles.
    StreamDecoder* Live() const { return IsFile() ? nullptr : stream_.get(); }
    // The file player; null on live handles.
    FilePlayer* File() const { return file_.get(); }
    // The stream decoder either kind shows pictures with: a file handle's
    // embedded one (null until its file is open).
    StreamDecoder* Display() const { return IsFile() ? file_->Decoder() : stream_.get(); }

private:
    // The file player goes first: its players feed from the stream decoder.
    std::unique_ptr<FilePlayer> file_;
    std::unique_ptr<StreamDecoder> stream_;
    int32_t mode_;
};

inline DecoderHandle* FromHandle(QW_DECODER_HANDLE handle) {
    return reinterpret_cast<DecoderHandle*>(handle);
}

inline QW_DECODER_HANDLE ToHandle(DecoderHandle* handle) {
    return reinterpret_cast<QW_DECODER_HANDLE>(handle);
}

// Runs an export body; no exception crosses the library's boundary.
template <typename Body>
int32_t Guarded(int32_t on_exception, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return on_exception;
    }
}

// Result of an export that needs a live handle: null handle, or a file
// handle where a live one is needed.
inline int32_t CheckLive(QW_DECODER_HANDLE handle) {
    if (handle == nullptr) {
        return kMediaBadArgument;
    }
    return FromHandle(handle)->Live() != nullptr ? kMediaOk : kMediaNotAvailable;
}

}  // namespace kestrel::media
