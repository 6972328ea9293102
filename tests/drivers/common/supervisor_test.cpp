// The supervisor on its own: a model that records what the worker takes,
// over the transport in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "drivers/common/supervisor.h"
#include "tests/common/test_env.h"
#include "tests/drivers/common/memory_transport.h"

namespace {

using namespace std::chrono_literals;

// What reached the device: the texts sent, in order.
struct Device {
    void Write(const std::uint8_t* bytes, std::size_t count) { sent.emplace_back(bytes, bytes + count); }
    std::vector<std::string> sent;
};

// The picture is one text; Take copies it, marking a whole redraw with '*'.
// Send may be held at a gate, as a slow device would hold it.
class TextModel : public panelcore::Model {
public:
    void Clear() override { text_.clear(); }
    void WriteText(const char* text, std::uint32_t, std::uint32_t) override { text_ = text; }
    void UpdateRegion(const FrameBufferHeader&, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override {}
    void Take(bool everything) override
    {
        taken_ = (everything ? "*" : "") + text_;
        ++takes;
    }
    panelcore::Transport::Sent Send(panelcore::Transport& transport) override
    {
        std::unique_lock<std::mutex> lock(gate);
        opened.wait(lock, [this] { return open; });
        lock.unlock();
        return transport.Send(reinterpret_cast<const std::uint8_t*>(taken_.data()), taken_.size());
    }
    void Hold(bool held)
    {
        {
            std::lock_guard<std::mutex> lock(gate);
            open = !held;
        }
        opened.notify_all();
    }

    std::atomic<int> takes{0};

private:
    std::string text_;
    std::string taken_; // the worker's
    std::mutex gate;
    std::condition_variable opened;
    bool open = true;
};

// One so slow that the next drawing call has always come by the time it
// took the last picture.
struct BusyDevice : Device {
    void Write(const std::uint8_t* bytes, std::size_t count)
    {
        Device::Write(bytes, count);
        drawAgain();
    }
    std::function<void()> drawAgain;
};

template <class Module> std::vector<std::string> Sent(MemoryTransport<Module>& bus)
{
    return bus.With([](Module& device) { return device.sent; });
}

TEST(Supervisor, ASlowDeviceGetsTheLatestPictureNotAQueue)
{
    MemoryTransport<Device> bus{Device{}};
    TextModel model;
    panelcore::Supervisor supervisor(bus, model, {"Panel", "dev", 10ms});
    supervisor.Start();
    ASSERT_TRUE(testenv::WaitFor([&] { return Sent(bus) == std::vector<std::string>{"*"}; }));
    model.Hold(true);
    for (int i = 0; i < 500; ++i) {
        const std::string text = std::to_string(i);
        supervisor.Draw([&](panelcore::Model& m) { m.WriteText(text.c_str(), 0, 0); });
    }
    model.Hold(false);
    ASSERT_TRUE(testenv::WaitFor([&] { return Sent(bus).back() == "499"; }));
    EXPECT_LE(Sent(bus).size(), 3u) << "the drawing calls in between were coalesced";
    // Healthy and unchanged: the worker takes nothing more.
    const int takes = model.takes;
    supervisor.Stop();
    EXPECT_EQ(model.takes, takes + 1) << "Stop's flush";
}

TEST(Supervisor, SendsEverythingAgainWhenTheDeviceMayHaveMissedIt)
{
    MemoryTransport<Device> bus{Device{}};
    TextModel model;
    panelcore::Supervisor supervisor(bus, model, {"Panel", "dev", 10ms, 30ms});
    supervisor.Draw([](panelcore::Model& m) { m.WriteText("hi", 0, 0); });
    supervisor.Start();
    // Once at the open and once when a resetting device listens, unasked.
    ASSERT_TRUE(testenv::WaitFor([&] { return Sent(bus).size() == 2; }));
    EXPECT_EQ(Sent(bus), (std::vector<std::string>{"*hi", "*hi"}));
    supervisor.Stop();
}

TEST(Supervisor, SendsEverythingAgainEvenWhileDrawingCallsKeepComing)
{
    panelcore::Supervisor* supervisor = nullptr;
    int drawn = 0; // the worker's
    MemoryTransport<BusyDevice> bus{BusyDevice{{}, [&] {
        const std::string text = std::to_string(++drawn);
        supervisor->Draw([&](panelcore::Model& m) { m.WriteText(text.c_str(), 0, 0); });
    }}};
    TextModel model;
    panelcore::Supervisor busy(bus, model, {"Panel", "dev", 10ms, 30ms});
    supervisor = &busy;
    busy.Start();
    const auto redraws = [&] {
        const std::vector<std::string> sent = Sent(bus);
        return std::count_if(sent.begin(), sent.end(), [](const std::string& s) { return s.rfind('*', 0) == 0; });
    };
    EXPECT_TRUE(testenv::WaitFor([&] { return redraws() >= 2; })) << "the one after the open, then the resend";
    busy.Stop();
}

TEST(SupervisorBackoff, DoublesUpToItsLongestAndStartsOverOnceTheDeviceHeld)
{
    panelcore::Backoff backoff(500ms, 15s, 10s);
    const auto now = panelcore::Backoff::Clock::time_point{} + 1h;
    std::vector<long long> waits;
    for (int i = 0; i < 7; ++i)
        waits.push_back(backoff.Failed(now).count());
    EXPECT_EQ(waits, (std::vector<long long>{500, 1000, 2000, 4000, 8000, 15000, 15000}));

    // A server that greets and hangs up does not start the count over.
    backoff.Delivered(now);
    EXPECT_EQ(backoff.Failed(now + 9s), 15s);
    EXPECT_FALSE(backoff.HeldAt());

    backoff.Delivered(now);
    backoff.Delivered(now + 5s); // the settle counts from the first
    EXPECT_EQ(backoff.HeldAt(), now + 10s);
    EXPECT_EQ(backoff.Failed(now + 10s), 500ms);
    EXPECT_EQ(backoff.Failed(now + 11s), 1s);

    // Without a settle, any picture that went out starts it over.
    panelcore::Backoff plain(1s, 10s, 0ms);
    for (int i = 0; i < 5; ++i)
        plain.Failed(now);
    EXPECT_EQ(plain.Failed(now), 10s) << "an absent device is tried every 10 s at most, 0.1 wake-ups a second";
    plain.Delivered(now);
    EXPECT_EQ(plain.Failed(now), 1s);
}

} // namespace
