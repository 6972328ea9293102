// "Demo": a data source whose values move on their own, for trying screens
// out: a sine wave, a seconds counter, rotating messages, a bouncing ball
// and a flag that is set and cleared every 15 seconds. The values follow
// from a steady clock and are computed when asked for; only the flag has a
// thread, because flags must change even when nobody reads a value.
#include <chrono>
#include <cstdint>
#include <mutex>

#include "datasources/demo/demo_signals.h"
#include "datasources/demo/flag_blinker.h"
#include "plugin/api/glancer_plugin.hpp"

namespace {

const char kName[] = "Demo";
const char kFlag[] = "Demo.Flag";
constexpr std::chrono::milliseconds kFlagPeriod{15000};

enum Variable : std::uint32_t { Sine, Counter, Message };

void ChangeFlag(bool set)
{
    glancer::SetFlag(kFlag, set);
}

class DemoData : public glancer::DataSource {
public:
    DemoData()
    {
        AddVariable("Demo.Sine", "Sine wave, 0..100, period 10 s", GLANCER_VAR_DOUBLE);
        AddVariable("Demo.Counter", "Seconds counter", GLANCER_VAR_INT);
        AddVariable("Demo.Message", "A message that changes every 3 s", GLANCER_VAR_TEXT);
        AddPicture("Demo.Ball", "Bouncing ball (32 x 32)");
    }

    const char* Name() const override { return kName; }

    void Init() override
    {
        start = Clock::now();
        try {
            blinker.Start(kFlagPeriod, ChangeFlag);
        } catch (...) {
            glancer::Log("Demo: could not start the flag thread");
        }
    }

    void Shutdown() override { blinker.Stop(); }

    void GetValue(std::uint32_t index, glancer::Value& out) override
    {
        const std::int64_t ms = Elapsed();
        switch (index) {
        case Sine:
            out.Double(demo::Sine(ms));
            return;
        case Counter:
            out.Integer(demo::Counter(ms));
            return;
        case Message:
            out.Text(demo::Message(ms));
            return;
        default:
            return;
        }
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

    Clock::time_point start = Clock::now(); // written in init, before any tick
    demo::FlagBlinker blinker;
    std::mutex imageMutex;
    std::uint8_t ballPixels[demo::kBallSize * demo::kBallSize] = {};
    PluginImage ball{ballPixels, demo::kBallSize, demo::kBallSize, 0, demo::kBallSize * demo::kBallSize};
};

const glancer::About kAbout{kName,
                            {"Data source: moving demo values, a bouncing ball and a blinking flag",
                             GLANCER_PLUGIN_VERSION}};

} // namespace

GLANCER_PLUGIN(kAbout, DemoData)
