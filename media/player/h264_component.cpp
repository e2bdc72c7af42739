#include "h264_component.h"

#include "platform/paths.h"

namespace kestrel::media {
namespace {

const int kAnchor = 0;  // an address inside this library, to find its folder

H264ComponentApi* LoadComponent() {
    auto* api = new H264ComponentApi;
    // Leaked on purpose, see the header: the library stays loaded.
    auto* library = new platform::SharedLibrary;
    if (!library->Load(platform::ModuleFolderOf(&kAnchor), kH264ComponentName)) {
        api->error = library->Error();
        return api;
    }
    api->create = reinterpret_cast<Qw264DecCreateFn>(library->Symbol("Qw264DecCreate"));
    api->decode = reinterpret_cast<Qw264DecAUFn>(library->Symbol("Qw264DecAU"));
    api->destroy = reinterpret_cast<Qw264DecDestroyFn>(library->Symbol("Qw264DecDestroy"));
    if (!api->Usable()) {
        api->error = library->Error();
        api->create = nullptr;
        api->decode = nullptr;
        api->destroy = nullptr;
    }
    return api;
}

}  // namespace

const H264ComponentApi& H264Component() {
    static const H264ComponentApi* api = LoadComponent();
    return *api;
}

}  // namespace kestrel::media
