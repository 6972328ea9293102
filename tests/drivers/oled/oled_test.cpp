// The I2C OLED driver through its bus seam: a decoder rebuilds the module's
// picture from the bytes, which must equal the Virtual display's panel fed
// the same driver calls, recorded from the engine running the demo.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "core/core.h"
#include "drivers/common/i2c_transport.h"
#include "drivers/common/supervisor.h"
#include "drivers/oled/oled_model.h"
#include "drivers/oled/oled_settings.h"
#include "drivers/virtual/image_export.h"
#include "items/item_factory.h"
#include "plugin/api/glancer_plugin.hpp"
#include "support/settings.h"
#include "tests/common/fake_settings.h"
#include "tests/common/test_env.h"
#include "tests/drivers/common/memory_transport.h"
#include "tests/drivers/emulators/oled_decoder.h"

namespace {

using namespace std::chrono_literals;
using Calls = std::vector<std::string>;

using fakesettings::Logged;
using fakesettings::services;

using Bus = MemoryTransport<OledDecoder>;

OledDecoder Fresh(const oled::Config& config)
{
    // Upright, the glass starts at column 2 of the SH1106's 132.
    const bool sh = config.controller == oled::Controller::Sh1106;
    return OledDecoder(sh, config.width, config.height, sh ? 2 : 0, config.height > 32 ? 0x12 : 0x02);
}

using testenv::WaitFor;

// The Virtual display's panel and an OLED, fed the same calls.
struct Pair {
    explicit Pair(const oled::Config& config, bool plugged = true)
        : config(config), expected(oled::OledModel::GeometryOf(config)), bus(Fresh(config)), model(config)
    {
        if (!plugged)
            bus.Unplug();
        panel.Start();
    }

    // One recorded driver call: clear, writeText X Y TEXT, updateRegion X Y W H ROWS...
    void Apply(const std::string& call)
    {
        std::istringstream in(call);
        std::string verb;
        std::uint32_t x = 0, y = 0, w = 0, h = 0;
        in >> verb >> x >> y;
        if (verb == "clear") {
            expected.Clear();
            panel.Draw([](panelcore::Model& m) { m.Clear(); });
        } else if (verb == "writeText") {
            const std::string text = call.substr(std::min(call.size(), std::size_t(in.tellg()) + 1));
            expected.WriteText(text.c_str(), x, y);
            panel.Draw([&](panelcore::Model& m) { m.WriteText(text.c_str(), x, y); });
        } else if (verb == "updateRegion" && in >> w >> h) {
            frame.assign(std::size_t{config.width} * config.height, 0);
            std::string row;
            for (std::uint32_t r = 0; r < h && in >> row; ++r)
                for (std::uint32_t c = 0; c < w && c < row.size(); ++c)
                    frame[std::size_t{y + r} * config.width + x + c] = row[c] == '1';
            const FrameBufferHeader header{
                frame.data(), config.width, config.height, config.width * config.height, 0, 0};
            expected.CopyRegion(header, x, y, w, h);
            panel.Draw([&](panelcore::Model& m) { m.UpdateRegion(header, x, y, w, h); });
        }
    }

    std::vector<std::uint8_t> Expected() const
    {
        std::vector<std::uint8_t> picture;
        expected.Compose(picture);
        return picture;
    }
    std::vector<std::uint8_t> Shown()
    {
        return bus.With([&](OledDecoder& module) { return module.Picture(config.rotate180); });
    }
    bool InStep()
    {
        return WaitFor([&] { return Shown() == Expected(); });
    }

