#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "plugin/api/glancer_plugin.h"
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

    dir.AddPlugin("exportonly", "zeta");
    dir.AddPlugin("exportonly", "alpha");
    dir.Write("notes.so.txt", "");
    dir.Write("folder.so/inside.so", ""); // a directory is not a module
    dir.Write("Beta.so", "");
    EXPECT_EQ(SearchAll(), (std::vector<std::string>{"Beta.so", "alpha.so", "zeta.so"}));
}

TEST(Modules, LoadsARealPluginAndReportsFailures)
{
    testenv::WorkDir dir;
    dir.AddPlugin("exportonly");
    dir.Write("broken.so", "not a shared object");

    std::string path;
    ASSERT_TRUE(platform::FullPath("exportonly.so", path));
    EXPECT_EQ(path, (dir.Path() / "exportonly.so").string());

    std::string error = "stale";
    platform::ModuleHandle module = platform::LoadModule(path, error);
    ASSERT_NE(module, nullptr) << error;
    EXPECT_EQ(error, "");
    auto entry = reinterpret_cast<GetInterfaceFunction>(platform::FindSymbol(module, "getInterface"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
    EXPECT_EQ(platform::FindSymbol(module, "notExported"), nullptr);
    platform::FreeModule(module);

    for (const char* name : {"missing.so", "broken.so"}) {
        ASSERT_TRUE(platform::FullPath(name, path));
        EXPECT_EQ(platform::LoadModule(path, error), nullptr);
        EXPECT_FALSE(error.empty()) << name;
    }
}

TEST(Paths, StayWithinTheirBuffersAndMapSeparators)
{
    testenv::WorkDir dir;
    std::string current;
    ASSERT_TRUE(platform::CurrentDirectory(current));
    EXPECT_EQ(current, dir.Path().string());

    std::string path = "unchanged";
    const std::string fits(259 - current.size() - 1, 'n');
    EXPECT_TRUE(platform::FullPath(fits, path));
    EXPECT_EQ(path.size(), 259u);
    EXPECT_FALSE(platform::FullPath(fits + "n", path));

    EXPECT_EQ(platform::NativePath("screens\\sub\\a.xml"), "screens/sub/a.xml");
}

} // namespace
