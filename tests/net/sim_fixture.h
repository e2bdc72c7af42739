// Starting a simulated recorder for a test, and small helpers to read the
// request blocks it saw.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "kestrel_net.h"
#include "sim/recorder_sim.h"

namespace kestrel::test {

inline std::unique_ptr<sim::RecorderSim> StartSim(sim::RecorderConfig config = {}) {
    auto recorder = std::make_unique<sim::RecorderSim>(std::move(config));
    EXPECT_TRUE(recorder->Start()) << recorder->LastError();
    return recorder;
}

inline uint32_t BE32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

inline uint32_t LE32(const uint8_t* p) {
    return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

inline std::vector<sim::ObservedRequest> RequestsOf(const sim::RecorderSim& recorder,
                                                    uint8_t command) {
    std::vector<sim::ObservedRequest> found;
    for (const sim::ObservedRequest& r : recorder.Observed().Requests()) {
        if (r.command == command) {
            found.push_back(r);
        }
    }
    return found;
}

struct OpenResult {
    QW_DVR_HANDLE handle = nullptr;
    int32_t type = 0;
    int32_t subtype = 0;
    int32_t result = 0;
    UserRights rights{};
};

inline OpenResult OpenSim(const sim::RecorderSim& recorder, const char* user = "admin",
                          const char* password = "admin", int32_t subtype_before = 0) {
    OpenResult r;
    r.subtype = subtype_before;
    r.handle = QW_DVR_NET_Open_Device(recorder.Address().c_str(), recorder.CommandPort(), user,
                                      password, &r.type, &r.subtype, &r.result, &r.rights, nullptr);
    return r;
}

// Closes the handle when the test ends.
struct HandleCloser {
    QW_DVR_HANDLE handle;
    ~HandleCloser() {
        if (handle != nullptr) {
            QW_DVR_NET_Close_Device(handle);
        }
    }
};

}  // namespace kestrel::test
