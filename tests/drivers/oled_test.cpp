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
#include "drivers/oled/oled_panel.h"
#include "drivers/oled/oled_settings.h"
#include "drivers/virtual/image_export.h"
#include "items/item_factory.h"
#include "support/settings.h"
#include "tests/common/fake_settings.h"
#include "tests/common/test_env.h"
#include "tests/drivers/oled_decoder.h"

namespace {

using namespace std::chrono_literals;
using Calls = std::vector<std::string>;

using fakesettings::Logged;
using fakesettings::services;

// A module on a bus that the test can unplug or make refuse (no acknowledge).
struct FakeBus : oled::I2cLink {
    explicit FakeBus(const oled::Config& config) : config(config), module(Fresh()) {}
    OledDecoder Fresh() const
    {
        return OledDecoder(config.controller == oled::Controller::Sh1106, config.width, config.height);
    }
    bool Open(std::string& error) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++opens;
        if (unplugged)
            error = "cannot open /dev/i2c-9 (No such file or directory)";
        return !unplugged;
    }
    bool Write(const std::uint8_t* bytes, std::size_t size, std::string& error) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (unplugged || refusing)
            error = "no answer from 0x3C on /dev/i2c-9 (Remote I/O error)";
        else
            module.Write(bytes, size);
        return !unplugged && !refusing;
    }
    void Close() override {}

    // A fresh module: memory cleared, display off.
    void Plug(bool plugged)
    {
        std::lock_guard<std::mutex> lock(mutex);
        unplugged = !plugged;
        if (plugged)
            module = Fresh();
    }

    std::mutex mutex;
    const oled::Config config;
    OledDecoder module;
    bool unplugged = false;
    bool refusing = false;
    int opens = 0;
};

using testenv::WaitFor;

// The Virtual display's panel and an OLED, fed the same calls.
struct Pair {
    explicit Pair(const oled::Config& config, bool plugged = true)
        : config(config), expected(oled::OledPanel::GeometryOf(config))
    {
        auto owned = std::make_unique<FakeBus>(config);
        owned->unplugged = !plugged;
        bus = owned.get();
        panel = std::make_unique<oled::OledPanel>(config, std::move(owned), &services, 20ms);
        panel->Start();
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
            panel->Clear();
        } else if (verb == "writeText") {
            const std::string text = call.substr(std::min(call.size(), std::size_t(in.tellg()) + 1));
            expected.WriteText(text.c_str(), x, y);
            panel->WriteText(text.c_str(), x, y);
        } else if (verb == "updateRegion" && in >> w >> h) {
            frame.assign(std::size_t{config.width} * config.height, 0);
            std::string row;
            for (std::uint32_t r = 0; r < h && in >> row; ++r)
                for (std::uint32_t c = 0; c < w && c < row.size(); ++c)
                    frame[std::size_t{y + r} * config.width + x + c] = row[c] == '1';
            const FrameBufferHeader header{
                frame.data(), config.width, config.height, config.width * config.height, 0, 0};
            expected.CopyRegion(header, x, y, w, h);
            panel->CopyRegion(header, x, y, w, h);
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
        std::lock_guard<std::mutex> lock(bus->mutex);
        return bus->module.Picture(config.rotate180);
    }
    bool InStep()
    {
        return WaitFor([&] { return Shown() == Expected(); });
    }

    oled::Config config;
    panelcore::LcdPanel expected;
    std::vector<std::uint8_t> frame;
    FakeBus* bus;
    std::unique_ptr<oled::OledPanel> panel;
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
            pair.panel->Stop();
            EXPECT_EQ(pair.bus->module.errors, std::vector<std::string>{});
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
    oled::Config config;
    config.height = 32;
    auto opens = [](Pair& pair) {
        std::lock_guard<std::mutex> lock(pair.bus->mutex);
        return pair.bus->opens;
    };
    // Not there at the start; text drawn meanwhile shows once it is.
    Pair pair(config, false);
    pair.Apply("writeText 0 0 Hello, OLED world!");
    pair.Apply("writeText 0 3 bottom line");
    ASSERT_TRUE(WaitFor([&] { return opens(pair) >= 3; }));
    pair.bus->Plug(true);
    ASSERT_TRUE(pair.InStep());

    // One character: a few dozen bytes, not the 512 of a frame.
    const std::size_t before = pair.bus->module.Bytes();
    pair.Apply("writeText 7 0 o");
    ASSERT_TRUE(pair.InStep());
    EXPECT_LE(pair.bus->module.Bytes() - before, 24u);
    EXPECT_GT(pair.bus->module.Bytes() - before, 0u);

    // Unplugged while running and plugged again: a fresh module gets the whole picture.
    pair.bus->Plug(false);
    pair.Apply("writeText 0 1 while away");
    const int opensBefore = opens(pair);
    ASSERT_TRUE(WaitFor([&] { return opens(pair) >= opensBefore + 3; }));
    pair.bus->Plug(true);
    ASSERT_TRUE(pair.InStep());
    const std::string again = "I2C OLED: the display answers again";
    const std::string lost = "I2C OLED: the display stopped answering: no answer from 0x3C on /dev/i2c-9 (Remote I/O "
                             "error); trying again every 20 ms";
    EXPECT_EQ(Logged(), (std::vector<std::string>{
                            "I2C OLED: cannot open /dev/i2c-9 (No such file or directory); trying again every 20 ms",
                            again, lost, again}));

    // A module that stops acknowledging: one more line; Stop does not wait for it.
    {
        std::lock_guard<std::mutex> lock(pair.bus->mutex);
        pair.bus->refusing = true;
    }
    pair.Apply("clear");
    ASSERT_TRUE(WaitFor([&] { return Logged().size() == 5; }));
    EXPECT_EQ(Logged().back(), lost);
    pair.panel->Stop();
    std::string error;
    EXPECT_FALSE(oled::MakeI2cDevice(250, 0x3C)->Open(error));
    EXPECT_EQ(error, "/dev/i2c-250 does not exist (is I2C enabled, and the module i2c-dev loaded?)");
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
    fake::SetInt("Rotate", 90);
    EXPECT_EQ(oled::Describe(oled::ReadConfig(&fake::services)), "SSD1306, 128 x 64, address 0x3C on /dev/i2c-3");
    EXPECT_EQ(fake::logged, (std::vector<std::string>{"I2C OLED: Address \"0x\" is outside 3..119, using 60",
                                                      "I2C OLED: Height 30 is not a multiple of 8, using 64",
                                                      "I2C OLED: Rotate 90 is neither 0 nor 180, using 0",
                                                      "I2C OLED: Controller \"SSD1309\" is neither SSD1306 nor SH1106, "
                                                      "using SSD1306"}));
}

} // namespace
