#include "items/text_field.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Formats(const std::string& text, std::int32_t size, std::uint32_t pos, std::uint32_t scroll,
                                 int calls = 1)
{
    TextField f;
    f.text = text;
    f.fieldSize = size;
    f.textPos = pos;
    f.scrollType = scroll;
    std::vector<std::string> shown;
    for (int i = 0; i < calls; ++i)
        shown.push_back(f.Format());
    return shown;
}

std::string Still(const std::string& text, std::int32_t size, std::uint32_t pos)
{
    return Formats(text, size, pos, TextField::kNone)[0];
}

TEST(TextField, StillTextIsPaddedOrCutKeepingItsStart)
{
    EXPECT_EQ(Still("abc", 10, TextField::kLeft), "abc       ");
    EXPECT_EQ(Still("abc", 10, TextField::kRight), "       abc");
    EXPECT_EQ(Still("abc", 10, TextField::kCenter), "   abc    ");
    for (std::uint32_t pos : {TextField::kLeft, TextField::kRight, TextField::kCenter}) {
        EXPECT_EQ(Still("abcdefghij", 4, pos), "abcd");
        EXPECT_EQ(Still("abc", 0, pos), "");
        EXPECT_EQ(Still("abc", -3, pos), "");
    }
}

TEST(TextField, MarqueesRunThroughTheSeparatedCycleInBothDirections)
{
    const std::vector<std::string> left = {"HEL", "ELL", "LLO", "LO ", "O *", " * ", "* H", " HE", "HEL"};
    EXPECT_EQ(Formats("HELLO", 3, TextField::kLeft, TextField::kScrollLeft, 9), left);
    const std::vector<std::string> right = {"HEL", " HE", "* H", " * ", "O *", "LO ", "LLO", "ELL", "HEL"};
    EXPECT_EQ(Formats("HELLO", 3, TextField::kLeft, TextField::kScrollRight, 9), right);
    for (std::uint32_t scroll : {TextField::kScrollLeft, TextField::kScrollRight}) {
        EXPECT_EQ(Formats("HI", 3, TextField::kRight, scroll, 2), (std::vector<std::string>{"HI ", "HI "}));
        EXPECT_EQ(Formats("HELLO", -1, TextField::kLeft, scroll), std::vector<std::string>{""});
    }
}

TEST(TextField, MarqueeRecoversWhenTheTextGetsShorter)
{
    for (std::uint32_t scroll : {TextField::kScrollLeft, TextField::kScrollRight}) {
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

} // namespace
