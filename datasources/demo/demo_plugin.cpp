// "Demo": a data source whose values move on their own, for trying screens
// out: a sine wave, a seconds counter, rotating messages, a bouncing ball
// and a flag that is set and cleared every 15 seconds (setting FlagPeriod).
// The values follow from a steady clock and are computed when asked for;
// only the flag has a thread, because flags must change even when nobody
// reads a value.
#include <chrono>
#include <cstdint>
#include <mutex>

#include "datasources/demo/demo_signals.h"
#include "datasources/demo/flag_blinker.h"
#include "plugin/api/glancer_plugin.hpp"

namespace {

const char kName[] = "Demo";

const glancer::DeclaredSettings kSettings(kName, kName, {
    glancer::setting::Number("FlagPeriod", "Seconds between changes of Demo.Flag", 15, 1, 3600),
});

class DemoData : public glancer::DataSource {
public:
    const char* Name() const override { return kName; }

    void Init() override
    {
        start = Clock::now();
        const std::chrono::seconds period(kSettings.Read().Number("FlagPeriod"));
        blinker.Start(period, [](bool set) { glancer::SetFlag("Demo.Flag", set); });
    }

    void Shutdown() override { blinker.Stop(); }

    bool Configure() override { return kSettings.Configure(kName); }

    void GetValue(std::uint32_t index, glancer::Value& out) override
    {
        const std::int64_t ms = Elapsed();
        if (sine == index)
            out.Double(demo::Sine(ms));
        else if (counter == index)
            out.Integer(demo::Counter(ms));
        else if (message == index)
            out.Text(demo::Message(ms));
    }

    PluginImage* GetImage(std::uint32_t) override
    {
        // getImage may come from the main and the tick thread; the blinker
        // never touches the picture.
        std::lock_guard<std::mutex> lock(imageMutex);
        demo::DrawBall(ballPixels, Elapsed());
        return &ball;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::int64_t Elapsed() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }

    const glancer::Variable sine = AddVariable("Demo.Sine", "Sine wave, 0..100, period 10 s", GLANCER_VAR_DOUBLE);
    const glancer::Variable counter = AddVariable("Demo.Counter", "Seconds counter", GLANCER_VAR_INT);
    const glancer::Variable message = AddVariable("Demo.Message", "A message that changes every 3 s", GLANCER_VAR_TEXT);
    const glancer::Picture ballPicture = AddPicture("Demo.Ball", "Bouncing ball (32 x 32)");

    Clock::time_point start = Clock::now(); // written in init, before any tick
    demo::FlagBlinker blinker;
    std::mutex imageMutex;
    std::uint8_t ballPixels[demo::kBallSize * demo::kBallSize] = {};
    PluginImage ball{ballPixels, demo::kBallSize, demo::kBallSize, 0, demo::kBallSize * demo::kBallSize};
};

const glancer::About kAbout{.name = kName,
                            .info = {.description = "Data source: moving demo values, a bouncing ball and a "
                                                    "blinking flag",
                                     .version = GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, DemoData)
