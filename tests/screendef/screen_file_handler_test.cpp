#include "screendef/screen_file_handler.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

#include "core/core.h"
#include "screendef/screen.h"
#include "tests/common/test_env.h"
#include "tests/screendef/recording_item.h"

namespace {

using screendef_test::ItemJournal;
using screendef_test::Recorded;
using screendef_test::RecordingFactory;
using Pairs = std::vector<std::pair<std::string, std::string>>;
using Attributes = std::map<std::string, std::string>;

Attributes Parse(const std::string& text)
{
    ScreenFileHandler handler;
    handler.ParseAttributes("stale=1");
    handler.ParseAttributes(text);
    return handler.Attributes();
}

TEST(ParseAttributes, SplitsTokensAtSpacesAndKeepsFirstValues)
{
    EXPECT_EQ(Parse(""), Attributes{});
    EXPECT_EQ(Parse("x=1 y=\"2\" z='3' e=\"\" q=\""),
              (Attributes{{"e", ""}, {"q", "\""}, {"x", "1"}, {"y", "2"}, {"z", "'3'"}}));
    EXPECT_EQ(Parse("  a==5   b=6=7 a=8 =c=9 "), (Attributes{{"a", "5"}, {"b", "6"}, {"c", "9"}}));
    // Only byte 32 separates tokens.
    EXPECT_EQ(Parse("x=1\ty=2"), (Attributes{{"x", "1\ty"}}));
}

TEST(ParseAttributes, SkipsTokensWithoutValue)
{
    // A quoted space cuts the value; the rest becomes a value-less token.
    EXPECT_EQ(Parse("t=\"a b\" lone x = 1 === w= \"\""), (Attributes{{"t", "\"a"}}));
}

TEST(ReadUnsigned, ReadsLikeAStreamExtractingAnUnsigned)
{
    const auto read = [](const std::string& text) {
        std::uint32_t value = 7;
        ReadUnsigned(text, value);
        return value;
    };
    EXPECT_EQ(read("2500"), 2500u);
    EXPECT_EQ(read(" \t\n12ms"), 12u);
    EXPECT_EQ(read("+3"), 3u);
    EXPECT_EQ(read("0"), 0u);
    EXPECT_EQ(read(""), 7u);
    EXPECT_EQ(read("soon"), 7u);
    EXPECT_EQ(read("-5"), 7u);
    EXPECT_EQ(read("+ 5"), 7u);
    EXPECT_EQ(read("4294967295"), 4294967295u);
    EXPECT_EQ(read("4294967296"), 4294967295u);
    EXPECT_EQ(read("999999999999999999999999999999"), 4294967295u);
}

class ScreenFileHandlerTest : public ::testing::Test {
protected:
    ScreenFileHandlerTest() { core.AddFactory(factory); }

    void Read(const std::string& document)
    {
        reader.SetHandler(&screen.handler);
        reader.Parse(document);
    }
    std::vector<std::string> DiscardLines() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : dir.LogLines())
            if (line.starts_with("DISCARD"))
                lines.push_back(line);
        return lines;
    }

    testenv::WorkDir dir;
    ItemJournal journal;
    RecordingFactory factory{journal};
    Core core;
    Screen screen{core};
    XmlReader reader;
};

TEST_F(ScreenFileHandlerTest, AppliesParametersInTheirOrder)
{
    Read("<screen><item type=\"rec\" y=5 x=3 refresh=100 b=2 a=\"1\">"
         "<c>3</c><d k=2 j=1 type=z>4</d><b>again</b></item></screen>");
    ASSERT_EQ(screen.items.size(), 1u);
    const auto& item = Recorded(screen.items[0]);
    EXPECT_EQ(
        item.parameters,
        (Pairs{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"j", "1"}, {"k", "2"}, {"type", "z"}, {"b", "again"}}));
    EXPECT_EQ(item.x, 3);
    EXPECT_EQ(item.y, 5);
    EXPECT_EQ(item.refresh, 100);
    EXPECT_EQ(item.core, &core);
}

