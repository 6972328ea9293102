#include "items/text_items.h"

#include <gtest/gtest.h>

#include "core/core.h"
#include "items/text_field.h"
#include "tests/items/fakes.h"

namespace {

using Texts = std::vector<std::string>;

// The windows `calls` successive Formats show.
Texts Formats(const std::string& text, std::int32_t size, std::uint32_t pos, std::uint32_t scroll, int calls = 1)
{
    TextField f;
    f.text = text;
    f.fieldSize = size;
    f.textPos = pos;
    f.scrollType = scroll;
    Texts shown;
    for (int i = 0; i < calls; ++i)
        shown.push_back(f.Format());
    return shown;
}

TEST(TextField, StillTextIsPaddedOrCutKeepingItsStart)
{
    const auto still = [](const char* text, std::int32_t size, std::uint32_t pos) {
        return Formats(text, size, pos, TextField::kNone)[0];
    };
    EXPECT_EQ(still("abc", 10, TextField::kLeft), "abc       ");
    EXPECT_EQ(still("abc", 10, TextField::kRight), "       abc");
    EXPECT_EQ(still("abc", 10, TextField::kCenter), "   abc    ");
    EXPECT_EQ(still("abcdefghij", 4, TextField::kRight), "abcd");
    EXPECT_EQ(still("abcdefghij", 4, TextField::kCenter), "abcd");
    EXPECT_EQ(still("abc", -3, TextField::kLeft), "");
}

TEST(TextField, MarqueesRunThroughTheSeparatedCycleInBothDirections)
{
    EXPECT_EQ(Formats("HELLO", 3, TextField::kLeft, TextField::kScrollLeft, 9),
              (Texts{"HEL", "ELL", "LLO", "LO ", "O *", " * ", "* H", " HE", "HEL"}));
    EXPECT_EQ(Formats("HELLO", 3, TextField::kLeft, TextField::kScrollRight, 9),
              (Texts{"HEL", " HE", "* H", " * ", "O *", "LO ", "LLO", "ELL", "HEL"}));
    for (std::uint32_t scroll : {TextField::kScrollLeft, TextField::kScrollRight}) {
        // Text that fits stands still, left-aligned whatever its position.
        EXPECT_EQ(Formats("HI", 3, TextField::kRight, scroll, 2), (Texts{"HI ", "HI "}));
        EXPECT_EQ(Formats("HELLO", -1, TextField::kLeft, scroll), Texts{""});

        // A marquee part-way through a longer text carries on when it shrinks.
        TextField f;
        f.fieldSize = 4;
        f.scrollType = scroll;
        f.text = "ABCDEFGHIJ";
        for (int i = 0; i < 7; ++i)
            f.Format();
        f.text = "ABCDE";
        bool sawStart = false;
        for (int i = 0; i < 8; ++i) {
            ASSERT_EQ(f.Format().size(), 4u);
            sawStart |= f.output == "ABCD";
        }
        EXPECT_TRUE(sawStart) << scroll;
    }
}

TEST(TextItem, QueuesARedrawOnlyWhenItsTextChanges)
{
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
                               {"scrolltype", "sideways"}})
        item.SetParameter(name, value);
    item.Update();
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 2u);
    item.Draw(core.frameBuffer, Rect{}, 0x100, kDrawModeOr); // only the low byte of send counts
    item.Draw(core.frameBuffer, Rect{}, 1, kDrawModeNone);
    EXPECT_EQ(driver.calls, fakes::Calls{"text: hi t@2,1"});

    item.SetParameter("scrolltype", "left");
    item.Update(); // the first window is the still text
    item.Update();
    EXPECT_EQ(core.drawQueue.size(), 4u);

    item.SetParameter("fieldsize", "2147483647"); // would make every update build a 2 GiB text
    item.Update();
    EXPECT_EQ(item.current.size(), static_cast<std::size_t>(TextField::kMaxFieldSize));
}

TEST(PluginTextItem, ValuesAreFormattedByType)
{
    Core core;
    fakes::FakeData data;
    PluginTextItem item;
    item.core = &core;
    item.SetParameter("fieldsize", "300");
    item.Update(); // no variable yet: blank
    EXPECT_EQ(item.current, std::string(300, ' '));
    core.dataSources.push_back(data.Source());
    item.SetParameter("varid", "var");
    const auto shown = [&](std::uint32_t type) {
        data.type = item.variable.type = type;
        item.Update();
        return item.current.substr(0, item.current.find_last_not_of(' ') + 1);
    };

    data.integer = -42;
    EXPECT_EQ(shown(GLANCER_VAR_INT), "-42");
    for (auto [value, text] : {std::pair{2.5, "2.5"}, {100.0, "100"}, {1234567.0, "1.23457e+06"}, {1e-5, "1e-05"}}) {
        data.real = value;
        EXPECT_EQ(shown(GLANCER_VAR_DOUBLE), text);
    }
    data.text = "CPU 42%";
    EXPECT_EQ(shown(GLANCER_VAR_TEXT), "CPU 42%");
    data.text = std::string(300, 'Z'); // 256 bytes arrive, no terminator
    EXPECT_EQ(shown(GLANCER_VAR_TEXT), std::string(256, 'Z'));
    const int calls = data.valueCalls;
    EXPECT_EQ(shown(7), ""); // an unknown type is not read at all
    EXPECT_EQ(data.valueCalls, calls);
}

} // namespace
