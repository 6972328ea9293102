#include <new>
#include <system_error>

#include "platform/folder_events.h"

namespace platform {

void FolderWatch::State::Loop()
{
    for (;;) {
        if (events->Wait(FolderEvents::kForever) < 0)
            return;
        if (!events->Take(wanted))
            continue;
        // Wait for the burst to end: quietMs without a change.
        for (;;) {
            const int more = events->Wait(quietMs);
            if (more < 0)
                return;
            if (more == 0)
                break;
            events->Take(wanted); // any change, wanted or not, keeps the burst going a little
        }
        changed();
    }
}

FolderWatch::FolderWatch() : state(std::make_unique<State>())
{
}

FolderWatch::~FolderWatch()
{
    Stop();
}

bool FolderWatch::Start(const std::string& folder, std::uint32_t quietMs,
                        std::function<bool(const std::string&)> wanted, std::function<void()> changed)
{
    if (state->thread.joinable() || !wanted || !changed)
        return false;
    try {
        state->events = MakeFolderEvents();
    } catch (const std::bad_alloc&) {
        return false; // without memory the folder is not watched, as when it cannot be
    }
    if (!state->events->Open(folder)) {
        state->events.reset();
        return false;
    }
    state->quietMs = quietMs;
    state->wanted = std::move(wanted);
    state->changed = std::move(changed);
    try {
        state->thread = std::thread([s = state.get()] {
            s->Loop();
            s->events->Finish();
        });
    } catch (const std::system_error&) {
        state->events.reset();
        return false;
    }
    return true;
}

void FolderWatch::Stop()
{
    if (!state->thread.joinable())
        return;
    state->events->Interrupt();
    state->thread.join();
    state->events.reset();
}

} // namespace platform
