// Fuzzes the MCTP message parser. Input: a header block and, after the first
// "\r\n\r\n", the body. A message that parses must serialise again, parse
// again, and serialise to the same bytes the second time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_entry.h"
#include "kestrel_net_codes.h"
#include "qw_vscp_dataproc.h"

namespace {

// Serialising adds at most two start-line spaces, one missing CR LF and a
// missing empty line, so only headers this close to the limit may grow past it.
constexpr size_t kMaxGrowth = 6;

void LookUpFields(const MctpMessage* msg) {
    for (const char* name : {"Content-Length", "Return-Code", "AddedData-Length", "CSeq", ""}) {
        const char* value = nullptr;
        int32_t code = QW_VSCP_DataProc_Msg_GetHeadField(msg, name, &value);
        Check(code == QW_NET_OK || code == QW_VSCP_ERR_FIELD_NOT_FOUND);
        int32_t number = 0;
        code = QW_VSCP_DataProc_Msg_GetIntField(msg, name, &number);
        Check(code == QW_NET_OK || code == QW_VSCP_ERR_BAD_HEADER_LINE);
    }
    MctpKind kind{};
    const char* second = nullptr;
    Check(QW_VSCP_DataProc_Msg_GetStartLine(msg, &kind, &second) == QW_NET_OK);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t split = input.find("\r\n\r\n");
    split = split == std::string_view::npos ? size : split + 4;
    const std::string_view header = input.substr(0, split);
    const std::string_view body = input.substr(split);

    MctpMessage* msg = nullptr;
    if (QW_VSCP_DataProc_Msg_ParserPacket(header, body.empty() ? nullptr : body.data(), body.size(),
                                          kMctpVersion, &msg) != QW_NET_OK) {
        Check(msg == nullptr);
        return 0;
    }
    LookUpFields(msg);

    std::string header1;
    std::string body1;
    int32_t code = QW_VSCP_DataProc_Msg_BuildPacket(msg, &header1, &body1);
    QW_VSCP_DataProc_Msg_Destroy(msg);
    if (code == QW_VSCP_ERR_HEADER_TOO_LONG) {
        Check(header.size() + kMaxGrowth >= kMctpHeaderBufferSize);
        return 0;
    }
    Check(code == QW_NET_OK && body1 == body);

    MctpMessage* again = nullptr;
    Check(QW_VSCP_DataProc_Msg_ParserPacket(header1, body1.data(), body1.size(), kMctpVersion,
                                            &again) == QW_NET_OK);
    std::string header2;
    std::string body2;
    code = QW_VSCP_DataProc_Msg_BuildPacket(again, &header2, &body2);
    QW_VSCP_DataProc_Msg_Destroy(again);
    Check(code == QW_NET_OK && header2 == header1 && body2 == body1);
    return 0;
}
