// Loading a shared library by name from a folder, and finding a module's folder.
#include <gtest/gtest.h>

#include "platform/paths.h"

namespace {

using platform::SharedLibrary;

TEST(SharedLibrary, LoadsByNameFromAFolderAndFindsItsSymbols) {
    SharedLibrary library;
    ASSERT_TRUE(library.Load(platform::ProgramFolder(), "kestrel_platform_probe"))
        << library.Error();
    using Add = int (*)(int, int);
    auto add = reinterpret_cast<Add>(library.Symbol("kestrel_probe_add"));
    ASSERT_NE(add, nullptr) << library.Error();
    EXPECT_EQ(add(2, 3), 5);
    // The probe and the test program live side by side.
    static const int in_the_program = 0;
    EXPECT_EQ(platform::ModuleFolderOf(reinterpret_cast<const void*>(add)),
              platform::ProgramFolder());
    EXPECT_EQ(platform::ModuleFolderOf(&in_the_program), platform::ProgramFolder());

    EXPECT_EQ(library.Symbol("kestrel_probe_missing"), nullptr);
    EXPECT_NE(library.Error().find("kestrel_probe_missing"), std::string::npos) << library.Error();

    SharedLibrary moved = std::move(library);
    EXPECT_FALSE(library.Loaded());
    EXPECT_TRUE(moved.Loaded());
}

TEST(SharedLibrary, MissingLibraryFailsWithATextNamingIt) {
    SharedLibrary library;
    EXPECT_FALSE(library.Load(platform::ProgramFolder(), "kestrel_no_such_component"));
    EXPECT_FALSE(library.Loaded());
    EXPECT_NE(library.Error().find("libkestrel_no_such_component.so"), std::string::npos)
        << library.Error();
    EXPECT_EQ(library.Symbol("anything"), nullptr);
}

}  // namespace
