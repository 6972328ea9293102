#include "screendef/screen_file_handler.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/core.h"
#include "screendef/screen.h"
#include "tests/common/test_env.h"
#include "tests/screendef/recording_item.h"

namespace {

using namespace screendef_test;
using Attributes = std::map<std::string, std::string>;
using Lines = std::vector<std::string>;

TEST(ScreenFileHandler, ParseAttributesSplitsAtSpacesAndKeepsFirstValues)
{
    ScreenFileHandler handler;
    const auto parse = [&](const std::string& text) {
        handler.ParseAttributes(text);
        return handler.Attributes();
    };
    EXPECT_EQ(parse("x=1 y=\"2\" z='3' e=\"\" q=\""),
              (Attributes{{"e", ""}, {"q", "\""}, {"x", "1"}, {"y", "2"}, {"z", "'3'"}}));
    EXPECT_EQ(parse("  a==5   b=6=7 a=8 =c=9 t=1\tu=2"),
              (Attributes{{"a", "5"}, {"b", "6"}, {"c", "9"}, {"t", "1\tu"}}));
    // Tokens without a value are skipped; a quoted space cuts the value.
    EXPECT_EQ(parse("t=\"a b\" lone x = 1 === w="), (Attributes{{"t", "\"a"}}));
    EXPECT_EQ(parse(""), Attributes{});
}

TEST(ScreenFileHandler, ReadUnsignedLikeAStream)
{
    const auto read = [](const std::string& text) {
        std::uint32_t value = 7;
        ReadUnsigned(text, value);
        return value;
    };
    EXPECT_EQ(read(" \t\n12ms"), 12u);
    EXPECT_EQ(read("+3"), 3u);
    EXPECT_EQ(read("4294967295"), 4294967295u);
    EXPECT_EQ(read("99999999999999999999999"), 4294967295u);
    for (const char* unread : {"", "soon", "-5", "+ 5"})
        EXPECT_EQ(read(unread), 7u) << unread;
}

class ScreenFileHandlerTest : public ::testing::Test {
protected:
    ScreenFileHandlerTest() { core.AddFactory(factory); }
    void Read(const std::string& document)
    {
        reader.SetHandler(&screen.handler);
        reader.Parse(document);
    }
    Lines DiscardLines() const
    {
        Lines lines;
        for (const std::string& line : dir.LogLines())
            if (line.starts_with("DISCARD"))
                lines.push_back(line);
        return lines;
    }

    testenv::WorkDir dir;
    Lines journal;
    RecordingFactory factory{journal};
    Core core;
    Screen screen{core};
    XmlReader reader;
};

TEST_F(ScreenFileHandlerTest, AppliesParametersInOrder)
{
    Read("<screen><item type=\"rec\" y=5 x=3 refresh=100 b=2 a=\"1\">"
         "<c>3</c><d k=2 j=1 type=z>4</d><b>again</b></item></screen>");
    ASSERT_EQ(screen.items.size(), 1u);
    const RecordingItem& item = Recorded(screen.items[0]);
    EXPECT_EQ(
        item.parameters,
        (Pairs{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"j", "1"}, {"k", "2"}, {"type", "z"}, {"b", "again"}}));
    EXPECT_TRUE(item.x == 3 && item.y == 5 && item.refresh == 100 && item.core == &core);
}

TEST_F(ScreenFileHandlerTest, DiscardsItemsWithoutFactoryOrNotValid)
{
    Read("<screen><item type=Text x=1><text>a</text></item><item type=rec><label>kept</label></item>"
         "<item x=2><label>untyped</label></item><item type=rec><label>bad</label><invalid>1</invalid></item>"
         "<item type=rec/><item type=rec>only text</item></screen>");
    ASSERT_EQ(screen.items.size(), 1u);
    EXPECT_EQ(Recorded(screen.items[0]).label, "kept");
    EXPECT_EQ(factory.created, 2);
    EXPECT_EQ(journal, Lines{"destroy bad"});
    EXPECT_EQ(DiscardLines(), (Lines{"DISCARD ITEM type=Text x=1", "DISCARD ITEM x=2", "DISCARD ITEM type=rec"}));
}

TEST_F(ScreenFileHandlerTest, BuildsActionsFromTheirLeaves)
{
    Read("<screen><action><id>Core.NextScreen</id><delay>100</delay><delay> 2500ms</delay></action>"
         "<action x=1><id>Core.ChangeScreen</id><parameter>Main </parameter><other>9</other></action>"
         "<action><delay>soon</delay><parameter>P</parameter></action>"
         "<action><delay>-5</delay><id>a</id><id>b</id></action><action/><action>text</action></screen>");
    Lines actions;
    for (const Action& a : screen.actions)
        actions.push_back(a.id + "|" + a.parameter + "|" + std::to_string(a.delay) + "|" + std::to_string(a.elapsed));
    EXPECT_EQ(actions, (Lines{"Core.NextScreen||2500|0", "Core.ChangeScreen|Main |0|0", "|P|0|0", "b||0|0"}));
    EXPECT_TRUE(DiscardLines().empty());
}

TEST_F(ScreenFileHandlerTest, ReadsNameAndFlagsOnlyInsideScreen)
{
    Read("<name>out</name><item type=rec><label>out</label></item>"
         "<screen kind=main><name>First</name><name>Main </name><requireflag>A</requireflag>"
         "<requireflag>B</requireflag><requireflag>A</requireflag></screen><screen><requireflag>C</requireflag>"
         // A container inside an item closes the item; the item's end tag then closes the screen.
         "<item type=rec><label>i</label><g><w>3</w><h k=1>4</h></g><key>9</key></item><name>late</name></screen>");
    EXPECT_EQ(screen.name, "Main ");
    EXPECT_EQ(screen.requiredFlags, (Lines{"A", "B", "A", "C"}));
    ASSERT_EQ(screen.items.size(), 1u);
    EXPECT_EQ(Recorded(screen.items[0]).parameters, (Pairs{{"label", "i"}, {"w", "3"}, {"h", "4"}, {"k", "1"}}));
}

TEST_F(ScreenFileHandlerTest, DestroysAHalfBuiltItem)
{
    {
        Screen other(core);
        other.handler.StartElement("screen", "");
        other.handler.StartElement("item", "type=rec label=half");
    }
    EXPECT_EQ(journal, Lines{"destroy half"});
}

} // namespace
