// Shared libraries loaded by name from a folder.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <utility>

#include "platform/paths.h"

namespace platform {
namespace {

std::string LastLoaderError(const char* fallback) {
    const char* text = ::dlerror();
    return text != nullptr ? std::string(text) : std::string(fallback);
}

}  // namespace

SharedLibrary::~SharedLibrary() {
    Unload();
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool SharedLibrary::Load(const std::string& folder, const std::string& name) {
    Unload();
    error_.clear();
    const std::string file = "lib" + name + ".so";
    const std::string path = folder.empty() ? file : JoinPath(folder, file);
    ::dlerror();
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        error_ = LastLoaderError("cannot load library");
        return false;
    }
    return true;
}

void* SharedLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr) {
        error_ = "library not loaded";
        return nullptr;
    }
    if (name == nullptr) {
        error_ = "no symbol name";
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(handle_, name);
    if (address == nullptr) {
        error_ = LastLoaderError("symbol not found");
    }
    return address;
}

void SharedLibrary::Unload() {
    if (handle_ != nullptr) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
}

std::string ModuleFolderOf(const void* address) {
    Dl_info info{};
    if (address == nullptr || ::dladdr(address, &info) == 0 || info.dli_fname == nullptr ||
        info.dli_fname[0] == '\0') {
        return ProgramFolder();
    }
    // The loader reports the name it was given, which may be relative.
    char resolved[PATH_MAX];
    const std::string file =
        ::realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? ProgramFolder() : file.substr(0, slash + 1);
}

}  // namespace platform
