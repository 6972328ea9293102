#include "plugin/catalogue.h"

#include <gtest/gtest.h>

#include "core/core.h"
#include "core/core_services.h"
#include "plugin/plugin_loader.h"
#include "tests/common/engine_env.h"

namespace {

using testenv::EngineDir;
using testenv::FindLine;

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.AddPlugin("catdata", "a_cat");
        dir.AddPlugin("testdata", "b_data");
        BindCoreServices(&core);
        loadPlugins(core.plugins, GetCoreServices());
        for (PluginRecord& record : core.plugins)
            enumerateFactories(record);
        for (PluginRecord& record : core.plugins)
            createComponents(record, core);
        for (DataSource& source : core.dataSources)
            fillDataSource(source);
    }
    void TearDown() override
    {
        for (DataSource& source : core.dataSources)
            source.component->vtbl->shutdown(source.component);
        for (PluginRecord& record : core.plugins)
            unloadPlugin(record);
    }

    EngineDir dir;
    Core core;
};

TEST_F(Catalogue, ReportsEveryVariableAndImage)
{
    const auto log = dir.LogLines();
    const std::size_t first = FindLine(log, "varCount: 4");
    ASSERT_NE(first, std::string::npos);
    const std::vector<std::string> expected = {
        "varCount: 4",
        "Plugin variable: ID:\"v0\" Name:\"Var zero\" Type: 1 0",
        "Plugin variable: ID:\"Mixed\" Name:\"Mixed case\" Type: 0 1",
        "Plugin variable: ID:\"v2\" Name:\"Var two\" Type: 2 2",
        "Plugin variable: ID:\"v0\" Name:\"Var zero again\" Type: 1 3",
        "Plugin image: ID:\"i0\" Name:\"Null image\"  SizeX: 0 SizeY: 0 0",
        "Plugin image: ID:\"i1\" Name:\"Small\"  SizeX: 3 SizeY: 2 1",
        "varCount: -1",
        "varCount: 2",
    };
    ASSERT_LE(first + expected.size(), log.size());
    EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(first),
                                       log.begin() + static_cast<std::ptrdiff_t>(first + expected.size())),
              expected);
    EXPECT_NE(FindLine(log, "Plugin image: ID:\"img2\" Name:\"Image two\"  SizeX: 4 SizeY: 4 1"), std::string::npos);
}

TEST_F(Catalogue, ListsKeepDuplicatesAndMapsKeepTheLastIndex)
{
    ASSERT_EQ(core.dataSources.size(), 4u);
    const DataSource& a = core.dataSources[0];
    EXPECT_EQ(a.variableIds, (std::vector<std::string>{"v0", "Mixed", "v2", "v0"}));
    EXPECT_EQ(a.variableNames.size(), 4u);
    EXPECT_EQ(a.variables.size(), 3u);
    EXPECT_EQ(a.imageSizes, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 0}, {3, 2}}));

    const DataSource& b = core.dataSources[1];
    EXPECT_TRUE(b.variableIds.empty());
    EXPECT_TRUE(b.variables.empty());
    EXPECT_TRUE(b.imageIds.empty());

    // An id written without a terminator is read up to the buffer's end.
    const DataSource& c = core.dataSources[2];
    ASSERT_EQ(c.variableIds.size(), 2u);
    EXPECT_EQ(c.variableIds[1], std::string(256, 'x'));
}

TEST_F(Catalogue, LookupsAreExactAndPreferTheFirstSource)
{
    const VariableInfo v0 = core.findVariable("v0");
    ASSERT_TRUE(v0.found);
    EXPECT_EQ(v0.index, 3u);
    EXPECT_EQ(v0.name, "Var zero again");
    EXPECT_EQ(v0.component, core.dataSources[0].component);

    const VariableInfo shared = core.findVariable("v2");
    ASSERT_TRUE(shared.found);
    EXPECT_EQ(shared.component, core.dataSources[0].component);
    EXPECT_EQ(shared.type, static_cast<std::uint32_t>(GLANCER_VAR_DOUBLE));

    EXPECT_TRUE(core.findVariable("Mixed").found);
    EXPECT_FALSE(core.findVariable("mixed").found);
    EXPECT_FALSE(core.findVariable("MIXED").found);
    const VariableInfo missing = core.findVariable("nothing");
    EXPECT_FALSE(missing.found);
    EXPECT_TRUE(missing.id.empty());

    const ImageInfo nullImage = core.findImage("i0");
    ASSERT_TRUE(nullImage.found);
    EXPECT_EQ(nullImage.index, 0u);
    const ImageInfo img1 = core.findImage("img1");
    ASSERT_TRUE(img1.found);
    EXPECT_EQ(img1.component, core.dataSources[3].component);
    EXPECT_FALSE(core.findImage("IMG1").found);
}

} // namespace
