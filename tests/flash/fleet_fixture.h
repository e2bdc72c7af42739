// Simulated recorders on 127.0.0.2.. for the upgrade tool's tests, and an
// image file in a scratch folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flash_network.h"
#include "sim/flash_fleet.h"
#include "upgrade_image.h"

namespace kestrel::flash::testing {

// Five segments, each newer than the simulator's installed "T091128".
inline const std::string kNewerImage = "Qw6100V100R003B010_V100001V100001V100001V100001V100001.sw";

inline std::unique_ptr<sim::FlashFleet> StartFleet(
    int size, std::function<void(int, sim::FlashRecorderConfig&)> configure = {}) {
    sim::FlashFleetConfig config;
    config.size = size;
    config.configure = std::move(configure);
    auto fleet = std::make_unique<sim::FlashFleet>(config);
    if (!fleet->Start()) {
        ADD_FAILURE() << fleet->LastError();
        return nullptr;
    }
    return fleet;
}

inline FlashNetwork NetworkOf(const sim::FlashFleet& fleet) {
    return {"127.255.255.255", fleet.UdpPort(), fleet.TcpPort()};
}

// The environment the headless run reads.
inline void ExportNetwork(const sim::FlashFleet& fleet) {
    setenv("KESTREL_BROADCAST_ADDR", "127.255.255.255", 1);
    setenv("KESTREL_FLASH_UDP_PORT", std::to_string(fleet.UdpPort()).c_str(), 1);
    setenv("KESTREL_FLASH_TCP_PORT", std::to_string(fleet.TcpPort()).c_str(), 1);
}

// Bytes 0, 1, 2, ... in a file of the given name in a fresh folder.
inline std::string WriteImage(const std::string& name, size_t size) {
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("kestrel-flash-" + std::to_string(getpid()) + "-" + std::to_string(std::rand()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / name).string();
    std::ofstream file(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i) {
        file.put(static_cast<char>(i * 7 + 3));
    }
    return path;
}

inline std::shared_ptr<const UpgradeImage> Image(size_t size,
                                                 const std::string& name = kNewerImage) {
    std::shared_ptr<const UpgradeImage> image;
    EXPECT_EQ(LoadImage(WriteImage(name, size), &image), ImageCheck::kOk);
    return image;
}

}  // namespace kestrel::flash::testing
