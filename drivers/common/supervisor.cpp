#include "drivers/common/supervisor.h"

#include "plugin/api/glancer_plugin.hpp"

namespace panelcore {

Supervisor::Supervisor(Transport& transport, Model& model, SupervisorOptions options)
    : transport_(transport), model_(model), options_(std::move(options))
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
    worker_.join();
    if (open_)
        transport_.Close();
    open_ = false;
}

void Supervisor::Troubled(Trouble trouble, const std::string& line)
{
    if (trouble_ != Trouble::None)
        return;
    glancer::Log(options_.name + ": " + line);
    trouble_ = trouble;
}

bool Supervisor::Open(std::unique_lock<std::mutex>& lock)
{
    std::string reason;
    lock.unlock();
    open_ = transport_.Open(reason);
    lock.lock();
    if (!open_) {
        Troubled(Trouble::Away, options_.where + " " + reason + "; trying again every few seconds");
        return false;
    }
    if (options_.resendAfterOpen.count() > 0)
        resendAt_ = std::chrono::steady_clock::now() + options_.resendAfterOpen;
    return true;
}

void Supervisor::Run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    bool everything = true;
    for (;;) {
        if (!open_) {
            if (stopping_)
                return; // nothing can show the last picture
            if (!Open(lock)) {
                wake_.wait_for(lock, options_.retry, [this] { return stopping_; });
                continue;
            }
            everything = true;
        }
        const auto due = [&] { return dirty_ || stopping_ || everything; };
        if (resendAt_) {
            if (!wake_.wait_until(lock, *resendAt_, due)) {
                everything = true;
                resendAt_.reset();
            }
        } else {
            idle_ = !everything && trouble_ == Trouble::None;
            wake_.wait(lock, due);
            idle_ = false;
        }
        const bool last = stopping_;
        model_.Take(everything);
        dirty_ = false;
        lock.unlock();
        Transport::Sent sent = model_.Send(transport_);
        if (last && sent == Transport::Sent::All) {
            model_.Farewell(transport_);
            transport_.Drain();
        }
        lock.lock();
        if (sent == Transport::Sent::All) {
            everything = false;
            if (trouble_ != Trouble::None)
                glancer::Log(options_.name + ": " + options_.where +
                             (trouble_ == Trouble::Stalled ? " takes data again" : " is back"));
            trouble_ = Trouble::None;
            if (last)
                return;
            continue;
        }
        everything = true; // what the device shows is unknown now
        if (sent == Transport::Sent::Lost) {
            Troubled(Trouble::Away, "lost " + options_.where + "; trying again every few seconds");
            transport_.Close();
            open_ = false;
        } else {
            Troubled(Trouble::Stalled, options_.where + " is not taking data; showing nothing until it does");
        }
        if (last)
            return;
        wake_.wait_for(lock, options_.retry, [this] { return stopping_; });
    }
}

} // namespace panelcore
