// The POSIX view: the panel drawn into a terminal with half-block or
// quadrant characters, redrawn whole when the terminal is resized.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "drivers/virtual/halfblock_screen.h"
#include "drivers/virtual/panel_view.h"

namespace vdisplay {

namespace {

// How long a write may wait for a slow reader before the frame is dropped.
constexpr int kWriteTimeoutMs = 500;

// Where the SIGWINCH handler reports a resize: the write end of the pipe of
// the view that draws into the terminal (one at a time), or -1.
std::atomic<int> resizePipe{-1};

void OnResize(int)
{
    const int saved = errno;
    const int fd = resizePipe.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
    errno = saved;
}

// A pipe whose ends are closed with it; both ends non-blocking.
struct Pipe {
    int read = -1;
    int write = -1;
    bool Open()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        read = ends[0];
        write = ends[1];
        return true;
    }
    void Close()
    {
        for (int* fd : {&read, &write}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }
};

class TerminalView final : public PanelView {
public:
    ~TerminalView() override { Stop(); }

    bool Start(const Settings& settings, CoreServices* services) override
    {
        services_ = services;
        if (!Open(settings.output))
            return false;
        screen_.emplace(settings.litColour, settings.unlitColour, settings.border);
        if (::isatty(fd_) != 0)
            FollowResizes();
        return true;
    }

    void Show(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height) override
    {
        const std::lock_guard lock(mutex_);
        if (fd_ < 0 || !screen_)
            return;
        last_.assign(picture, picture + std::size_t{width} * height);
        lastWidth_ = width;
        lastHeight_ = height;
        Render();
    }

    void Stop() override
    {
        if (resizeThread_.joinable()) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t ignored = ::write(stop_.write, &byte, 1);
            resizeThread_.join();
            resizePipe.store(-1);
            ::sigaction(SIGWINCH, &previousAction_, nullptr);
            resize_.Close();
            stop_.Close();
        }
        const std::lock_guard lock(mutex_);
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
    // Under mutex_: the last picture, at the terminal's current size.
    void Render()
    {
        out_.clear();
        screen_->Render(last_.data(), lastWidth_, lastHeight_, Size(), out_);
        if (!WriteAll(out_))
            screen_->Invalidate(); // the terminal shows some unknown part of it: redraw all next time
    }

    // A thread that sleeps until SIGWINCH and then redraws the last picture,
    // which Render does whole at a new size.
    void FollowResizes()
    {
        if (resizePipe.load() >= 0 || !resize_.Open() || !stop_.Open()) {
            resize_.Close();
            stop_.Close();
            return;
        }
        resizePipe.store(resize_.write);
        struct sigaction action {};
        action.sa_handler = OnResize;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGWINCH, &action, &previousAction_);
        resizeThread_ = std::thread([this] {
            pollfd fds[2] = {{stop_.read, POLLIN, 0}, {resize_.read, POLLIN, 0}};
            for (;;) {
                if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                    return;
                if (fds[0].revents != 0)
                    return;
                if (fds[1].revents == 0)
                    continue;
                char bytes[64];
                while (::read(resize_.read, bytes, sizeof bytes) > 0) {
                }
                const std::lock_guard lock(mutex_);
                if (fd_ >= 0 && screen_ && !last_.empty())
                    Render();
            }
        });
    }

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
    std::mutex mutex_; // Show and the resize thread draw in turn
    int fd_ = -1;
    bool ownFd_ = false;
    std::optional<HalfBlockScreen> screen_;
    std::string out_;
    std::vector<std::uint8_t> last_;
    std::uint32_t lastWidth_ = 0;
    std::uint32_t lastHeight_ = 0;
    Pipe resize_;
    Pipe stop_;
    struct sigaction previousAction_ {};
    std::thread resizeThread_;
};

} // namespace

std::unique_ptr<PanelView> MakePlatformView()
{
    return std::make_unique<TerminalView>();
}

} // namespace vdisplay
