#include "screendef/screen.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/core.h"
#include "items/item_factory.h"
#include "items/screen_item.h"
#include "screendef/screen_index.h"
#include "tests/common/test_env.h"

namespace {

using Lines = std::vector<std::string>;
using Attributes = std::map<std::string, std::string>;
using Pairs = std::vector<std::pair<std::string, std::string>>;

// An item of type "rec" that records its type parameters; "label", "key"
// (sort key), "w", "h" (size set as bounds by Prepare), "graphic" and
// "invalid" act on it. Prepare and destruction are journaled as
// "prepare <label>", "destroy <label>".
struct RecordingItem : ScreenItem {
    explicit RecordingItem(Lines& journal) : journal(journal) {}
    ~RecordingItem() override { journal.push_back("destroy " + label); }
    std::int32_t GetSortKey() const override { return key; }
    void Prepare() override
    {
        journal.push_back("prepare " + label);
        bounds = {std::uint32_t(x), std::uint32_t(y), std::uint32_t(x + w), std::uint32_t(y + h)};
    }
    void Update() override { ++updates; }
    void SetTypeParameter(const std::string& name, const std::string& value) override
    {
        parameters.emplace_back(name, value);
        label = name == "label" ? value : label;
        key = name == "key" ? std::stoi(value) : key;
        w = name == "w" ? std::stoi(value) : w;
        h = name == "h" ? std::stoi(value) : h;
        graphic = graphic || name == "graphic";
        valid = valid && name != "invalid";
    }

    Lines& journal;
    Pairs parameters;
    std::string label;
    int key = 0, w = 0, h = 0, updates = 0;
};

struct RecordingFactory : ItemFactory {
    explicit RecordingFactory(Lines& journal) : ItemFactory("rec"), journal(journal) {}
    ScreenItem* Create() override { return new RecordingItem(journal); }
    Lines& journal;
};

RecordingItem& Recorded(ScreenItem* item)
{
    return *static_cast<RecordingItem*>(item);
}

std::string Item(const std::string& label, const std::string& leaves = "", const std::string& attributes = "")
{
    return "<item type=rec" + attributes + "><label>" + label + "</label>" + leaves + "</item>";
}

std::string Graphic(const std::string& label, int x, int y, int w, int h)
{
    return Item(label, "<graphic/><w>" + std::to_string(w) + "</w><h>" + std::to_string(h) + "</h>",
                " x=" + std::to_string(x) + " y=" + std::to_string(y));
}

Lines LabelsOf(const std::vector<ScreenItem*>& items)
{
    Lines labels;
    for (ScreenItem* item : items)
        labels.push_back(Recorded(item).label);
    return labels;
}

class ScreenTest : public ::testing::Test {
protected:
    ScreenTest() { core.AddFactory(factory); }
    void Load(const std::string& content)
    {
        dir.Write("screens\\s.xml", content);
        screen.Load("screens\\s.xml");
    }

    testenv::WorkDir dir;
    Lines journal;
    RecordingFactory factory{journal};
    Core core;
    Screen screen{core};
};

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

TEST_F(ScreenTest, AppliesParametersInOrder)
{
    Load("<screen><item type=\"rec\" y=5 x=3 refresh=100 b=2 a=\"1\">"
         "<c>3</c><d k=2 j=1 type=z>4</d><b>again</b></item></screen>");
    ASSERT_EQ(screen.items.size(), 1u);
    const RecordingItem& item = Recorded(screen.items[0]);
    EXPECT_EQ(
        item.parameters,
        (Pairs{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"j", "1"}, {"k", "2"}, {"type", "z"}, {"b", "again"}}));
    EXPECT_TRUE(item.x == 3 && item.y == 5 && item.refresh == 100 && item.core == &core);
}

TEST_F(ScreenTest, DiscardsItemsWithoutFactoryOrNotValid)
{
    Load("<screen><item type=Text x=1><text>a</text></item><item type=rec><label>kept</label></item>"
         "<item x=2><label>untyped</label></item><item type=rec><label>bad</label><invalid>1</invalid></item>"
         "<item type=rec/><item type=rec>only text</item></screen>");
    ASSERT_EQ(screen.items.size(), 1u);
    EXPECT_EQ(Recorded(screen.items[0]).label, "kept");
    EXPECT_EQ(journal, (Lines{"destroy bad", "prepare kept"}));
    EXPECT_EQ(testenv::LinesStartingWith(dir.LogLines(), "DISCARD"),
              (Lines{"DISCARD ITEM type=Text x=1", "DISCARD ITEM x=2", "DISCARD ITEM type=rec"}));
}

