#include "platform/folder_watch_loop.h"

#include <system_error>

namespace platform {

bool FolderWatchLoop::Start(FolderEvents& events, std::uint32_t quietMs, std::function<bool(const std::string&)> wanted,
                            std::function<void()> changed)
{
    quietMs_ = quietMs;
    wanted_ = std::move(wanted);
    changed_ = std::move(changed);
    try {
        thread_ = std::thread([this, &events] {
            Run(events);
            events.Finish();
        });
    } catch (const std::system_error&) {
        events.CloseAll();
        return false;
    }
    return true;
}

void FolderWatchLoop::Stop(FolderEvents& events)
{
    if (!thread_.joinable())
        return;
    events.Interrupt();
    thread_.join();
    events.CloseAll();
}

void FolderWatchLoop::Run(FolderEvents& events)
{
    for (;;) {
        if (events.Wait(FolderEvents::kForever) < 0)
            return;
        if (!events.Take(wanted_))
            continue;
        // Wait for the burst to end: quietMs without a change.
        for (;;) {
            const int more = events.Wait(quietMs_);
            if (more < 0)
                return;
            if (more == 0)
                break;
            events.Take(wanted_); // any change, wanted or not, keeps the burst going a little
        }
        changed_();
    }
}

} // namespace platform
