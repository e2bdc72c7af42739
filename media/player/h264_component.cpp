#include "h264_component.h"

#include "component_library.h"

namespace kestrel::media {
namespace {

H264ComponentApi* LoadApi() {
    auto* api = new H264ComponentApi;  // shared by every channel, never freed
    api->create = reinterpret_cast<Qw264DecCreateFn>(
        ComponentSymbol(kH264ComponentName, "Qw264DecCreate", &api->error));
    api->decode = reinterpret_cast<Qw264DecAUFn>(
        ComponentSymbol(kH264ComponentName, "Qw264DecAU", &api->error));
    api->destroy = reinterpret_cast<Qw264DecDestroyFn>(
        ComponentSymbol(kH264ComponentName, "Qw264DecDestroy", &api->error));
    return api;
}

}  // namespace

const H264ComponentApi& H264Component() {
    static const H264ComponentApi* api = LoadApi();
    return *api;
}

}  // namespace kestrel::media
