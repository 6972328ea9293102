#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "platform/folder_events.h"

namespace platform {

namespace {

// Editors save by writing a new file and renaming it over the old one, so
// renames count as much as writes.
constexpr std::uint32_t kEvents = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

class InotifyEvents final : public FolderEvents {
public:
    ~InotifyEvents() override
    {
        for (int fd : {inotify, stopRead, stopWrite}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    bool Open(const std::string& folder) override
    {
        inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        int ends[2] = {-1, -1};
        const bool ready = inotify >= 0 && ::pipe2(ends, O_CLOEXEC) == 0 &&
                           ::inotify_add_watch(inotify, folder.c_str(), kEvents | IN_ONLYDIR) >= 0;
        stopRead = ends[0];
        stopWrite = ends[1];
        return ready;
    }

    // Reads what inotify has.
    bool Take(const std::function<bool(const std::string&)>& wanted) override
    {
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        bool relevant = false;
        for (;;) {
            const ssize_t got = ::read(inotify, buffer, sizeof buffer);
            if (got <= 0)
                return relevant;
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_Q_OVERFLOW) != 0)
                    relevant = true; // events were lost: assume one of them mattered
                else if (event->len > 0 && wanted(std::string(event->name)))
                    relevant = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    // Waits for readable inotify or the stop pipe.
    int Wait(std::uint32_t timeoutMs) override
    {
        pollfd fds[2] = {{stopRead, POLLIN, 0}, {inotify, POLLIN, 0}};
        const int timeout = timeoutMs == kForever ? -1 : static_cast<int>(timeoutMs);
        for (;;) {
            const int ready = ::poll(fds, 2, timeout);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || (fds[0].revents != 0))
                return -1;
            return ready == 0 ? 0 : 1;
        }
    }

    void Interrupt() override
    {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(stopWrite, &byte, 1);
    }

private:
    int inotify = -1;
    int stopRead = -1;
    int stopWrite = -1;
};

} // namespace

std::unique_ptr<FolderEvents> MakeFolderEvents()
{
    return std::make_unique<InotifyEvents>();
}

} // namespace platform
