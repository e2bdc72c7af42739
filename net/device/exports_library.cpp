// Exports that need no device handle: library start-up, versions, result
// texts, address resolution, discovery and MD5.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "discovery.h"
#include "export_guard.h"
#include "host_address.h"
#include "library_state.h"
#include "md5_text.h"
#include "result_text.h"
#include "uid_lookup.h"

using namespace kestrel::net;

namespace {
constexpr char kVersionText[] = "1.1.1.3";
constexpr size_t kDottedAddressBytes = 16;
}  // namespace

extern "C" {

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_Init(void) {
    return Guarded([] { return StartSocketsOnce(); });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_Cleanup(void) {
    return Guarded([] { return StopSocketsIfStarted(); });
}

QW_NET_EXPORT const char* QW_API QW_DVR_NET_GetSDKVersion(void) {
    return kVersionText;
}
QW_NET_EXPORT const char* QW_API QW_DVR_NET_GetSRDKVersion(void) {
    return kVersionText;
}

QW_NET_EXPORT const char* QW_API QW_DVR_NET_ResultText(int32_t code) {
    return ResultText(code);
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetHostByName(const char* name, char* out_address) {
    if (name == nullptr || out_address == nullptr) {
        return QW_NET_ERR_BAD_ARGUMENT;
    }
    return Guarded([&] {
        std::string dotted;
        int32_t result = ResolveHostAddress(name, &dotted);
        if (result == QW_NET_OK) {
            std::memset(out_address, 0, kDottedAddressBytes);
            std::memcpy(out_address, dotted.c_str(),
                        std::min(dotted.size(), kDottedAddressBytes - 1));
        }
        return result;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_FreeFileList(FileNameList* list) {
    if (list == nullptr) {
        return QW_NET_OK;
    }
    if (list->entries != nullptr) {
        for (int32_t i = 0; i < list->count; ++i) {
            std::free(list->entries[i].name);
        }
        std::free(list->entries);
        list->entries = nullptr;
    }
    return QW_NET_OK;
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_CreateSearchDevRes(void) {
    return QW_NET_OK;
}

QW_NET_EXPORT void QW_API QW_DVR_NET_DestroySearchDevRes(int32_t, int32_t) {
    Guarded([] {
        DestroySearchResource();
        return QW_NET_OK;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetSearchDevCallback(SearchDevCallback callback,
                                                             void* user) {
    return Guarded([&] { return SetSearchCallback(callback, user); });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SearchDVR(void) {
    try {
        return StartSearch();
    } catch (...) {
        return kSearchNotStarted;
    }
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetDvrIpPort(const char* identifier,
                                                     DvrAddressRecord* out_record) {
    try {
        return LookupDvrAddress(identifier, out_record);
    } catch (...) {
        return 0;
    }
}

QW_NET_EXPORT const char* QW_API QW_DVR_NET_GetMD5Code(const void* data, int32_t length) {
    if (data == nullptr || length < 0) {
        return nullptr;
    }
    try {
        return length > 0 ? Md5OfBuffer(data, static_cast<size_t>(length))
                          : Md5OfFile(static_cast<const char*>(data));
    } catch (...) {
        return nullptr;
    }
}

}  // extern "C"
