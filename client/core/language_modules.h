// The two translated string tables, each a language module loaded from a
// folder on first use and kept loaded until this object ends. A module that
// cannot be loaded leaves its handle empty; the next lookup tries again.
//
// Threading: used by one thread at a time (the GUI thread, through
// ClientContext::LoadText).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/paths.h"
#include "string_module.h"

namespace kestrel::client {

constexpr const char* kSimplifiedChineseModule = "SimplifiedChinese";
constexpr const char* kTraditionalChineseModule = "TraditionalChinese";

class LanguageModules {
public:
    // folder holds the modules; empty: the folder of the program or library
    // that contains the client core.
    explicit LanguageModules(std::string folder = {});

    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    // Text of id in language 1 or 2; nullopt when the language's module is
    // not loaded, lacks the id, or the language is another (the caller falls
    // back to English).
    std::optional<std::string> Lookup(int32_t language, int id);

private:
    struct Module {
        const char* name;
        platform::SharedLibrary library;
        KestrelStringTextFunction text = nullptr;
    };
    bool EnsureLoaded(Module& module);

    std::string folder_;
    Module simplifiedLib{kSimplifiedChineseModule, {}, nullptr};
    Module traditionalLib{kTraditionalChineseModule, {}, nullptr};
};

}  // namespace kestrel::client
