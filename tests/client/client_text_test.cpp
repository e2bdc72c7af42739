// LoadText over the built-in English table and the two language modules,
// which are the real shared libraries built next to this test.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "client_context.h"
#include "client_test_support.h"
#include "english_texts.h"
#include "platform/paths.h"
#include "string_module.h"
#include "text_ids.h"

namespace kestrel::client_test {
namespace {

using namespace client;

std::string ModuleFile(const char* name) {
    return platform::ProgramFolder() + "lib" + name + ".so";
}

TEST(ClientText, LanguagesOutsideTheThreeAndUnknownIdsGiveEmptyText) {
    TestFolders folders;
    ClientContext context(folders.HomeFolder());
    EXPECT_EQ(context.LoadText(kTextLogin), "LOGIN");
    EXPECT_EQ(context.LoadText(999999), "");
    for (int language : {7, -1, 3}) {
        context.language = language;
        EXPECT_EQ(context.LoadText(kTextLogin), "") << language;
    }
}

TEST(ClientText, AMissingModuleFallsBackToEnglishUntilItAppears) {
    TestFolders folders;
    TempDir moduleFolder;
    ClientContext context(folders.HomeFolder());
    context.SetLanguageModuleFolder(moduleFolder.path());
    context.language = kLanguageSimplifiedChinese;
    EXPECT_EQ(context.LoadText(kTextLoginFailed), "Login Failed!");

    std::filesystem::copy_file(ModuleFile(kSimplifiedChineseModule),
                               moduleFolder.File("libSimplifiedChinese.so"));
    EXPECT_EQ(context.LoadText(kTextLoginFailed), "登录失败！");
    // The other language's module is still missing.
    context.language = kLanguageTraditionalChinese;
    EXPECT_EQ(context.LoadText(kTextLoginFailed), "Login Failed!");
}

TEST(ClientText, TheModulesNextToTheProgramTranslate) {
    TestFolders folders;
    ClientContext context(folders.HomeFolder());
    context.SetLanguage(kLanguageSimplifiedChinese);
    EXPECT_EQ(context.LoadText(kTextUserLogin), "用户登录");
    EXPECT_EQ(context.LoadText(kTextSubStream), "子码流");
    context.SetLanguage(kLanguageTraditionalChinese);
    EXPECT_EQ(context.LoadText(kTextUserLogin), "使用者登入");
    EXPECT_EQ(context.LoadText(kTextInsufficientDiskSpace), "磁碟空間不足");
    context.SetLanguage(kLanguageEnglish);
    EXPECT_EQ(context.LoadText(kTextSelectNetwork), "Please Select Network Environment!");
}

TEST(ClientText, EveryEnglishTextHasADistinctIdAndATranslationInBothModules) {
    std::set<int> ids;
    for (const StringEntry& entry : EnglishTable()) {
        EXPECT_TRUE(ids.insert(entry.id).second) << "id " << entry.id << " twice";
        EXPECT_NE(std::string(entry.text), "") << entry.id;
        EXPECT_EQ(EnglishText(entry.id), entry.text) << "table out of order at " << entry.id;
    }
    for (const char* name : {kSimplifiedChineseModule, kTraditionalChineseModule}) {
        SCOPED_TRACE(name);
        platform::SharedLibrary module;
        ASSERT_TRUE(module.Load(platform::ProgramFolder(), name)) << module.Error();
        auto text =
            reinterpret_cast<KestrelStringTextFunction>(module.Symbol(KESTREL_STRING_TEXT_SYMBOL));
        ASSERT_NE(text, nullptr) << module.Error();
        for (const StringEntry& entry : EnglishTable()) {
            const char* translated = text(entry.id);
            ASSERT_NE(translated, nullptr) << "no text " << entry.id << " (" << entry.text << ")";
            EXPECT_NE(std::string(translated), "") << entry.id;
        }
        EXPECT_EQ(text(999999), nullptr);
    }
}

}  // namespace
}  // namespace kestrel::client_test
