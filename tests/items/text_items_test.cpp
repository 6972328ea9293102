#include "items/text_items.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core.h"
#include "tests/common/test_env.h"
#include "tests/items/fake_components.h"

namespace {

using fakes::FakeData;

TEST(TextItem, RedrawsOnlyWhenTheFormattedTextChanges)
{
    testenv::WorkDir dir;
    Core core;
    fakes::FakeDriver driver;
    core.frameBuffer.Bind(&driver);
    TextItem item;
    item.core = &core;
    item.SetParameter("x", "2");
    item.SetParameter("y", "1");
    item.SetParameter("textdata", "  hi there");
    item.SetParameter("fieldsize", "6");
    item.SetParameter("textpos", " right ");
    item.SetParameter("scrolltype", "sideways"); // unknown word: unchanged
    item.SetParameter("colour", "red");
    EXPECT_EQ(dir.LogLines(), std::vector<std::string>{"Unknown parameter:colour"});
    EXPECT_EQ(item.field.textPos, TextField::kRight);
    EXPECT_EQ(item.field.scrollType, TextField::kNone);
    EXPECT_TRUE(item.valid);

    item.Update();
    EXPECT_EQ(item.current, "  hi t");
    EXPECT_EQ(core.drawQueue.size(), 2u);
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 2u);

    item.Draw(core.frameBuffer, Rect{}, 0, kDrawModeOr);
    EXPECT_TRUE(driver.calls.empty());
    item.Draw(core.frameBuffer, Rect{}, 1, kDrawModeNone);
    EXPECT_EQ(driver.calls, std::vector<std::string>{"text:  hi t@2,1"});

    // A marquee's first window is the still text; then every update changes it.
    item.SetParameter("scrolltype", "left");
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 2u);
    item.Update();
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 6u);
    EXPECT_EQ(item.current, "hi the");

    item.SetParameter("fieldsize", "-4");
    EXPECT_EQ(item.field.fieldSize, 0);
    item.Update();
    EXPECT_EQ(item.current, "");
}

struct PluginTextTest : ::testing::Test {
    testenv::WorkDir dir;
    Core core;
    FakeData data;
    PluginTextItem item;

    void Bind(const FakeData::Variable& v)
    {
        data.variables = {v};
        core.dataSources.push_back(fakes::MakeSource(data, {"var"}, {}));
        item.core = &core;
        item.SetParameter("fieldsize", "300");
        item.SetParameter("varid", "var");
        ASSERT_TRUE(item.valid);
    }
    std::string Shown()
    {
        item.Update();
        return item.current.substr(0, item.current.find_last_not_of(' ') + 1);
    }
};

TEST_F(PluginTextTest, NumbersUseDecimalAndDefaultStreamFormat)
{
    FakeData::Variable v;
    v.integer = -42;
    Bind(v);
    EXPECT_EQ(Shown(), "-42");
    data.variables[0].integer = 2147483647;
    EXPECT_EQ(Shown(), "2147483647");

    data.variables[0].type = GLANCER_VAR_DOUBLE;
    item.variable.type = GLANCER_VAR_DOUBLE;
    const std::pair<double, const char*> doubles[] = {{2.5, "2.5"},       {100.0, "100"},    {1234567.0, "1.23457e+06"},
                                                      {0.0001, "0.0001"}, {-1e-5, "-1e-05"}, {1.0 / 3, "0.333333"}};
    for (const auto& [value, text] : doubles) {
        data.variables[0].real = value;
        EXPECT_EQ(Shown(), text);
    }
    EXPECT_EQ(item.current.size(), 300u);
}

TEST_F(PluginTextTest, TextValuesAreCutAtTheBuffer)
{
    FakeData::Variable v;
    v.type = GLANCER_VAR_TEXT;
    v.text = "CPU 42%";
    Bind(v);
    EXPECT_EQ(Shown(), "CPU 42%");
    data.variables[0].writeNothing = true;
    EXPECT_EQ(Shown(), "");
    data.variables[0].writeNothing = false;
    data.variables[0].fillWholeBuffer = true;
    EXPECT_EQ(Shown(), std::string(256, 'Z'));
}

TEST_F(PluginTextTest, WritingNothingReadsAsZero)
{
    FakeData::Variable v;
    v.type = GLANCER_VAR_DOUBLE;
    v.writeNothing = true;
    Bind(v);
    EXPECT_EQ(Shown(), "0");
}

TEST_F(PluginTextTest, UnboundOrUnknownVariablesShowNothing)
{
    item.core = &core;
    item.SetParameter("fieldsize", "3");
    item.Update();
    EXPECT_EQ(item.current, "   ");
    item.SetParameter("textdata", "x");
    item.SetParameter("varid", "nope");
    EXPECT_FALSE(item.valid);
    EXPECT_EQ(dir.LogLines(), (std::vector<std::string>{"Unknown parameter:textdata", "Variable ID not found: nope"}));

    FakeData::Variable v;
    v.type = 9;
    data.variables = {v};
    item.variable = data.Info(0, "odd");
    item.Update();
    EXPECT_EQ(item.current, "   ");
    EXPECT_EQ(data.valueCalls, 0);
}

} // namespace
