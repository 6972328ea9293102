#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "tests/common/test_env.h"

namespace {

std::vector<std::string> SearchAll()
{
    std::vector<std::string> names;
    platform::ModuleSearch search;
    if (!search.First())
        return names;
    do
        names.push_back(search.FileName());
    while (search.Next() == platform::ModuleSearch::Result::Found);
    EXPECT_EQ(search.Next(), platform::ModuleSearch::Result::NoMoreFiles);
    return names;
}

TEST(ModuleSearch, ListsModuleFilesSortedByName)
{
    testenv::WorkDir dir;
    EXPECT_TRUE(SearchAll().empty());

    for (const char* file : {"zeta.so", "alpha.so", "notes.so.txt", "Beta.so", "folder.so/inside.so"})
        dir.Write(file, ""); // the folder "folder.so" is not a module
    EXPECT_EQ(SearchAll(), (std::vector<std::string>{"Beta.so", "alpha.so", "zeta.so"}));
}

TEST(Modules, LoadClearsTheErrorAndAFailureExplainsItself)
{
    testenv::WorkDir dir;
    dir.AddPlugin("nullmodule");
    std::string error = "stale";
    platform::ModuleHandle module = platform::LoadModule((dir.Path() / "nullmodule.so").string(), error);
    ASSERT_NE(module, nullptr) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(platform::FindSymbol(module, "notExported"), nullptr);
    platform::FreeModule(module);
    EXPECT_EQ(platform::LoadModule((dir.Path() / "missing.so").string(), error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(Paths, StayWithinTheirBuffersAndMapSeparators)
{
    testenv::WorkDir dir;
    std::string current, path = "unchanged";
    ASSERT_TRUE(platform::CurrentDirectory(current));
    EXPECT_EQ(current, dir.Path().string());
    const std::string fits(259 - current.size() - 1, 'n');
    EXPECT_TRUE(platform::FullPath(fits, path));
    EXPECT_EQ(path.size(), 259u);
    EXPECT_FALSE(platform::FullPath(fits + "n", path));
    EXPECT_EQ(platform::NativePath("screens\\sub\\a.xml"), "screens/sub/a.xml");
}

} // namespace
