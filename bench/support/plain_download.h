// The download peer: a plain socket reader fetching one recording from a
// recorder process (the download request written by hand, the answer head
// read, then receives copied to a file), and the byte-for-byte check of a
// copy against the recording.
//
// Threading: each call is used by one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "paired_rounds.h"
#include "recorder_process.h"

namespace kestrel::bench {

// Whether the file holds exactly `expected`.
bool SameBytes(const std::string& path, const std::vector<uint8_t>& expected);

// One download of `name` into `path`, timed from the answer head's arrival to
// the last byte; nullopt when the link or the request failed. The work is
// correct when the copy equals `expected`, which is compared outside the
// timing.
std::optional<Work> PlainOnce(const RecorderProcess& recorder, const std::string& name,
                              const std::string& path, const std::vector<uint8_t>& expected);

}  // namespace kestrel::bench
