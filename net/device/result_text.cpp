#include "result_text.h"

#include "kestrel_net_codes.h"

namespace kestrel::net {

const char* ResultText(int32_t code) {
    switch (code) {
        case QW_NET_OK:
            return "success";
        case QW_NET_ERR_BAD_ARGUMENT:
            return "bad argument";
        case QW_NET_ERR_NO_MEMORY:
            return "out of memory";
        case QW_NET_ERR_THREAD:
            return "worker thread could not start";
        case QW_NET_ERR_NO_LINK:
            return "device has no command link";
        case QW_NET_ERR_IDENTIFY_CONNECT:
            return "identification connection failed";
        case QW_NET_ERR_CONNECT:
            return "connect failed or timed out";
        case QW_NET_ERR_SEND:
            return "sending a request failed";
        case QW_NET_ERR_BAD_ADDRESS:
            return "not an IPv4 address or host name";
        case QW_NET_ERR_RESOLVE:
            return "host name could not be resolved";
        case QW_NET_ERR_RESPONSE:
            return "no, short or malformed response";
        case QW_NET_ERR_NO_STREAM:
            return "channel has no live stream";
        case QW_NET_ERR_STREAM_RUNNING:
            return "live stream already running";
        case QW_NET_ERR_FILE_OPEN:
            return "firmware file cannot be opened";
        case QW_NET_ERR_FORMAT_BUSY:
            return "disk format in progress";
        case QW_NET_ERR_NOT_STARTED:
            return "channel was not started";
        case QW_NET_ERR_UNSUPPORTED_TYPE:
            return "recorder type not supported";
        case QW_NET_ERR_NOT_SUPPORTED:
            return "operation not supported";
        case QW_NET_ERR_UPLOAD_BUSY:
            return "firmware upload in progress";
        case QW_MCTP_ERR_SEGMENT_COUNT:
            return "MCTP answer has the wrong segment count";
        case QW_MCTP_ERR_BAD_SETTINGS:
            return "MCTP bad settings or closed socket";
        case QW_MCTP_ERR_NOT_OPEN:
            return "MCTP client not open";
        case QW_MCTP_ERR_NO_MEMORY:
            return "MCTP client out of memory";
        case QW_MCTP_ERR_ALREADY_OPEN:
            return "MCTP client already open";
        case QW_MCTP_ERR_UNKNOWN_CALL:
            return "recorder does not know the call";
        case QW_VSCP_ERR_NO_MEMORY:
            return "MCTP codec out of memory";
        case QW_VSCP_ERR_BAD_ARGUMENT:
            return "MCTP codec bad argument or missing segment";
        case QW_VSCP_ERR_FIELD_NOT_FOUND:
            return "MCTP header field not found";
        case QW_VSCP_ERR_BAD_START_LINE:
            return "MCTP start line without version";
        case QW_VSCP_ERR_NO_MORE_LINES:
            return "MCTP no further line";
        case QW_VSCP_ERR_NO_LINES:
            return "MCTP empty line list";
        case QW_VSCP_ERR_BAD_HEADER_LINE:
            return "MCTP header line without name";
        case QW_VSCP_ERR_NO_SEGMENT:
            return "MCTP segment line before any segment";
        case QW_VSCP_ERR_BAD_SEGMENT_NUM:
            return "MCTP body without Segment-Num";
        case QW_VSCP_ERR_SEGMENT_INDEX:
            return "MCTP segment index above count";
        case QW_VSCP_ERR_SEGMENT_MISSING:
            return "MCTP no segment with that index";
        case QW_VSCP_ERR_DATA_LENGTH:
            return "MCTP segment runs past the body";
        case QW_VSCP_ERR_HEADER_TOO_LONG:
            return "MCTP header block too long";
        case QW_TRANS_ERR_SEND_TIMEOUT:
            return "MCTP send timed out";
        case QW_TRANS_ERR_SEND:
            return "MCTP send failed";
        case QW_TRANS_ERR_TIMEOUT:
            return "MCTP receive timed out";
        case QW_TRANS_ERR_RECEIVE:
            return "MCTP receive failed or peer closed";
        case QW_TRANS_ERR_HEADER_TOO_LONG:
            return "MCTP header over 2047 bytes";
        case QW_TRANS_ERR_LEFTOVER_FULL:
            return "MCTP leftover store full";
        case QW_TRANS_ERR_REGISTERED:
            return "MCTP socket already registered";
        case QW_TRANS_ERR_NOT_REGISTERED:
            return "MCTP socket not registered";
        case QW_TRANS_ERR_BODY_TOO_LONG:
            return "MCTP body too long";
        case QW_TRANS_ERR_BAD_CONTENT_LENGTH:
            return "MCTP bad Content-Length";
        default:
            return "recorder result";
    }
}

}  // namespace kestrel::net
