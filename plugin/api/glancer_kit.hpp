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
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "glancer_plugin.hpp"

namespace glancer {

// A variable type as settings name it: "text", "integer" or "double";
// empty for anything else.
inline std::optional<std::uint32_t> TypeNamed(std::string_view name)
{
    if (name == "text")
        return GLANCER_VAR_TEXT;
    if (name == "integer")
        return GLANCER_VAR_INT;
    if (name == "double")
        return GLANCER_VAR_DOUBLE;
    return std::nullopt;
}

// For a source whose variables people list in settings, one entry a
// section: why an entry's Id and Type cannot make a variable, empty when
// they can. An Id is required, unique among `taken` and without spaces, dots
// or backslashes; a Type is one TypeNamed knows.
inline std::string EntryProblem(const std::string& id, const std::string& type, const std::vector<std::string>& taken)
{
    if (id.empty())
        return "has no Id";
    if (id.find_first_of(" .\\") != std::string::npos)
        return "Id \"" + id + "\" has a space, dot or backslash";
    for (const std::string& other : taken)
        if (other == id)
            return "Id \"" + id + "\" is used twice";
    if (!TypeNamed(type))
        return "Type \"" + type + "\" is not text, integer or double";
    return {};
}

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

    // Text received for the variable (a message, a command's output), as
    // its type: the first line, a number when the whole line is one (C
    // locale, spaces around and a leading "+" allowed, integers of 32 bits,
    // finite doubles), a text as FirstLine gives it. False when it is not a
    // number of the variable's type; the last value then stays, marked
    // stale.
    bool SetFromText(Variable variable, std::string_view text)
    {
        if (!variable.Valid())
            return false;
        const std::string_view line = WholeFirstLine(text); // a number is read before the cut to 255 bytes
        if (variable.Type() == GLANCER_VAR_TEXT) {
            const std::string shown = FirstLine(text);
            Store(variable, [&](Slot& slot) { slot.text = shown; });
        } else if (const std::optional<double> number = ParseNumber(line, variable.Type() == GLANCER_VAR_INT)) {
            Store(variable, [&](Slot& slot) {
                slot.integer = static_cast<std::int32_t>(*number);
                slot.decimal = *number;
            });
        } else {
            MarkStale(variable);
            return false;
        }
        return true;
    }
    // Keeps the last value (empty or 0 before any), marked stale until the
    // next write: a text shows a trailing "?"; a number reads unchanged (a
    // flag of the plugin's can tell).
    void MarkStale(Variable variable)
    {
        if (!variable.Valid())
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        Slot& slot = SlotOf(variable);
        if (slot.stale)
            return;
        slot.stale = true;
        if (slot.type == GLANCER_VAR_TEXT)
            slot.text = slot.text.substr(0, GLANCER_TEXT_SIZE - 2) + "?";
    }

    // The first line of received text (to "\n", without a trailing "\r"), at
    // most 255 bytes, control characters and NULs shown as "?".
    static std::string FirstLine(std::string_view text)
    {
        std::string line(WholeFirstLine(text).substr(0, GLANCER_TEXT_SIZE - 1));
        for (char& c : line)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                c = '?';
        return line;
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
        bool stale = false;
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
        Slot& slot = SlotOf(variable);
        slot.stale = false;
        change(slot);
    }
    Slot& SlotOf(Variable variable) // mutex_ held
    {
        if (slots_.size() <= variable.Index())
            slots_.resize(variable.Index() + 1);
        Slot& slot = slots_[variable.Index()];
        slot.set = true;
        slot.type = variable.Type();
        return slot;
    }

    static std::string_view WholeFirstLine(std::string_view text)
    {
        text = text.substr(0, text.find('\n'));
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        return text;
    }
    // A whole number that fits 32 bits, or with `integer` false a finite
    // decimal; empty otherwise.
    static std::optional<double> ParseNumber(std::string_view text, bool integer)
    {
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        if (text.size() > 1 && text.front() == '+' && text[1] != '-')
            text.remove_prefix(1);
        const char* end = text.data() + text.size();
        if (integer) {
            std::int32_t value = 0;
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (text.empty() || error != std::errc() || stop != end)
                return std::nullopt;
            return value;
        }
        double value = 0.0;
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value))
            return std::nullopt;
        return value;
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
