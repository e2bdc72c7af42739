// Fuzzes the HDP body parser: a body that parses must serialise and parse
// back to the same segments, extra lines included.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_entry.h"
#include "kestrel_net_codes.h"
#include "qw_vscp_dataproc_hdp.h"

namespace {

std::vector<std::string> Segments(const HdpBody* body) {
    int32_t count = 0;
    Check(QW_VSCP_Hdp_GetSegmentCount(body, &count) == QW_NET_OK && count >= 0);
    std::vector<std::string> segments;
    for (int32_t i = 1; i <= count; ++i) {
        const char* data = nullptr;
        uint32_t length = 0;
        Check(QW_VSCP_Hdp_GetSegment(body, i, &data, &length) == QW_NET_OK);
        Check(length == 0 || data != nullptr);
        segments.emplace_back(data != nullptr ? data : "", length);
    }
    const char* data = nullptr;
    uint32_t length = 0;
    Check(QW_VSCP_Hdp_GetSegment(body, count + 1, &data, &length) == QW_VSCP_ERR_SEGMENT_INDEX);
    return segments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HdpBody* body = nullptr;
    if (QW_VSCP_Hdp_ParserPacket(reinterpret_cast<const char*>(data), size, &body) != QW_NET_OK) {
        Check(body == nullptr);
        return 0;
    }
    const std::vector<std::string> segments = Segments(body);
    std::string packet;
    Check(QW_VSCP_Hdp_BuildPacket(body, &packet) == QW_NET_OK);
    QW_VSCP_Hdp_Free(body);

    HdpBody* again = nullptr;
    Check(QW_VSCP_Hdp_ParserPacket(packet.data(), packet.size(), &again) == QW_NET_OK);
    Check(Segments(again) == segments);
    std::string packet2;
    Check(QW_VSCP_Hdp_BuildPacket(again, &packet2) == QW_NET_OK);
    QW_VSCP_Hdp_Free(again);
    Check(packet2 == packet);  // extra lines survive too
    return 0;
}