TEST_F(ScreenTest, BuildsActionsFromTheirLeavesReadingDelaysLikeAStream)
{
    Load("<screen><action><id>Core.NextScreen</id><delay>100</delay><delay> \t\n2500ms</delay></action>"
         "<action x=1><id>Core.ChangeScreen</id><parameter>Main </parameter><other>9</other></action>"
         "<action><delay>7</delay><delay>soon</delay><delay>-5</delay><delay>+ 5</delay><parameter>P</parameter>"
         "</action><action><delay>+3</delay><id>a</id><id>b</id></action>"
         "<action><delay>99999999999999999999999</delay></action><action/><action>text</action></screen>");
    Lines actions;
    for (const Action& a : screen.actions)
        actions.push_back(a.id + "|" + a.parameter + "|" + std::to_string(a.delay) + "|" + std::to_string(a.elapsed));
    EXPECT_EQ(actions,
              (Lines{"Core.NextScreen||2500|0", "Core.ChangeScreen|Main |0|0", "|P|7|0", "b||3|0", "||4294967295|0"}));
}

TEST_F(ScreenTest, ReadsNameAndFlagsOnlyInsideScreen)
{
    Load("<name>out</name><item type=rec><label>out</label></item>"
         "<screen kind=main><name>First</name><name>Main </name><requireflag>A</requireflag>"
         "<requireflag>B</requireflag><requireflag>A</requireflag></screen><screen><requireflag>C</requireflag>"
         // A container inside an item closes the item; the item's end tag then closes the screen.
         "<item type=rec><label>i</label><g><w>3</w><h k=1>4</h></g><key>9</key></item><name>late</name></screen>");
    EXPECT_EQ(screen.name, "Main ");
    EXPECT_EQ(screen.requiredFlags, (Lines{"A", "B", "A", "C"}));
    ASSERT_EQ(screen.items.size(), 1u);
    EXPECT_EQ(Recorded(screen.items[0]).parameters, (Pairs{{"label", "i"}, {"w", "3"}, {"h", "4"}, {"k", "1"}}));
}

TEST(ReadTextFile, ReadsCrLfAsLfAndRefusesWhatIsNoSaneFile)
{
    testenv::WorkDir dir;
    const char raw[] = "one\r\ntwo\rthree\r\r\n\0four\r";
    const char text[] = "one\ntwo\rthree\r\n\0four\r";
    dir.Write("screens\\sub\\a.xml", std::string(raw, sizeof raw - 1));
    EXPECT_EQ(ReadTextFile("screens\\sub\\a.xml"), std::string(text, sizeof text - 1));
    EXPECT_EQ(ReadTextFile("screens/sub/a.xml"), std::string(text, sizeof text - 1));
    EXPECT_EQ(ReadTextFile("screens\\missing.xml"), "");
    dir.Write("limit.xml", std::string(kMaxScreenFileBytes, 'x'));
    EXPECT_EQ(ReadTextFile("limit.xml").size(), kMaxScreenFileBytes);
    EXPECT_TRUE(dir.LogLines().empty());

    // Devices never end and a FIFO would wait for a writer.
    ASSERT_EQ(::mkfifo((dir.Path() / "fifo").c_str(), 0600), 0);
    dir.Write("big.xml", std::string(kMaxScreenFileBytes + 1, 'x'));
    for (const char* path : {"screens", "/dev/zero", "fifo", "big.xml"})
        EXPECT_EQ(ReadTextFile(path), "") << path;
    EXPECT_EQ(dir.LogLines(), (std::vector<std::string>{
                                  "File not read, not a regular file: screens",
                                  "File not read, not a regular file: /dev/zero",
                                  "File not read, not a regular file: fifo",
                                  "File not read, larger than 8388608 bytes: big.xml",
                              }));
}

