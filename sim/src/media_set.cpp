#include "sim/media_set.h"

#include "platform/paths.h"
#include "sim/frame_records.h"

namespace kestrel::sim {
namespace {

constexpr size_t kMaxToneBytes = size_t{1} << 20;

}  // namespace

std::optional<MediaSet> MediaSet::Load(const std::string& folder, std::string* error) {
    auto main_clip = MediaClip::Load(platform::JoinPath(folder, kMainClipFile), error);
    if (!main_clip) {
        return std::nullopt;
    }
    auto sub_clip = MediaClip::Load(platform::JoinPath(folder, kSubClipFile), error);
    if (!sub_clip) {
        return std::nullopt;
    }
    const std::string tone_path = platform::JoinPath(folder, kToneFile);
    auto tone = ReadFileBytes(tone_path, kMaxToneBytes);
    if (!tone || tone->size() < kAudioSamplesPerFrame) {
        *error = "cannot read tone (at least one audio block) " + tone_path;
        return std::nullopt;
    }
    return MediaSet{std::move(*main_clip), std::move(*sub_clip), std::move(*tone)};
}

}  // namespace kestrel::sim
