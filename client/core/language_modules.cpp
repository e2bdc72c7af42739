#include "language_modules.h"

#include "client_context.h"

namespace kestrel::client {

namespace {
// Its address names the module that holds the client core.
void AddressInClientCore() {}
}  // namespace

LanguageModules::LanguageModules(std::string folder) : folder_(std::move(folder)) {}

bool LanguageModules::EnsureLoaded(Module& module) {
    if (module.text) {
        return true;
    }
    const std::string folder =
        folder_.empty()
            ? platform::ModuleFolderOf(reinterpret_cast<const void*>(&AddressInClientCore))
            : folder_;
    platform::SharedLibrary library;
    if (!library.Load(folder, module.name)) {
        return false;
    }
    auto text =
        reinterpret_cast<KestrelStringTextFunction>(library.Symbol(KESTREL_STRING_TEXT_SYMBOL));
    if (!text) {
        return false;
    }
    module.library = std::move(library);
    module.text = text;
    return true;
}

std::optional<std::string> LanguageModules::Lookup(int32_t language, int id) {
    Module* module = language == kLanguageSimplifiedChinese    ? &simplifiedLib
                     : language == kLanguageTraditionalChinese ? &traditionalLib
                                                               : nullptr;
    if (!module || !EnsureLoaded(*module)) {
        return std::nullopt;
    }
    const char* text = module->text(id);
    if (!text) {
        return std::nullopt;
    }
    return std::string(text);
}

}  // namespace kestrel::client