TEST(ScreenIndexReader, CollectsEntriesOfScreensUntilAnyEndTag)
{
    const auto load = [](const std::string& content) {
        testenv::WorkDir dir;
        dir.Write("screens\\screens.xml", content);
        ScreenIndexReader index;
        index.Load("screens\\screens.xml");
        return index.fileNames;
    };
    EXPECT_EQ(load("<?xml version=\"1.0\"?>\r\n<screenfile>out.xml</screenfile>\r\n<screens>\r\n"
                   "  <screenfile>a.xml</screenfile>\r\n  <screenfile id=\"2\">sub\\b.xml</screenfile>\r\n"
                   "  <other>x</other><screenfile>a.xml</screenfile><screenfile>c.xml </screenfile>\r\n"
                   "</screens>\r\n<screens><screenfile>d.xml</screenfile></screens>\r\n"),
              (Lines{"a.xml", "sub\\b.xml", "a.xml", "c.xml ", "d.xml"}));
    EXPECT_EQ(load("<screens/><screenfile>a.xml</screenfile><screens>none</screens>"), Lines{});
    EXPECT_EQ(load("<screens><screenfile>a.xml</screenfile><g><screenfile>b.xml</screenfile></g>"
                   "<screenfile>c.xml</screenfile></screens>"),
              (Lines{"a.xml", "b.xml"}));
    EXPECT_EQ(load("<screens><screenfile>a.xml</screenfile><screenfile>b.xml</screens>"), Lines{"a.xml"});
    EXPECT_EQ(load(""), Lines{});
}

TEST_F(ScreenTest, LinksIntersectingGraphicItemsBothWays)
{
    Load("<screen>" + Graphic("A", 0, 0, 10, 10) + Graphic("B", 10, 0, 10, 10) + Graphic("C", 30, 30, 5, 5) +
         Item("T", "<w>99</w><h>99</h>") + Graphic("D", 5, 5, 1, 1) + "</screen>");
    ASSERT_EQ(LabelsOf(screen.items), (Lines{"A", "B", "C", "T", "D"}));
    EXPECT_EQ(LabelsOf(screen.items[0]->overlaps), (Lines{"B", "D"}));
    EXPECT_EQ(LabelsOf(screen.items[1]->overlaps), Lines{"A"});
    EXPECT_TRUE(screen.items[2]->overlaps.empty() && screen.items[3]->overlaps.empty());
    EXPECT_EQ(LabelsOf(screen.items[4]->overlaps), Lines{"A"});
}

TEST_F(ScreenTest, OrdersStablyPreparesAndDestroysInListOrder)
{
    // Enough items that an unstable sort would show.
    const auto keyOf = [](int i) { return i == 39 ? -1 : (i % 3 == 0 ? 1 : 0); };
    std::string document = "<screen>";
    for (int i = 0; i < 40; ++i)
        document += Item("i" + std::to_string(i), "<key>" + std::to_string(keyOf(i)) + "</key>");
    Lines order, prepared, destroyed;
    for (int key : {-1, 0, 1})
        for (int i = 0; i < 40; ++i)
            if (keyOf(i) == key) {
                order.push_back("i" + std::to_string(i));
                prepared.push_back("prepare " + order.back());
                destroyed.push_back("destroy " + order.back());
            }
    {
        Screen own(core);
        dir.Write("screens\\many.xml", document + "</screen>");
        own.Load("screens\\many.xml");
        EXPECT_EQ(LabelsOf(own.items), order);
        // An item still being built when the screen goes is destroyed too.
        own.handler.StartElement("screen", "");
        own.handler.StartElement("item", "type=rec label=half");
    }
    prepared.insert(prepared.end(), destroyed.begin(), destroyed.end());
    prepared.push_back("destroy half");
    EXPECT_EQ(journal, prepared);
}

TEST_F(ScreenTest, TickUpdatesItemsWhoseRefreshPeriodRanOut)
{
    Load("<screen>" + Item("0", "", " refresh=0") + Item("default") + Item("120", "", " refresh=120") +
         Item("-5", "", " refresh=-5") + Item("max", "", " refresh=2147483647") + "</screen>");
    ASSERT_EQ(screen.items.size(), 5u);
    screen.items[4]->elapsed = std::numeric_limits<std::int32_t>::max() - 10;
    for (int tick = 0; tick < 60; ++tick)
        screen.Tick(50);
    std::vector<int> updates;
    for (ScreenItem* item : screen.items)
        updates.push_back(Recorded(item).updates);
    EXPECT_EQ(updates, (std::vector<int>{60, 3, 20, 60, 1})); // the last saturated instead of wrapping
    EXPECT_EQ(screen.items[4]->elapsed, 59 * 50);
}

} // namespace
