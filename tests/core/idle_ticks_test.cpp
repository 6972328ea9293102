// Sleeping through idle ticks must not change what the display sees: random
// screen sets run once with a Tick every 50 ms and once the way the refresh
// thread sleeps (run the due tick, skip the idle ones at once), and the two
// runs must make the same driver calls at the same tick numbers.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/core.h"
#include "items/item_factory.h"
#include "screendef/screen.h"
#include "tests/common/test_env.h"
#include "tests/items/fakes.h"

namespace {

constexpr std::uint32_t kTicks = 1200; // a minute
constexpr std::uint32_t kSets = 60;

// Variable "n" counts its reads; picture "pic" changes at every third read,
// so an update too many or too few changes what is drawn.
struct CountingData : IData {
    std::int32_t reads = 0;
    std::int32_t imageReads = 0;
    std::uint8_t pixels[8 * 8] = {};
    PluginImage picture{pixels, 8, 8, 0, sizeof pixels};

    static CountingData& Of(IData* self) { return *static_cast<CountingData*>(self); }
    static constexpr IDataVtbl kVtbl = {
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        [](IData* s, std::uint32_t, void* value, std::uint32_t) {
            const std::int32_t n = ++Of(s).reads;
            std::memcpy(value, &n, sizeof n);
        },
        [](IData* s, std::uint32_t) {
            CountingData& d = Of(s);
            d.pixels[(++d.imageReads / 3) % sizeof d.pixels] ^= 1;
            return &d.picture;
        },
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
    };
    CountingData() { vtbl = &kVtbl; }

