#pragma once

// Keeps a panel showing the latest picture whatever happens to the device.
//
// The driver's drawing calls change the model under a short lock and wake
// the worker thread; nothing there waits for the device. The worker takes
// what changed (the latest picture wins: a slow device never makes a queue
// grow) and sends it. When the device cannot be opened, goes away or stops
// reading, one line is logged and the worker tries again, less and less
// often (`retry`, twice that, ... up to `retryLongest`); once the device
// takes data again (and has held for `settle`) one more line is logged and
// the whole picture is sent. A healthy panel with nothing new costs no
// wake-ups.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "drivers/common/transport.h"
#include "plugin/api/glancer_plugin.h"

namespace panelcore {

// A panel's picture and how it turns into bytes.
class Model {
public:
    virtual ~Model() = default;
    // The drawing calls, under the supervisor's lock.
    virtual void Clear() = 0;
    virtual void WriteText(const char* text, std::uint32_t column, std::uint32_t row) = 0;
    virtual void UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                              std::uint32_t height) = 0;
    // On the worker, under the lock, without I/O: takes what changed since
    // the last Take, or with `everything` the device's set-up and the whole
    // picture (after an open, after trouble).
    virtual void Take(bool everything) = 0;
    // On the worker, without the lock: sends what Take took.
    virtual Transport::Sent Send(Transport& transport) = 0;
    // Before the Take(true) the device surely hears, once per open: at the
    // open, or with resendAfterOpen once the device listens. Settings that
    // a device may store in EEPROM go with that set-up only.
    virtual void Listening() {}
    // At Stop, once the last picture went out.
    virtual void Farewell(Transport& /*transport*/) {}
    // Optional, from a drawing call under the lock while the worker sleeps
    // with the device well: sends what changed at once if the device takes
    // it without waiting, which spares the worker a wake-up. False hands
    // what is left to the worker (the transport keeps it for its next Send).
    virtual bool SendAtOnce(Transport& /*transport*/) { return false; }
};

struct SupervisorOptions {
    std::string name;  // starts every log line ("Serial LCD")
    std::string where; // names the device in them ("/dev/ttyUSB0")
    std::chrono::milliseconds retry = std::chrono::seconds(2);
    // Sends the whole picture again this long after each open (0: never),
    // for devices that ignore what arrives while they start up.
    std::chrono::milliseconds resendAfterOpen{0};
    // The wait after each further failure in a row doubles up to this, so an
    // absent device costs little; a device that came back starts it over.
    std::chrono::milliseconds retryLongest = std::chrono::seconds(10);
    // How long a device that came back must hold before the outage is over
    // (its line logged, the back-off started over); 0: at the first picture.
    // For servers that take a connection and drop it at once.
    std::chrono::milliseconds settle{0};
    // The trouble lines say when the next tries come ("trying again in
    // 0.5 s, then less often, at least every 15 s"), not "every few seconds".
    bool sayWhen = false;
};

// When to try a device again: `first` after the first failure, twice as
// long after each further one up to `longest`. A device that took data and
// held `settle` from then starts the count over; one that fails sooner (a
// server that greets and hangs up) does not.
class Backoff {
public:
    using Clock = std::chrono::steady_clock;
    Backoff(std::chrono::milliseconds first, std::chrono::milliseconds longest, std::chrono::milliseconds settle)
        : first_(first), longest_(std::max(first, longest)), settle_(settle), next_(first)
    {
    }
    // The device took data at `now`; the first since a failure starts the settle.
    void Delivered(Clock::time_point now)
    {
        if (!wellSince_)
            wellSince_ = now;
    }
    // When the device has held since it took data; nothing before it did.
    std::optional<Clock::time_point> HeldAt() const
    {
        return wellSince_ ? std::optional<Clock::time_point>(*wellSince_ + settle_) : std::nullopt;
    }
    // A try failed, or the device went away, at `now`: how long to wait.
    std::chrono::milliseconds Failed(Clock::time_point now)
    {
        if (wellSince_ && now >= *wellSince_ + settle_)
            next_ = first_;
        wellSince_.reset();
        const auto wait = next_;
        next_ = std::min(next_ * 2, longest_);
        return wait;
    }
    std::chrono::milliseconds Longest() const { return longest_; }

private:
    const std::chrono::milliseconds first_;
    const std::chrono::milliseconds longest_;
    const std::chrono::milliseconds settle_;
    std::chrono::milliseconds next_;
    std::optional<Clock::time_point> wellSince_;
};

class Supervisor {
public:
    Supervisor(Transport& transport, Model& model, SupervisorOptions options);
    ~Supervisor(); // Stop
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    void Start();
    // Sends the latest picture and the farewell if the device takes them,
    // ends the worker, closes the device. Idempotent.
    void Stop();

    // Runs `change(model)` under the lock and wakes the worker.
    template <class Change> void Draw(Change&& change)
    {
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            change(model_);
            if (idle_ && model_.SendAtOnce(transport_))
                return;
            wake = !dirty_; // else the worker has yet to look
            dirty_ = true;
        }
        if (wake)
            Wake();
    }

    // Wakes the worker for a round as a drawing call would, unless the lock
    // is busy: then false at once, for threads that must never wait on it
    // (a transport's own watcher, which the worker may be closing).
    bool TryWake()
    {
        {
            std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
            if (!lock.owns_lock())
                return false;
            dirty_ = true;
        }
        Wake();
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    void Wake()
    {
        wake_.notify_one();
        transport_.Wake();
    }
    void Run();
    bool Open(std::unique_lock<std::mutex>& lock);
    // True when only the device asked.
    bool AwaitRound(std::unique_lock<std::mutex>& lock, bool& everything);
    enum class Trouble { None, Away, Stalled };
    // Logs `line` if no trouble is logged yet, then waits before trying again.
    void Troubled(std::unique_lock<std::mutex>& lock, Trouble trouble, const std::string& line);
    void Delivered();
    void Over();

    Transport& transport_;
    Model& model_;
    const SupervisorOptions options_;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool dirty_ = false;    // guarded by mutex_
    bool stopping_ = false; // guarded by mutex_
    bool idle_ = false;     // guarded by mutex_: the worker waits, the device open and well
    std::thread worker_;

    // The worker's own.
    bool open_ = false;
    Trouble trouble_ = Trouble::None; // logged when it started
    std::optional<Clock::time_point> resendAt_;
    std::optional<Clock::time_point> overAt_; // when the outage counts as over
    Backoff backoff_;
};

} // namespace panelcore
