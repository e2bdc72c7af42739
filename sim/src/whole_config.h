// The recorder's whole configuration: one opaque block, read with command 14
// and replaced with command 15. It starts as kDefaultSize bytes of a known
// pattern (DefaultContent()) so a reader can tell it apart from zeros.
//
// Threading: any connection thread; one mutex guards the block. It lives as
// long as the simulator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kestrel::sim {

class WholeConfig {
public:
    static constexpr size_t kDefaultSize = 4096;
    // Writes announcing more are refused before any data is read.
    static constexpr size_t kMaxSize = size_t{1} << 20;

    WholeConfig();
    WholeConfig(const WholeConfig&) = delete;
    WholeConfig& operator=(const WholeConfig&) = delete;

    std::vector<uint8_t> Read() const;
    void Replace(std::vector<uint8_t> data);

    // Byte i is (7 * i + 3) mod 256.
    static std::vector<uint8_t> DefaultContent();

private:
    mutable std::mutex mutex_;
    std::vector<uint8_t> data_;  // guarded by mutex_
};

}  // namespace kestrel::sim