    DataSource Source()
    {
        DataSource source;
        source.component = this;
        source.variables["n"] = VariableInfo{this, 0, GLANCER_VAR_INT, true, "n", "n"};
        source.images["pic"] = ImageInfo{this, 0, true, "pic", "pic"};
        return source;
    }
};

// A flag set or cleared before a tick, as a plugin would at any time.
struct FlagChange {
    std::uint32_t tick;
    std::string flag;
    bool set;
};

// Screen files and flag changes drawn from `seed`.
struct ScreenSet {
    std::vector<std::string> files;
    std::vector<FlagChange> flagChanges;
};

ScreenSet Generate(std::uint32_t seed, testenv::WorkDir& dir)
{
    std::mt19937 random(seed);
    auto pick = [&](auto&& choices) { return choices[random() % std::size(choices)]; };
    const int refreshes[] = {0, -10, 70, 120, 250, 500, 1000, 1000, 2000, 60000};
    const unsigned delays[] = {0, 50, 75, 300, 1000, 1000, 2500, 2500, 4000, 4000};
    const char* const names[] = {"A", "B", "C", "D", "Missing"};
    const char* const flags[] = {"f", "g"};

    ScreenSet set;
    const std::uint32_t screens = 1 + random() % 4;
    for (std::uint32_t s = 0; s < screens; ++s) {
        std::string xml = "<screen><name>" + std::string(names[s]) + "</name>";
        if (random() % 3 == 0)
            xml += "<requireflag>" + std::string(pick(flags)) + "</requireflag>";
        for (std::uint32_t i = 0, count = random() % 5; i < count; ++i) {
            const std::string refresh = "<refresh>" + std::to_string(pick(refreshes)) + "</refresh>";
            const std::string at = " x=\"" + std::to_string(random() % 60) + "\" y=\"" + std::to_string(random() % 4);
            switch (random() % 8) {
            case 0:
                xml += "<item type=\"text\"" + at + "\">" + refresh + "<textdata>fixed</textdata></item>";
                break;
            case 1:
                xml +=
                    "<item type=\"text\"" + at + "\">" + refresh +
                    "<fieldsize>6</fieldsize><scrolltype>left</scrolltype><textdata>a long marquee</textdata></item>";
                break;
            case 2:
                xml += "<item type=\"plugintext\"" + at + "\">" + refresh + "<varid>n</varid></item>";
                break;
            case 3:
                xml += "<item type=\"pluginimage\"" + at + "\">" + refresh + "<imageid>pic</imageid></item>";
                break;
            case 4:
                xml += "<item type=\"animation\"" + at + "\">" + refresh +
                       "<framebitmap>f1.bmp</framebitmap><framebitmap>f2.bmp</framebitmap></item>";
                break;
            case 5:
                // Still once shown: a short text in a marquee field, a bitmap.
                xml += "<item type=\"text\"" + at + "\">" + refresh +
                       "<fieldsize>8</fieldsize><scrolltype>left</scrolltype><textdata>fits</textdata></item>";
                break;
            case 6:
                xml += "<item type=\"image\"" + at + "\">" + refresh + "<imagebitmap>f2.bmp</imagebitmap></item>";
                break;
            default:
                xml += "<item type=\"graph\"" + at + "\">" + refresh +
                       "<width>20</width><height>8</height><maxvalue>50</maxvalue><varid>n</varid></item>";
            }
        }
        // At most one switching action per screen: with two, every switch
        // would schedule two more and the pending list would double.
        for (std::uint32_t a = 0, count = random() % 3; a < count; ++a) {
            const char* id = a > 0 || random() % 8 == 0 ? "Other.Action"
                             : random() % 2             ? "Core.NextScreen"
                                                        : "Core.ChangeScreen";
            xml += "<action><id>" + std::string(id) + "</id><parameter>" + pick(names) + "</parameter><delay>" +
                   std::to_string(pick(delays)) + "</delay></action>";
        }
        set.files.push_back("s" + std::to_string(s) + ".xml");
        dir.Write("screens\\" + set.files.back(), xml + "</screen>");
    }
    for (std::uint32_t c = 0, count = random() % 6; c < count; ++c)
        set.flagChanges.push_back({static_cast<std::uint32_t>(random() % kTicks), pick(flags), random() % 2 == 0});
    return set;
}

// One engine on the screen set, its driver's calls tagged with the tick
// that made them.
class Engine {
public:
    Engine(const ScreenSet& set, bool sleeping) : set(set), sleeping(sleeping)
    {
        core.frameBuffer.Bind(&driver);
        core.frameBuffer.Init();
        core.dataSources.push_back(data.Source());
        for (ItemFactory* factory : factories.All())
            core.AddFactory(*factory);
        for (const std::string& file : set.files) {
            core.screens.push_back(std::make_unique<Screen>(core));
            core.screens.back()->Load("screens\\" + file);
        }
        // What Init does for the first screen.
        for (const Action& action : core.screens[0]->actions)
            core.ScheduleAction(action);
        core.screens[0]->RedrawItems();
    }

    std::vector<std::string> Run()
    {
        for (std::uint32_t tick = 0; tick < kTicks;) {
            ChangeFlags(tick, tick + 1);
            core.Tick();
            for (std::string& call : driver.calls)
                log.push_back(std::to_string(tick) + " " + call);
            driver.calls.clear();
            ++tick;
            if (!sleeping)
                continue;
            const std::uint32_t idle = std::min(core.IdleTicksAhead(), kTicks - tick);
            ChangeFlags(tick, tick + idle); // plugins go on while the thread sleeps
            core.SkipIdleTicks(idle);
            tick += idle;
            skipped += idle;
        }
        log.push_back("screen " + std::to_string(core.currentScreen) + ", values read " + std::to_string(data.reads) +
                      ", pictures " + std::to_string(data.imageReads));
        for (const Action& action : core.pendingActions)
            log.push_back("pending " + action.id + " " + std::to_string(action.elapsed));
        return log;
    }

    std::uint32_t skipped = 0;

private:
    void ChangeFlags(std::uint32_t from, std::uint32_t to)
    {
        for (const FlagChange& change : set.flagChanges)
            if (change.tick >= from && change.tick < to)
                change.set ? core.SetFlag(change.flag) : core.ClearFlag(change.flag);
    }

