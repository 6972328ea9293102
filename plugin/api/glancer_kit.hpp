/*
 * glancer_kit.hpp - for data sources that work on a thread of their own.
 *
 * getValue comes from the refresh every 50 ms and must never wait for a
 * device, a network or a command. So a source reads on its own thread and
 * keeps what it read where the refresh copies it:
 *
 *     glancer::Worker     a thread with Start, Wake, Stop and Join, whose body
 *                         sleeps between readings with Sleep;
 *     glancer::LatestValues  the latest value of each variable, written by
 *                         that thread and copied by GetValue under a short
 *                         lock;
 *     glancer::Trouble    one log line when a fault starts and one when it
 *                         ends, not one per reading.
 *
 * docs/plugins.md walks through a whole source built from them.
 */
#ifndef GLANCER_KIT_HPP
#define GLANCER_KIT_HPP

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "glancer_plugin.hpp"

namespace glancer {

// The latest value of each variable. Any thread writes with the variable's
// handle; a write of the wrong type is a misuse and is dropped (an integer
// may go to a double variable). Until its first write a variable reads as
// empty text or 0.
class LatestValues {
public:
    void SetInteger(Variable variable, std::int32_t value)
    {
        if (variable.Type() == GLANCER_VAR_DOUBLE)
            SetDouble(variable, value);
        else if (Accepts(variable, GLANCER_VAR_INT))
            Store(variable, [&](Slot& slot) { slot.integer = value; });
    }
    void SetDouble(Variable variable, double value)
    {
        if (Accepts(variable, GLANCER_VAR_DOUBLE))
            Store(variable, [&](Slot& slot) { slot.decimal = value; });
    }
    // Cut to 255 bytes.
    void SetText(Variable variable, std::string_view text)
    {
        if (Accepts(variable, GLANCER_VAR_TEXT)) {
            text = text.substr(0, GLANCER_TEXT_SIZE - 1);
            Store(variable, [&](Slot& slot) { slot.text.assign(text.data(), text.size()); });
        }
    }

    // [tick] Copies variable `index` into `out`; nothing before its first
    // write. Never allocates.
    void Read(std::uint32_t index, Value& out) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (index >= slots_.size() || !slots_[index].set)
            return;
        const Slot& slot = slots_[index];
        if (slot.type == GLANCER_VAR_INT)
            out.Integer(slot.integer);
        else if (slot.type == GLANCER_VAR_DOUBLE)
            out.Double(slot.decimal);
        else
            out.Text(slot.text.c_str());
    }

private:
    struct Slot {
        bool set = false;
        std::uint32_t type = GLANCER_VAR_TEXT;
        std::int32_t integer = 0;
        double decimal = 0.0;
        std::string text;
    };

    static bool Accepts(Variable variable, std::uint32_t written)
    {
        if (!variable.Valid())
            return false; // refused when it was added, which said so
        if (variable.Type() == written)
            return true;
        Misuse("variable " + std::to_string(variable.Index()) + " is " + TypeName(variable.Type()) +
               " variable; LatestValues got " + TypeName(written) + " for it");
        return false;
    }

    template <class Change>
    void Store(Variable variable, Change&& change)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (slots_.size() <= variable.Index())
            slots_.resize(variable.Index() + 1);
        Slot& slot = slots_[variable.Index()];
        slot.set = true;
        slot.type = variable.Type();
        change(slot);
    }

    mutable std::mutex mutex_;
    std::vector<Slot> slots_; // guarded by mutex_
};

// A thread of the plugin's own. Its body runs once; a body that reads every
// so often loops on Sleep:
//
//     worker.Start("Sensor", [this](glancer::Worker& self) {
//         do
//             Measure();
//         while (self.Sleep(std::chrono::seconds(5)));
//     });
//
// Stop asks the body to end (Sleep returns false from then on, at once);
// Join waits for it. Shutdown calls both; so does the destructor.
class Worker {
public:
    using Body = std::function<void(Worker&)>;

    Worker() = default;
    ~Worker()
    {
        Stop();
        Join();
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts the body on a new thread; false when one runs already or none
    // could be started (logged, `who` first). An exception out of the body
    // is logged too. Start again after Join.
    bool Start(const std::string& who, Body body)
    {
        if (thread_.joinable())
            return false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = false;
            woken_ = false;
        }
        try {
            thread_ = std::thread([this, who, body = std::move(body)] { Run(who, body); });
        } catch (const std::system_error& error) {
            Log(who + ": could not start a thread: " + error.what());
            return false;
        }
        return true;
    }
    // Ends the body's current or next Sleep early, with true.
    void Wake()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            woken_ = true;
        }
        wake_.notify_all();
    }
    void Stop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
    }
    // Waits for the body to end; at once when no thread runs. Not from the
    // body itself.
    void Join()
    {
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
            thread_.join();
    }

    // [the body] Waits `period`, or until Wake or Stop; false once stopped.
    template <class Rep, class Period>
    bool Sleep(std::chrono::duration<Rep, Period> period)
    {
        return SleepUntil(std::chrono::steady_clock::now() + period);
    }
    // [the body] The same up to a point in time, for readings on a fixed
    // grid that slow ones do not shift.
    template <class Clock, class Duration>
    bool SleepUntil(std::chrono::time_point<Clock, Duration> deadline)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_until(lock, deadline, [this] { return stopping_ || woken_; });
        woken_ = false;
        return !stopping_;
    }
    // Whether a thread was started and not yet joined.
    bool Running() const { return thread_.joinable(); }
    bool Stopping() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    }

private:
    void Run(const std::string& who, const Body& body)
    {
        try {
            body(*this);
        } catch (const std::exception& error) {
            Log(who + ": thread failed: " + error.what());
        } catch (...) {
            Log(who + ": thread failed");
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false; // guarded by mutex_
    bool woken_ = false;    // guarded by mutex_
    std::thread thread_;
};

// A fault that lasts: the first Fail logs "<who> <what>", further ones log
// nothing until Recover, which logs "<who> works again". Any thread.
class Trouble {
public:
    explicit Trouble(std::string who) : who_(std::move(who)) {}
    // True when this call started the trouble (and logged).
    bool Fail(const std::string& what)
    {
        if (failing_.exchange(true))
            return false;
        Log(who_ + " " + what);
        return true;
    }
    // True when this call ended the trouble (and logged).
    bool Recover(const std::string& what = "works again")
    {
        if (!failing_.exchange(false))
            return false;
        Log(who_ + " " + what);
        return true;
    }
    bool Failing() const { return failing_.load(); }

private:
    const std::string who_;
    std::atomic<bool> failing_{false};
};

} // namespace glancer

#endif /* GLANCER_KIT_HPP */
