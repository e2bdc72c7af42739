// Inside the MCTP client: turning an answer into a call's result and
// outputs. Kept apart from the network so it can be fed any bytes.
#ifndef KESTREL_QW_VSCP_MCTP_CLINET_INTERNAL_H
#define KESTREL_QW_VSCP_MCTP_CLINET_INTERNAL_H

#include <cstdint>
#include <string_view>

#include "qw_vscp_mctp_client.h"

// Parses an answer (header text and body) and maps it onto call: result and
// outputs. Returns 0 when call->result is meaningful, else the parse or
// mapping failure (codec codes, QW_MCTP_ERR_SEGMENT_COUNT,
// QW_MCTP_ERR_NO_MEMORY). Never writes beyond an output's length.
int32_t QW_VSCP_MCTP_MapAnswer(std::string_view header_text, std::string_view body, MctpCall* call);

// Prints a client failure the way the client always reports them.
void QW_VSCP_MCTP_ReportError(const char* module, int line, int32_t code);

#endif  // KESTREL_QW_VSCP_MCTP_CLINET_INTERNAL_H
