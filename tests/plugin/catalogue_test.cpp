#include "plugin/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/common/engine_fixture.h"

namespace {

class Catalogue : public testenv::CoreTest {
protected:
    void SetUp() override
    {
        dir.AddPlugin("catdata");
        dir.AddPlugin("testdata");
        LoadOnly();
    }
};

TEST_F(Catalogue, ReportsEveryVariableAndImageWithDuplicatesAndOddCounts)
{
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
        "Plugin variable: ID:\"v2\" Name:\"Shared two\" Type: 0 0",
        // An id written without a terminator is read up to the buffer's end.
        "Plugin variable: ID:\"" + std::string(256, 'x') + "\" Name:\"Long id\" Type: 0 1",
        "varCount: 3",
        "Plugin variable: ID:\"text1\" Name:\"Text one\" Type: 0 0",
        "Plugin variable: ID:\"int1\" Name:\"Integer one\" Type: 1 1",
        "Plugin variable: ID:\"ctext\" Name:\"Counter text\" Type: 0 2",
        "Plugin image: ID:\"img2\" Name:\"Checkerboard\"  SizeX: 4 SizeY: 4 0",
    };
    std::vector<std::string> log = testenv::LinesFrom(dir.LogLines(), expected.front());
    // CatB claims a million images: one line says so and only the first 4096 are read.
    const auto bound =
        std::find(log.begin(), log.end(), "Data source CatB reports 1000000 images; only the first 4096 are used");
    ASSERT_GT(log.end() - bound, 4096);
    EXPECT_EQ(bound[4096], "Plugin image: ID:\"i1\" Name:\"Small\"  SizeX: 0 SizeY: 0 4095");
    log.erase(bound, bound + 4097);
    log.resize(std::min(log.size(), expected.size()));
    EXPECT_EQ(log, expected);
}

TEST_F(Catalogue, LookupsAreExactAndPreferTheFirstSource)
{
    const VariableInfo v0 = core.findVariable("v0");
    EXPECT_EQ(v0.index, 3u); // the later duplicate wins within a source
    EXPECT_EQ(v0.name, "Var zero again");
    const VariableInfo v2 = core.findVariable("v2"); // in CatA and CatalogueSourceThree
    EXPECT_EQ(v2.component, core.dataSources[0].component);
    EXPECT_EQ(v2.type, static_cast<std::uint32_t>(GLANCER_VAR_DOUBLE));
    EXPECT_TRUE(core.findVariable("Mixed").found);
    for (const char* id : {"mixed", "MIXED", "nothing"})
        EXPECT_FALSE(core.findVariable(id).found) << id;

    EXPECT_TRUE(core.findImage("i0").found); // listed although it has no picture
    EXPECT_EQ(core.findImage("img2").component, core.dataSources[3].component);
    EXPECT_FALSE(core.findImage("IMG2").found);
}

} // namespace