TEST_F(ScreenFileHandlerTest, DiscardsItemsWithoutFactoryOrNotValid)
{
    Read("<screen>\n"
         "<item type=Text x=1><text>a</text></item>\n"
         "<item type=rec><label>kept</label></item>\n"
         "<item x=2><label>untyped</label></item>\n"
         "<item type=rec><label>bad</label><invalid>1</invalid><after>1</after></item>\n"
         "<item type=rec/>\n"
         "<item type=rec>only text</item>\n"
         "</screen>");
    ASSERT_EQ(screen.items.size(), 1u);
    EXPECT_EQ(Recorded(screen.items[0]).label, "kept");
    EXPECT_EQ(journal.created, 2);
    EXPECT_EQ(journal.events, std::vector<std::string>{"destroy bad"});
    EXPECT_EQ(DiscardLines(),
              (std::vector<std::string>{"DISCARD ITEM type=Text x=1", "DISCARD ITEM x=2", "DISCARD ITEM type=rec"}));
}

TEST_F(ScreenFileHandlerTest, BuildsActionsFromTheirLeaves)
{
    Read("<screen>"
         "<action><id>Core.NextScreen</id><delay>100</delay><delay> 2500ms</delay></action>"
         "<action x=1><id>Core.ChangeScreen</id><parameter>Main </parameter><other>9</other></action>"
         "<action><delay>soon</delay><parameter>P</parameter></action>"
         "<action><delay>-5</delay><id>a</id><id>b</id></action>"
         "<action/><action>text</action>"
         "</screen>");
    ASSERT_EQ(screen.actions.size(), 4u);
    const auto expect = [&](std::size_t i, const char* id, const char* parameter, std::uint32_t delay) {
        EXPECT_EQ(screen.actions[i].id, id) << i;
        EXPECT_EQ(screen.actions[i].parameter, parameter) << i;
        EXPECT_EQ(screen.actions[i].delay, delay) << i;
        EXPECT_EQ(screen.actions[i].elapsed, 0u) << i;
    };
    expect(0, "Core.NextScreen", "", 2500);
    expect(1, "Core.ChangeScreen", "Main ", 0);
    expect(2, "", "P", 0);
    expect(3, "b", "", 0);
    EXPECT_TRUE(DiscardLines().empty());
}

TEST_F(ScreenFileHandlerTest, ReadsNameAndFlagsOnlyInsideScreen)
{
    Read("<name>outside</name><requireflag>X</requireflag><item type=rec><label>out</label></item>"
         "<screen kind=main><name>First</name><name>Main </name>"
         "<requireflag>A</requireflag><requireflag>B</requireflag><requireflag>A</requireflag></screen>"
         "<screen><requireflag>C</requireflag></screen>"
         "<screen/>");
    EXPECT_EQ(screen.name, "Main ");
    EXPECT_EQ(screen.requiredFlags, (std::vector<std::string>{"A", "B", "A", "C"}));
    EXPECT_TRUE(screen.items.empty());
    EXPECT_EQ(journal.created, 0);
}

TEST_F(ScreenFileHandlerTest, ContainerInsideItemClosesItemAndThenScreen)
{
    Read("<screen><item type=rec><label>i</label><group><w>3</w><h k=1>4</h></group><key>9</key></item>"
         "<name>late</name><item type=rec><label>late</label></item></screen>");
    ASSERT_EQ(screen.items.size(), 1u);
    EXPECT_EQ(Recorded(screen.items[0]).parameters, (Pairs{{"label", "i"}, {"w", "3"}, {"h", "4"}, {"k", "1"}}));
    EXPECT_EQ(screen.name, "");
    EXPECT_EQ(journal.created, 1);
}

TEST_F(ScreenFileHandlerTest, DestroysAHalfBuiltItem)
{
    {
        Screen other(core);
        other.handler.StartElement("screen", "");
        other.handler.StartElement("item", "type=rec label=half");
        other.handler.LeafElement("w", "1", "");
    }
    EXPECT_EQ(journal.events, std::vector<std::string>{"destroy half"});
    EXPECT_TRUE(DiscardLines().empty());
}

} // namespace