    const ScreenSet& set;
    const bool sleeping;
    fakes::FakeDriver driver;
    CountingData data;
    StandardItemFactories factories;
    Core core;
    std::vector<std::string> log;
};

TEST(IdleTicks, SleepingThroughIdleTicksMakesTheSameCallsAtTheSameTicks)
{
    testenv::WorkDir dir;
    const std::vector<unsigned char> frame(8 * 4, 0x00);
    dir.WriteBytes("f1.bmp", testenv::BitmapFile(8, 8, frame));
    dir.WriteBytes("f2.bmp", testenv::BitmapFile(8, 8, std::vector<unsigned char>(8 * 4, 0xff)));
    std::uint64_t skipped = 0;
    for (std::uint32_t seed = 1; seed <= kSets; ++seed) {
        const ScreenSet set = Generate(seed, dir);
        Engine everyTick(set, false);
        Engine sleeper(set, true);
        const std::vector<std::string> expected = everyTick.Run();
        ASSERT_EQ(sleeper.Run(), expected) << "seed " << seed;
        skipped += sleeper.skipped;
    }
    // The sets must leave room to sleep, or the comparison proves little.
    EXPECT_GT(skipped, kSets * kTicks / 2);
}

// An engine with the standard items and one screen, not loaded yet.
struct OneScreen {
    OneScreen()
    {
        for (ItemFactory* factory : factories.All())
            core.AddFactory(*factory);
        core.screens.push_back(std::make_unique<Screen>(core));
    }
    StandardItemFactories factories;
    Core core;
};

TEST(IdleTicks, NothingDueSleepsAnHourAndQueuedWorkWakesAtOnce)
{
    testenv::WorkDir dir;
    dir.Write("screens\\still.xml", "<screen><item type=\"text\"><refresh>60000</refresh><textdata>t</textdata></item>"
                                    "<action><id>Core.NextScreen</id><delay>3000</delay></action></screen>");
    OneScreen engine;
    Core& core = engine.core;
    EXPECT_EQ(core.IdleTicksAhead(), Core::kMaxIdleTicks); // no screen shown yet
    core.screens.back()->Load("screens\\still.xml");
    core.ScheduleAction(core.screens[0]->actions[0]);
    core.screens[0]->RedrawItems();
    EXPECT_EQ(core.IdleTicksAhead(), 0u); // the first redraw
    core.Tick();
    EXPECT_EQ(core.IdleTicksAhead(), 58u); // the action runs in tick 60
    core.SkipIdleTicks(1000);              // cut to what is idle
    EXPECT_EQ(core.IdleTicksAhead(), 0u);
    core.Tick();
    EXPECT_EQ(core.IdleTicksAhead(), 0u); // the restarted screen redraws
    core.Tick();
    EXPECT_EQ(core.IdleTicksAhead(), 58u);
    core.pendingActions.clear();
    EXPECT_EQ(core.IdleTicksAhead(), 1200u - 61 - 1); // the text's refresh runs out in tick 1200
}

TEST(IdleTicks, FixedTextsThatFitAndBitmapsSleepOnceShown)
{
    testenv::WorkDir dir;
    dir.WriteBytes("f1.bmp", testenv::BitmapFile(8, 8, std::vector<unsigned char>(8 * 4, 0xff)));
    dir.Write("screens\\still.xml",
              "<screen><item type=\"text\"><refresh>100</refresh><textdata>t</textdata></item>"
              "<item type=\"text\" y=\"1\"><refresh>100</refresh><fieldsize>4</fieldsize><scrolltype>left</scrolltype>"
              "<textdata>fits</textdata></item>"
              "<item type=\"image\" x=\"60\"><refresh>100</refresh><imagebitmap>f1.bmp</imagebitmap></item></screen>");
    OneScreen engine;
    Core& core = engine.core;
    core.screens.back()->Load("screens\\still.xml");
    core.screens[0]->RedrawItems();
    core.Tick();
    EXPECT_EQ(core.IdleTicksAhead(), 0u); // the texts are formatted in the second tick
    core.Tick();
    core.Tick();
    EXPECT_EQ(core.IdleTicksAhead(), Core::kMaxIdleTicks);
}

} // namespace
