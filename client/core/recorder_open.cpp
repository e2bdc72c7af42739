#include "recorder_open.h"

namespace kestrel::client {

OpenedRecorder OpenRecorder(const OpenRequest& request) {
    OpenedRecorder opened;
    opened.handle =
        QW_DVR_NET_Open_Device_Ex(request.ip.c_str(), request.mediaPort, request.setupPort,
                                  request.user.c_str(), request.password.c_str(), &opened.type,
                                  &opened.subtype, &opened.result, &opened.rights, nullptr);
    return opened;
}

}  // namespace kestrel::client
