#include "items/text_items.h"

#include <gtest/gtest.h>

#include "core/core.h"
#include "tests/common/test_env.h"
#include "tests/items/fakes.h"

namespace {

TEST(TextItem, QueuesARedrawOnlyWhenItsTextChanges)
{
    testenv::WorkDir dir;
    Core core;
    fakes::FakeDriver driver;
    core.frameBuffer.Bind(&driver);
    TextItem item;
    item.core = &core;
    for (auto [name, value] : {std::pair{"x", "2"},
                               {"y", "1"},
                               {"textdata", " hi there"},
                               {"fieldsize", "5"},
                               {"textpos", " right "},
                               {"scrolltype", "sideways"},
                               {"X", "3"}})
        item.SetParameter(name, value);
    EXPECT_EQ(dir.LogLines(), std::vector<std::string>{"Unknown parameter:X"});

    item.Update();
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 2u);
    item.Draw(core.frameBuffer, Rect{}, 0x100, kDrawModeOr); // only the low byte of send counts
    item.Draw(core.frameBuffer, Rect{}, 1, kDrawModeNone);
    EXPECT_EQ(driver.calls, std::vector<std::string>{"text: hi t@2,1"});

    item.SetParameter("scrolltype", "left");
    item.Update(); // the first window is the still text
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 4u);
}

struct PluginTextTest : ::testing::Test {
    testenv::WorkDir dir;
    Core core;
    fakes::FakeData data;
    PluginTextItem item;

    void SetUp() override { item.core = &core; }
    std::string Shown(std::uint32_t type)
    {
        data.type = type;
        if (core.dataSources.empty()) {
            core.dataSources.push_back(data.Source());
            item.SetParameter("fieldsize", "300");
            item.SetParameter("varid", "var");
        }
        item.variable.type = type;
        item.Update();
        return item.current.substr(0, item.current.find_last_not_of(' ') + 1);
    }
};

TEST_F(PluginTextTest, ValuesAreFormattedByType)
{
    data.integer = -42;
    EXPECT_EQ(Shown(GLANCER_VAR_INT), "-42");
    for (auto [value, text] : {std::pair{2.5, "2.5"}, {100.0, "100"}, {1234567.0, "1.23457e+06"}, {1e-5, "1e-05"}}) {
        data.real = value;
        EXPECT_EQ(Shown(GLANCER_VAR_DOUBLE), text);
    }
    data.text = "CPU 42%";
    EXPECT_EQ(Shown(GLANCER_VAR_TEXT), "CPU 42%");
    data.fill = true; // 256 bytes, no terminator
    EXPECT_EQ(Shown(GLANCER_VAR_TEXT), std::string(256, 'Z'));
    const int calls = data.valueCalls;
    EXPECT_EQ(Shown(7), "");
    EXPECT_EQ(data.valueCalls, calls);
}

TEST_F(PluginTextTest, WithoutAVariableTheTextIsEmpty)
{
    item.SetParameter("fieldsize", "3");
    item.Update();
    EXPECT_EQ(item.current, "   ");
    item.SetParameter("textdata", "x");
    item.SetParameter("varid", "nope");
    EXPECT_FALSE(item.valid);
    EXPECT_EQ(dir.LogLines(), (std::vector<std::string>{"Unknown parameter:textdata", "Variable ID not found: nope"}));
}

} // namespace
