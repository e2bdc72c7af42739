#include "component_library.h"

#include <map>
#include <mutex>

#include "platform/paths.h"

namespace kestrel::media {
namespace {

const int kAnchor = 0;  // an address inside this library, to find its folder

struct Registry {
    std::mutex mutex;
    std::map<std::string, platform::SharedLibrary*> loaded;  // never unloaded
};

Registry& Components() {
    static Registry* registry = new Registry;  // outlives static destruction
    return *registry;
}

}  // namespace

void* ComponentSymbol(const char* name, const char* symbol, std::string* error) {
    Registry& registry = Components();
    std::lock_guard lock(registry.mutex);
    platform::SharedLibrary*& library = registry.loaded[name];
    if (library == nullptr) {
        auto* fresh = new platform::SharedLibrary;
        if (!fresh->Load(platform::ModuleFolderOf(&kAnchor), name)) {
            *error = fresh->Error();
            delete fresh;
            registry.loaded.erase(name);
            return nullptr;
        }
        library = fresh;
    }
    void* address = library->Symbol(symbol);
    if (address == nullptr) {
        *error = library->Error();
    }
    return address;
}

}  // namespace kestrel::media