    oled::Config config;
    panelcore::LcdPanel expected;
    std::vector<std::uint8_t> frame;
    Bus bus;
    oled::OledModel model;
    panelcore::Supervisor panel{bus, model, {"I2C OLED", "/dev/i2c-9", 20ms}};
};

// The driver calls of each tick of the engine running the demo screens on
// a recording driver of the given size.
std::vector<Calls> RecordDemo(std::uint32_t height, int ticks)
{
    testenv::EngineDir dir;
    for (const char* plugin : {"recorddriver", "demo", "system"})
        dir.AddPlugin(plugin);
    dir.SelectDriver("RecordDriver");
    for (auto [name, value] :
         {std::pair{"XPixels", 128u}, {"YPixels", height}, {"XChars", 21u}, {"YChars", height / 8}})
        writeSettingInt(name, value, "RecordDriver");
    std::filesystem::copy(std::filesystem::path(GLANCER_TEST_SOURCE_DIR) / ".." / "examples" / "demo" / "screens",
                          dir.Path() / "screens", std::filesystem::copy_options::recursive);
    StandardItemFactories factories;
    Core core;
    for (ItemFactory* factory : factories.All())
        core.AddFactory(*factory);
    EXPECT_TRUE(core.Init());
    std::vector<std::uintmax_t> ends;
    const auto file = dir.Path() / "driver_calls.txt";
    for (int i = 0; i < ticks; ++i) {
        core.Tick();
        ends.push_back(std::filesystem::exists(file) ? std::filesystem::file_size(file) : 0);
    }
    core.Shutdown();
    const std::string all = dir.Read("driver_calls.txt");
    std::vector<Calls> perTick;
    std::size_t at = 0;
    for (std::uintmax_t end : ends) {
        std::istringstream lines(all.substr(at, end - at));
        perTick.emplace_back();
        for (std::string line; std::getline(lines, line);)
            perTick.back().push_back(line);
        at = end;
    }
    return perTick;
}

TEST(Oled, DecodedStreamEqualsTheVirtualDisplayThroughTheDemo)
{
    const int kTicks = 560; // every screen of the demo once, 28 s
    std::vector<std::uint8_t> docsPicture;
    for (std::uint32_t height : {64u, 32u}) {
        const std::vector<Calls> ticks = RecordDemo(height, kTicks);
        for (bool sh1106 : {false, true}) {
            oled::Config config;
            config.controller = sh1106 ? oled::Controller::Sh1106 : oled::Controller::Ssd1306;
            config.height = height;
            config.rotate180 = sh1106 == (height == 64);
            Pair pair(config);
            for (int tick = 0; tick < kTicks; ++tick) {
                for (const std::string& call : ticks[tick])
                    pair.Apply(call);
                ASSERT_TRUE(pair.InStep()) << "tick " << tick << ", " << (sh1106 ? "SH1106" : "SSD1306") << " 128 x "
                                           << height << (config.rotate180 ? " turned" : "");
                if (height == 32 && !sh1106 && (tick == 60 || tick == 250 || tick == 330)) {
                    const std::vector<std::uint8_t> shown = pair.Shown();
                    docsPicture.insert(docsPicture.end(), shown.begin(), shown.end());
                    docsPicture.resize(docsPicture.size() + 128 * 4); // a gap between the screens
                }
            }
            pair.panel.Stop();
            EXPECT_EQ(pair.bus.With([](OledDecoder& module) { return module.errors; }), std::vector<std::string>{});
        }
    }
    if (std::getenv("GLANCER_UPDATE_SCREENSHOTS") != nullptr) {
        // Three pixels a pixel, the colours of a white-on-black module.
        const std::uint32_t rows = static_cast<std::uint32_t>(docsPicture.size() / 128) - 4;
        std::vector<std::uint8_t> big(std::size_t{128 * 3} * rows * 3);
        for (std::size_t i = 0; i < big.size(); ++i)
            big[i] = docsPicture[(i / (128 * 3) / 3) * 128 + i % (128 * 3) / 3];
        EXPECT_TRUE(vdisplay::WriteImageFile(std::string(GLANCER_TEST_SOURCE_DIR) + "/../docs/oled-demo.png",
                                             big.data(), 128 * 3, rows * 3, 0xE8F4FF, 0x101214));
    }
}

TEST(Oled, AnUnpluggedModuleIsLoggedOnceRetriedAndRedrawnInFull)
{
    fakesettings::Reset();
    glancer::detail::ServicesSlot() = &services;
    oled::Config config;
    config.height = 32;
    // Not there at the start; text drawn meanwhile shows once it is.
    Pair pair(config, false);
    pair.Apply("writeText 0 0 Hello, OLED world!");
    pair.Apply("writeText 0 3 bottom line");
    ASSERT_TRUE(WaitFor([&] { return pair.bus.Opens() >= 3; }));
    pair.bus.Plug(true, Fresh(config));
    ASSERT_TRUE(pair.InStep());

    // One character: a few dozen bytes, not the 512 of a frame.
    const std::size_t before = pair.bus.Sent();
    pair.Apply("writeText 7 0 o");
    ASSERT_TRUE(pair.InStep());
    EXPECT_LE(pair.bus.Sent() - before, 24u);
    EXPECT_GT(pair.bus.Sent() - before, 0u);

    // Unplugged while running and plugged again: a fresh module gets the whole picture.
    pair.bus.Unplug();
    pair.Apply("writeText 0 1 while away");
    const int opensBefore = pair.bus.Opens();
    ASSERT_TRUE(WaitFor([&] { return pair.bus.Opens() >= opensBefore + 3; }));
    pair.bus.Plug(true, Fresh(config));
    ASSERT_TRUE(pair.InStep());
    const std::string again = "I2C OLED: /dev/i2c-9 is back";
    const std::string lost = "I2C OLED: lost /dev/i2c-9; trying again every few seconds";
    EXPECT_EQ(Logged(), (std::vector<std::string>{"I2C OLED: /dev/i2c-9 does not exist; trying again every few seconds",
                                                  again, lost, again}));

    // At exit the farewell shows, then the panel goes dark (unless OffAtExit is 0).
    pair.Apply("writeText 0 2 farewell");
    pair.panel.Stop();
    EXPECT_TRUE(pair.bus.With([](OledDecoder& module) { return module.Picture(false); }) ==
                std::vector<std::uint8_t>(128 * 32, 0))
        << "still lit";
    glancer::detail::ServicesSlot() = nullptr;

    std::string reason;
    EXPECT_FALSE(panelcore::I2cTransport(250, 0x3C, {}).Open(reason));
    EXPECT_EQ(reason, "does not exist (is I2C enabled, and the module i2c-dev loaded?)");
}

TEST(Oled, SettingsTakeNamesAndHexAddressesAndRefuseOddValues)
{
    namespace fake = fakesettings;
    fake::Reset();
    fake::SetText("Controller", "sh1106");
    fake::SetText("Address", "0x3D");
    fake::SetInt("Bus", 3);
    fake::SetInt("Height", 32);
    fake::SetInt("Rotate", 180);
    EXPECT_EQ(oled::Describe(oled::ReadConfig(&fake::services)),
              "SH1106, 128 x 32, address 0x3D on /dev/i2c-3, turned 180");
    fake::SetText("Controller", "SSD1309");
    fake::SetText("Address", "0x");
    fake::SetInt("Height", 30);
    fake::SetInt("OffAtExit", 0);
    fake::SetInt("Rotate", 90);
    const oled::Config odd = oled::ReadConfig(&fake::services);
    EXPECT_EQ(oled::Describe(odd), "SSD1306, 128 x 64, address 0x3C on /dev/i2c-3");
    EXPECT_FALSE(odd.offAtExit);
    EXPECT_EQ(fake::logged,
              (std::vector<std::string>{"I2C OLED: Controller \"SSD1309\" is not one of SSD1306 or SH1106, "
                                        "using SSD1306",
                                        "I2C OLED: Address \"0x\" is outside 0x03..0x77, using 0x3C",
                                        "I2C OLED: Rotate 90 is not one of 0 or 180, using 0",
                                        "I2C OLED: 128 x 30 is not a size the SSD1306 drives (128 x 64, "
                                        "128 x 32, 96 x 16, 64 x 48, 64 x 32, 72 x 40), using 128 x 64"}));
}

TEST(Oled, EverySizeIsSetUpForItsGlassUprightAndTurned)
{
    // Where modules of each size have their glass: the first controller
    // column shown (upright) and the COM pin layout.
    struct Glass {
        oled::Controller controller;
        std::uint32_t width, height, offset;
        std::uint8_t comPins;
    };
    const Glass glasses[] = {
        {oled::Controller::Ssd1306, 128, 64, 0, 0x12}, {oled::Controller::Ssd1306, 128, 32, 0, 0x02},
        {oled::Controller::Ssd1306, 96, 16, 0, 0x02},  {oled::Controller::Ssd1306, 64, 48, 32, 0x12},
        {oled::Controller::Ssd1306, 64, 32, 32, 0x12}, {oled::Controller::Ssd1306, 72, 40, 28, 0x12},
        {oled::Controller::Sh1106, 128, 64, 2, 0x12},  {oled::Controller::Sh1106, 128, 32, 2, 0x02},
    };
    for (const Glass& glass : glasses)
        for (bool turned : {false, true}) {
            oled::Config config;
            config.controller = glass.controller;
            config.width = glass.width;
            config.height = glass.height;
            config.rotate180 = turned;
            const bool sh = glass.controller == oled::Controller::Sh1106;
            MemoryTransport<OledDecoder> bus(OledDecoder(sh, glass.width, glass.height, glass.offset, glass.comPins));
            oled::OledModel model(config);
            panelcore::LcdPanel expected(oled::OledModel::GeometryOf(config));
            // A frame round the glass and a text: any shift or mirror shows.
            std::vector<std::uint8_t> pixels(std::size_t{glass.width} * glass.height);
            for (std::uint32_t y = 0; y < glass.height; ++y)
                for (std::uint32_t x = 0; x < glass.width; ++x)
                    pixels[y * glass.width + x] = x == 0 || y == 0 || x == glass.width - 1 || y == glass.height - 1;
            const FrameBufferHeader frame{pixels.data(), glass.width, glass.height, glass.width * glass.height, 0, 0};
            model.UpdateRegion(frame, 0, 0, glass.width, glass.height);
            model.WriteText("Hi", 1, 1);
            expected.CopyRegion(frame, 0, 0, glass.width, glass.height);
            expected.WriteText("Hi", 1, 1);
            model.Take(true);
            ASSERT_EQ(model.Send(bus), panelcore::Transport::Sent::All);
            std::vector<std::uint8_t> picture;
            expected.Compose(picture);
            const std::string which = std::string(sh ? "SH1106 " : "SSD1306 ") + std::to_string(glass.width) + " x " +
                                      std::to_string(glass.height) + (turned ? " turned" : "");
            EXPECT_EQ(bus.With([](OledDecoder& module) { return module.errors; }), std::vector<std::string>{}) << which;
            EXPECT_TRUE(bus.With([&](OledDecoder& module) { return module.Picture(turned); }) == picture) << which;
        }
}

} // namespace
