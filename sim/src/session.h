// What a command handler works with: the simulator-wide state shared by all
// connections, and the one connection the request came in on.
#pragma once

#include <cstdint>
#include <span>

#include "sim/observations.h"
#include "sim/recorder_config.h"

namespace platform {
class Socket;
}

namespace kestrel::sim {

struct MediaSet;
class StreamRegistry;
class StopSignal;
class ConnectionWriter;
class ConfigStore;
class WholeConfig;
class DeviceActions;
class RecordingStore;

// Shared by every connection thread; each member is either read-only while
// the simulator runs or locks itself.
struct ServerContext {
    const RecorderConfig& config;
    const MediaSet& media;
    StreamRegistry& streams;
    Observations& observations;
    StopSignal& stop;
    ConfigStore& records;       // the MCTP configuration records
    WholeConfig& whole_config;  // the block of commands 14 and 15
    DeviceActions& actions;     // talk relay and format progress
    // The recordings of search, calendar and download.
    RecordingStore& recordings;
};

// One connection, used by its own thread only.
struct Session {
    ServerContext& server;
    platform::Socket& socket;
    ConnectionWriter& writer;
};

enum class SessionAction { kContinue, kClose };

// Sends a standard response (8-byte head, payload), grown to 600 bytes when
// the oversized-responses fault is on. false when the connection broke.
bool SendStandardResponse(Session& session, int32_t result, std::span<const uint8_t> payload = {});

}  // namespace kestrel::sim
