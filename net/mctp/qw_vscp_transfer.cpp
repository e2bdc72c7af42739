#include "qw_vscp_transfer.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <utility>

#include "kestrel_net_codes.h"
#include "qw_socket.h"
#include "qw_vscp_dataproc_internal.h"
#include "qw_vscp_trace.h"

namespace {

constexpr std::string_view kContentLength = "Content-Length";

// The header is read in pieces into a buffer of this size.
constexpr size_t kHeaderBufferSize = kMctpMaxHeaderLength + 1;

// Splits the header block off the front of *header; the bytes after the
// terminator go to *rest. False when there is no terminator (yet).
bool SplitAtTerminator(std::string* header, size_t search_from, std::string* rest, size_t* end) {
    const size_t at = header->find(kQwBlockEnd, search_from);
    if (at == std::string::npos) {
        return false;
    }
    *end = at + kQwBlockEnd.size();
    rest->assign(*header, *end);
    header->resize(*end);
    return true;
}

// Receives until *header holds "\r\n\r\n"; what came after it goes to *rest.
int32_t ReceiveHeader(platform::Socket& socket, MctpWaitTime wait, std::string* header,
                      std::string* rest) {
    const int wait_ms = QW_CSOCKET_WaitMs(wait);
    char piece[kHeaderBufferSize];
    // Each pass adds at least one byte, and the header is bounded, so the
    // loop ends after at most kMctpMaxHeaderLength passes.
    for (;;) {
        if (header->size() >= kMctpMaxHeaderLength) {
            return QW_TRANS_ERR_HEADER_TOO_LONG;
        }
        if (const int32_t waited = QW_SOCKET_WaitReadable(socket, wait_ms); waited != 0) {
            return waited;
        }
        const long received = socket.Receive(piece, kHeaderBufferSize - header->size());
        if (received <= 0) {
            return QW_TRANS_ERR_RECEIVE;
        }
        // A terminator may have started in the bytes already held.
        const size_t search_from = header->size() >= kQwBlockEnd.size() - 1
                                       ? header->size() - (kQwBlockEnd.size() - 1)
                                       : 0;
        header->append(piece, static_cast<size_t>(received));
        size_t end = 0;
        if (SplitAtTerminator(header, search_from, rest, &end)) {
            return end > kMctpMaxHeaderLength ? QW_TRANS_ERR_HEADER_TOO_LONG : QW_NET_OK;
        }
    }
}

int32_t ParseContentLength(std::string_view header, size_t* length) {
    *length = 0;
    const size_t at = header.find(kContentLength);
    if (at == std::string_view::npos) {
        return QW_NET_OK;
    }
    // A colon on a later line would take another field's value.
    const size_t line_end = std::min(header.find(kQwLineEnd, at), header.size());
    const size_t colon = header.find(':', at);
    if (colon == std::string_view::npos || colon > line_end) {
        return QW_TRANS_ERR_BAD_CONTENT_LENGTH;
    }
    const std::string_view value =
        QW_VSCP_DataProc_Trim(header.substr(colon + 1, line_end - colon - 1));
    uint64_t number = 0;
    if (!QW_VSCP_DataProc_ParseDecimal(value, UINT64_MAX, &number)) {
        return QW_TRANS_ERR_BAD_CONTENT_LENGTH;
    }
    if (number > kMctpMaxBodyLength) {
        return QW_TRANS_ERR_BODY_TOO_LONG;
    }
    *length = static_cast<size_t>(number);
    return QW_NET_OK;
}

int32_t ReceiveMessage(platform::Socket& socket, MctpWaitTime wait, std::string* header_text,
                       std::string* body) {
    std::string header;
    int32_t code = QW_SOCKET_TakeLeftover(socket, &header);
    if (code != QW_NET_OK) {
        return code;
    }
    std::string rest;
    size_t end = 0;
    if (SplitAtTerminator(&header, 0, &rest, &end)) {
        code = end > kMctpMaxHeaderLength ? QW_TRANS_ERR_HEADER_TOO_LONG : QW_NET_OK;
    } else {
        code = ReceiveHeader(socket, wait, &header, &rest);
    }
    if (code != QW_NET_OK) {
        return code;
    }

    size_t length = 0;
    code = ParseContentLength(header, &length);
    if (code != QW_NET_OK) {
        return code;
    }
    QW_VSCP_Trace(kQwTraceTagTransfer, QW_TRACE_DEBUG,
                  "\r\n======QW_VSCP_Transfer_Receive : %s %d: s32BodyLength = %d\r\n", __FILE__,
                  __LINE__, static_cast<int>(length));

    // Bytes read past the header belong to the body first; only what lies
    // beyond the message has to fit the leftover entry.
    const size_t from_rest = std::min(length, rest.size());
    code = QW_SOCKET_PutLeftover(socket, std::string_view(rest).substr(from_rest));
    if (code != QW_NET_OK) {
        return code;
    }
    std::string received_body(rest, 0, from_rest);
    received_body.resize(length);
    char* body_pos = received_body.data() + from_rest;
    const size_t remaining = length - from_rest;
    QW_VSCP_Trace(
        kQwTraceTagTransfer, QW_TRACE_DEBUG,
        "\r\n======QW_VSCP_Transfer_Receive : %s %d: s32RemSize = %d pszBodyPos = %p \r\n",
        __FILE__, __LINE__, static_cast<int>(remaining), static_cast<void*>(body_pos));
    if (remaining > 0) {
        code = QW_SOCKET_Recv(socket, wait, body_pos, remaining);
        if (code != QW_NET_OK) {
            return code;
        }
    }
    *header_text = std::move(header);
    *body = std::move(received_body);
    return QW_NET_OK;
}

// Unregisters and closes the request's socket on every way out.
class RequestSocket {
public:
    RequestSocket() = default;
    ~RequestSocket() {
        if (registered_) {
            QW_SOCKET_UnregisterLeftover(sock_.socket);
        }
        QW_CSOCKET_Close(&sock_);
    }
    RequestSocket(const RequestSocket&) = delete;
    RequestSocket& operator=(const RequestSocket&) = delete;

