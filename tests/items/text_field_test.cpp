#include "items/text_field.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TextField Field(const std::string& text, std::int32_t size, std::uint32_t pos = TextField::kLeft,
                std::uint32_t scroll = TextField::kNone)
{
    TextField f;
    f.text = text;
    f.fieldSize = size;
    f.textPos = pos;
    f.scrollType = scroll;
    return f;
}

std::vector<std::string> Formats(TextField& f, int calls)
{
    std::vector<std::string> shown;
    for (int i = 0; i < calls; ++i)
        shown.push_back(f.Format());
    return shown;
}

TEST(TextField, AlignmentPadsShortTextsAndKeepsTheStartOfLongOnes)
{
    EXPECT_EQ(Field("abc", 10, TextField::kLeft).Format(), "abc       ");
    EXPECT_EQ(Field("abc", 10, TextField::kRight).Format(), "       abc");
    EXPECT_EQ(Field("abc", 10, TextField::kCenter).Format(), "   abc    ");
    for (std::uint32_t pos : {TextField::kLeft, TextField::kRight, TextField::kCenter}) {
        TextField f = Field("abcdefghij", 4, pos);
        EXPECT_EQ(f.Format(), "abcd") << pos;
        EXPECT_EQ(f.output, "abcd");
    }
    EXPECT_EQ(Field("abcd", 4, TextField::kCenter).Format(), "abcd");
    EXPECT_EQ(Field("", 3, TextField::kRight).Format(), "   ");
    EXPECT_EQ(Field("abc", 2, 7).Format(), std::string(2, '\0'));
}

TEST(TextField, EmptyOrNegativeFieldGivesNothing)
{
    for (std::uint32_t scroll : {TextField::kNone, TextField::kScrollLeft, TextField::kScrollRight}) {
        EXPECT_EQ(Field("hello", 0, TextField::kCenter, scroll).Format(), "");
        EXPECT_EQ(Field("hello", -5, TextField::kRight, scroll).Format(), "");
    }
}

TEST(TextField, LeftMarqueeCyclesThroughTextAndSeparator)
{
    TextField f = Field("HELLO", 3, TextField::kLeft, TextField::kScrollLeft);
    const std::vector<std::string> cycle = {"HEL", "ELL", "LLO", "LO ", "O *", " * ", "* H", " HE"};
    EXPECT_EQ(Formats(f, 8), cycle);
    EXPECT_EQ(Formats(f, 8), cycle); // HEL again, once per cycle of n + 3

    // A text that fits stands still, left-aligned, and the offset stays 0.
    TextField still = Field("HI", 3, TextField::kRight, TextField::kScrollLeft);
    EXPECT_EQ(Formats(still, 3), (std::vector<std::string>{"HI ", "HI ", "HI "}));
    EXPECT_EQ(still.scrollOffset, 0u);
}

TEST(TextField, RightMarqueeIsTheMirrorImage)
{
    TextField f = Field("HELLO", 3, TextField::kLeft, TextField::kScrollRight);
    const std::vector<std::string> cycle = {"HEL", " HE", "* H", " * ", "O *", "LO ", "LLO", "ELL"};
    EXPECT_EQ(Formats(f, 8), cycle);
    EXPECT_EQ(Formats(f, 8), cycle);

    TextField still = Field("HI", 3, TextField::kCenter, TextField::kScrollRight);
    EXPECT_EQ(Formats(still, 2), (std::vector<std::string>{"HI ", "HI "}));
}

TEST(TextField, MarqueeSurvivesTheTextGettingShorter)
{
    for (std::uint32_t scroll : {TextField::kScrollLeft, TextField::kScrollRight}) {
        TextField f = Field("ABCDEFGHIJ", 4, TextField::kLeft, scroll);
        Formats(f, 6);
        f.text = "WXYZQ";
        for (const std::string& s : Formats(f, 12))
            EXPECT_EQ(s.size(), 4u);
        f.text = "ABCDE";
        f.scrollOffset = 0xFFFFFFFFu;
        // An offset past the cycle restarts it at the beginning of the text.
        const std::vector<std::string> next = Formats(f, 2);
        EXPECT_TRUE(next[0] == "ABCD" || next[1] == "ABCD") << scroll;
    }
}

} // namespace
