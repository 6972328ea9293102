#include "drivers/common/supervisor.h"

#include <algorithm>

#include "plugin/api/glancer_plugin.hpp"

namespace panelcore {

namespace {

// "0.5 s", "15 s"
std::string Seconds(std::chrono::milliseconds wait)
{
    const auto count = wait.count();
    return std::to_string(count / 1000) + (count % 1000 != 0 ? "." + std::to_string(count % 1000 / 100) : "") + " s";
}

} // namespace

Supervisor::Supervisor(Transport& transport, Model& model, SupervisorOptions options)
    : transport_(transport), model_(model), options_(std::move(options)),
      backoff_(options_.retry, options_.retryLongest, options_.settle)
{
}

Supervisor::~Supervisor()
{
    Stop();
}

void Supervisor::Start()
{
    if (worker_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
    }
    worker_ = std::thread([this] { Run(); });
}

void Supervisor::Stop()
{
    if (!worker_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    transport_.Interrupt();
    worker_.join();
    if (open_)
        transport_.Close();
    open_ = false;
}

void Supervisor::Troubled(std::unique_lock<std::mutex>& lock, Trouble trouble, const std::string& line)
{
    overAt_.reset();
    const auto wait = backoff_.Failed(Clock::now());
    if (trouble_ == Trouble::None) {
        const std::string when = trouble == Trouble::Stalled ? ""
                                 : options_.sayWhen
                                     ? "; trying again in " + Seconds(wait) + ", then less often, at least every " +
                                           Seconds(backoff_.Longest())
                                     : "; trying again every few seconds";
        glancer::Log(options_.name + ": " + line + when);
        trouble_ = trouble;
    }
    if (!stopping_)
        wake_.wait_for(lock, wait, [this] { return stopping_; });
}

// The picture went out: an outage ends now, or once the device has held.
void Supervisor::Delivered()
{
    backoff_.Delivered(Clock::now());
    if (trouble_ == Trouble::None || overAt_)
        return;
    if (options_.settle.count() > 0)
        overAt_ = backoff_.HeldAt();
    else
        Over();
}

void Supervisor::Over()
{
    glancer::Log(options_.name + ": " + options_.where +
                 (trouble_ == Trouble::Stalled ? " takes data again" : " is back"));
    trouble_ = Trouble::None;
    overAt_.reset();
}

bool Supervisor::Open(std::unique_lock<std::mutex>& lock)
{
    std::string reason;
    lock.unlock();
    open_ = transport_.Open(reason);
    lock.lock();
    if (!open_) {
        if (stopping_)
            return false; // Stop cut it short
        Troubled(lock, Trouble::Away, options_.where + " " + reason);
        return false;
    }
    if (options_.resendAfterOpen.count() > 0)
        resendAt_ = Clock::now() + options_.resendAfterOpen;
    return true;
}

// Waits until a round is due: a drawing call, Stop, a whole picture owed, or
// (where the transport watches) the device asking. On the way, and even
// while drawing calls keep coming, it sends the picture again after an open
// and ends a settled outage.
bool Supervisor::AwaitRound(std::unique_lock<std::mutex>& lock, bool& everything)
{
    const auto due = [&] { return dirty_ || stopping_ || everything; };
    constexpr auto kNever = Clock::time_point::max();
    for (;;) {
        const auto now = Clock::now();
        if (overAt_ && *overAt_ <= now)
            Over();
        if (resendAt_ && *resendAt_ <= now) {
            resendAt_.reset();
            everything = true;
            model_.Listening();
        }
        if (due())
            return false;
        const auto until = std::min(resendAt_.value_or(kNever), overAt_.value_or(kNever));
        if (transport_.Watches()) {
            lock.unlock();
            const bool asked = transport_.WaitForDevice(until);
            lock.lock();
            if (asked && !due())
                return true;
        } else if (until == kNever) {
            // Only a healthy device at rest may take a drawing call's bytes
            // directly (SendAtOnce); anything pending stays with the worker.
            idle_ = trouble_ == Trouble::None;
            wake_.wait(lock, due);
            idle_ = false;
        } else {
            wake_.wait_until(lock, until, due);
        }
    }
}

void Supervisor::Run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    bool everything = true;
    for (;;) {
        if (!open_) {
            if (stopping_)
                return; // nothing can show the last picture
            if (!Open(lock))
                continue;
            everything = true;
            if (!resendAt_)
                model_.Listening();
        }
        const bool asked = AwaitRound(lock, everything);
        const bool last = stopping_;
        Transport::Sent sent = Transport::Sent::All;
        if (asked) {
            lock.unlock();
            sent = transport_.Attend();
            lock.lock();
        } else {
            model_.Take(everything);
            dirty_ = false;
            lock.unlock();
            sent = model_.Send(transport_);
            if (last && sent == Transport::Sent::All) {
                model_.Farewell(transport_);
                transport_.Drain();
            }
            lock.lock();
        }
        if (sent == Transport::Sent::All) {
            if (!asked) {
                everything = false;
                Delivered();
            }
            if (last)
                return;
            continue;
        }
        everything = true; // what the device shows is unknown now
        if (sent == Transport::Sent::Lost) {
            transport_.Close();
            open_ = false;
            const std::string why = transport_.LostWhy();
            if (last)
                return;
            Troubled(lock, Trouble::Away, "lost " + options_.where + (why.empty() ? "" : " (" + why + ")"));
        } else {
            if (last)
                return;
            Troubled(lock, Trouble::Stalled, options_.where + " is not taking data; showing nothing until it does");
        }
    }
}

} // namespace panelcore