    MctpSocket* get() { return &sock_; }
    int32_t Register() {
        const int32_t code = QW_SOCKET_RegisterLeftover(sock_.socket, kMctpLeftoverCapacity);
        registered_ = code == QW_NET_OK;
        return code;
    }

private:
    MctpSocket sock_;
    bool registered_ = false;
};

int32_t ConnectFailed(int32_t code) {
    std::printf("Connect error :%d!\n", static_cast<int>(code));
    std::fflush(stdout);
    return code;
}

}  // namespace

int32_t QW_VSCP_Transfer_Receive(platform::Socket& socket, MctpWaitTime wait,
                                 std::string* header_text, std::string* body) {
    QW_VSCP_Trace(kQwTraceTagTransfer, QW_TRACE_DEBUG,
                  "\r\n======QW_VSCP_Transfer_Receive : %s %d\r\n", __FILE__, __LINE__);
    if (header_text == nullptr || body == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    try {
        return ReceiveMessage(socket, wait, header_text, body);
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
}

int32_t QW_VSCP_Transfer_SendRequest(const char* dotted_ip, uint16_t port, MctpWaitTime wait,
                                     std::string_view header_text, std::string_view body,
                                     std::string* response_header, std::string* response_body) {
    if (response_header == nullptr || response_body == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    RequestSocket request;
    int32_t code = QW_CSOCKET_Open(request.get(), platform::Socket(), wait);
    if (code == QW_NET_OK) {
        code = QW_CSOCKET_Connect(request.get(), dotted_ip, port);
    }
    if (code != QW_NET_OK) {
        return ConnectFailed(code);
    }
    code = request.Register();
    if (code == QW_NET_OK) {
        code = QW_CSOCKET_Send(request.get(), header_text.data(), header_text.size());
    }
    if (code == QW_NET_OK && !body.empty()) {
        code = QW_CSOCKET_Send(request.get(), body.data(), body.size());
    }
    if (code == QW_NET_OK) {
        code = QW_VSCP_Transfer_Receive(request.get()->socket, request.get()->receive_wait,
                                        response_header, response_body);
    }
    return code;
}
