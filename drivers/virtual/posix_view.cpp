// The POSIX view: the panel drawn into a terminal with half-block characters.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "drivers/virtual/halfblock_screen.h"
#include "drivers/virtual/panel_view.h"

namespace vdisplay {

namespace {

// How long a write may wait for a slow reader before the frame is dropped.
constexpr int kWriteTimeoutMs = 500;

class TerminalView final : public PanelView {
public:
    ~TerminalView() override { Stop(); }

    bool Start(const Settings& settings, CoreServices* services) override
    {
        services_ = services;
        if (!Open(settings.output))
            return false;
        screen_.emplace(settings.litColour, settings.unlitColour, settings.border);
        return true;
    }

    void Show(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height) override
    {
        if (fd_ < 0 || !screen_)
            return;
        out_.clear();
        screen_->Render(picture, width, height, Size(), out_);
        if (!WriteAll(out_))
            screen_->Invalidate(); // the terminal shows some unknown part of it: redraw all next time
    }

    void Stop() override
    {
        if (fd_ < 0)
            return;
        if (screen_) {
            out_.clear();
            screen_->Finish(out_);
            WriteAll(out_);
        }
        if (ownFd_)
            ::close(fd_);
        fd_ = -1;
        ownFd_ = false;
        screen_.reset();
    }

private:
    void Log(const std::string& text) const
    {
        if (services_ != nullptr)
            services_->vtbl->Log(services_, ("Virtual display: " + text).c_str());
    }

    bool Open(const std::string& path)
    {
        if (path.empty()) {
            if (::isatty(STDOUT_FILENO) == 0) {
                Log("standard output is not a terminal; the panel is not drawn");
                return false;
            }
            fd_ = STDOUT_FILENO;
            return true;
        }
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            Log("Output " + path + ": " + std::strerror(errno) + "; the panel is not drawn");
            return false;
        }
        if (!S_ISCHR(info.st_mode) && !S_ISFIFO(info.st_mode)) {
            Log("Output " + path + " is not a terminal, device or FIFO; the panel is not drawn there" +
                (S_ISREG(info.st_mode) ? " (the setting Snapshot keeps a picture file)" : ""));
            return false;
        }
        // Non-blocking: a FIFO without a reader must not hold up the start.
        fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0) {
            Log("Output " + path + " cannot be opened: " + std::strerror(errno));
            return false;
        }
        ownFd_ = true;
        return true;
    }

    // Asked at every frame: one system call, and a resize shows at once.
    TerminalSize Size() const
    {
        winsize size{};
        if (::ioctl(fd_, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0)
            return TerminalSize{}; // no terminal (a FIFO, say): no limit known
        return TerminalSize{size.ws_col, size.ws_row};
    }

    bool WriteAll(const std::string& text)
    {
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd wait{fd_, POLLOUT, 0};
                if (::poll(&wait, 1, kWriteTimeoutMs) > 0)
                    continue;
            }
            return false;
        }
        return true;
    }

    CoreServices* services_ = nullptr;
    int fd_ = -1;
    bool ownFd_ = false;
    std::optional<HalfBlockScreen> screen_;
    std::string out_;
};

} // namespace

std::unique_ptr<PanelView> MakePlatformView()
{
    return std::make_unique<TerminalView>();
}

std::uint32_t RunConfigureDialog(CoreServices*)
{
    return 1; // no dialog: the settings are edited in the settings file
}

} // namespace vdisplay
