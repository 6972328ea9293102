#include "drivers/lcdd/lcdd_client.h"

#include <algorithm>
#include <exception>

namespace lcdd {

namespace {

using namespace std::chrono_literals;

constexpr auto kHandshakeWait = 2s;
constexpr auto kStallLimit = 10s;           // a server that takes nothing this long is gone
constexpr std::size_t kMaxQueued = 1 << 18; // so is one that lets this much pile up
constexpr auto kLastFlush = 1s;
constexpr auto kNever = LineSocket::Clock::time_point::max();

// "0.5 s", "15 s"
std::string Seconds(std::chrono::milliseconds wait)
{
    const auto count = wait.count();
    return std::to_string(count / 1000) + (count % 1000 != 0 ? "." + std::to_string(count % 1000 / 100) : "") + " s";
}

std::string SizeText(const charpanel::Geometry& size)
{
    return std::to_string(size.columns) + " x " + std::to_string(size.rows);
}

} // namespace

LcddClient::LcddClient(Endpoint endpoint, CoreServices* services) : endpoint_(std::move(endpoint)), services_(services)
{
}

LcddClient::~LcddClient()
{
    Stop();
}

void LcddClient::Start()
{
    if (thread_.joinable())
        return;
    socket_.Resume();
    const std::optional<Greeting> greeting = Handshake();
    charpanel::Geometry size;
    if (greeting)
        size = charpanel::Geometry{greeting->columns, greeting->rows};
    logged_ = size;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        screen_ = std::make_unique<LcddScreen>(std::min(size.columns, charpanel::kMaxColumns),
                                               std::min(size.rows, charpanel::kMaxRows));
        panel_ = std::make_unique<charpanel::CharPanel>(size, *screen_);
        stopping_ = false;
    }
    if (greeting)
        TakeScreen(*greeting);
    thread_ = std::thread([this] {
        try {
            Run();
        } catch (...) {
            // Only when even giving up failed (out of memory): the panel
            // keeps its last picture, nothing more is queued for it, and
            // the program goes on.
            socket_.Close();
            std::lock_guard<std::mutex> lock(mutex_);
            screen_->SetOutput(nullptr);
            queued_.clear();
        }
    });
}

void LcddClient::Stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    socket_.Interrupt();
    thread_.join();
    socket_.Close();
}

DisplayInfo LcddClient::Info() const
{
    return panel_ != nullptr ? panel_->Info() : charpanel::InfoFor(charpanel::Geometry{});
}

// The thread is woken once, by the call that queues the first command since
// it last took the queue; it sends from its own wake-up. (Sending here
// instead would save that wake-up but not the one for the server's answers,
// and the thread must be wakeable anyway for Stop and for what the socket
// did not take, so the socket stays the thread's alone.)
template <typename Draw> void LcddClient::Drawing(Draw draw)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (panel_ == nullptr)
            return;
        const bool idle = queued_.empty();
        draw();
        panel_->Sync(); // the widget commands for what changed
        wake = idle && !queued_.empty();
    }
    if (wake)
        socket_.Wake();
}

void LcddClient::Clear()
{
    Drawing([this] { panel_->Clear(); });
}

void LcddClient::WriteText(const char* text, std::uint32_t x, std::uint32_t y)
{
    Drawing([&] {
        if (!panel_->WriteText(text, x, y) && !cutLogged_) {
            cutLogged_ = true;
            Log("LCDd: text at column " + std::to_string(x) + ", row " + std::to_string(y) + " is cut at the panel's " +
                std::to_string(panel_->Size().columns) + " x " + std::to_string(panel_->Size().rows) +
                " (logged once)");
        }
    });
}

void LcddClient::UpdateRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                              std::uint32_t height)
{
    Drawing([&] { panel_->UpdateRegion(frame, x, y, width, height); });
}

std::optional<Greeting> LcddClient::Handshake()
{
    std::string error;
    const auto deadline = LineSocket::Clock::now() + kHandshakeWait;
    lines_.Clear();
    std::optional<std::string> greeting;
    bool ok =
        socket_.Connect(endpoint_.host, endpoint_.port, deadline, error) && socket_.Send("hello\n", 6, error) == 6;
    if (!ok)
        error = "cannot reach the server at " + Where() + " (" + error + ")";
    while (ok && !greeting) {
        ok = LineSocket::Clock::now() < deadline && !socket_.Interrupted();
        received_.clear();
        if (ok && socket_.Wait(LineSocket::Event::Data, deadline))
            ok = socket_.Receive(received_, error);
        // What follows the greeting in the same bytes is heard as usual.
        lines_.Feed(received_, [&](std::string_view line) {
            if (!greeting)
                greeting.emplace(line);
            else if (auto complaint = complaints_.Take(line))
                Log(*complaint);
        });
        if (greeting)
            ok = true; // a server that greets and hangs up is lost later, like any other
        else if (!ok)
            error = "no greeting from the server at " + Where() + (error.empty() ? "" : " (" + error + ")");
    }
    std::optional<Greeting> parsed;
    if (ok && !(parsed = ParseGreeting(*greeting))) {
        ok = false;
        error = "the server at " + Where() + " answered \"" + Printable(*greeting) + "\" to hello";
    }
    if (!ok) {
        if (!socket_.Interrupted())
            Retry(error);
        socket_.Close();
        return std::nullopt;
    }
    backoff_.Connected(LineSocket::Clock::now());
    return parsed;
}

void LcddClient::TakeScreen(const Greeting& greeting)
{
    const charpanel::Geometry size{greeting.columns, greeting.rows};
    std::lock_guard<std::mutex> lock(mutex_);
    if (size.columns != logged_.columns || size.rows != logged_.rows) {
        logged_ = size;
        Log("LCDd: the server's panel is now " + SizeText(size) + "; Glancer keeps its size until it starts again");
    }
    // Within an outage the connection is logged once it has held (Round).
    announced_ = !failing_;
    if (announced_)
        Log("LCDd: connected to the server at " + Where() + ", showing " + SizeText(panel_->Size()));
    sending_ = "client_set -name Glancer\nscreen_add Glancer\n"
               "screen_set Glancer -name Glancer -priority foreground -heartbeat off\n";
    queued_.clear();
    screen_->SetOutput(&queued_);
    screen_->SetCellHeight(greeting.cellHeight);
    panel_->Redraw();
    lastProgress_ = LineSocket::Clock::now();
}

void LcddClient::Run()
{
    auto flushBy = kNever; // once stopping, how long what is queued may take to leave
    for (;;) {
        try {
            if (!Round(flushBy))
                return;
        } catch (const std::exception& error) {
            Lost(error.what());
        } catch (...) {
            Lost("an unknown error");
        }
    }
}

bool LcddClient::Round(LineSocket::Clock::time_point& flushBy)
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (stopping_ && flushBy == kNever)
            flushBy = LineSocket::Clock::now() + kLastFlush;
        if (!socket_.IsOpen() && !stopping_) {
            if (wake_.wait_until(lock, retryAt_, [this] { return stopping_; }))
                return true;
            lock.unlock();
            if (const std::optional<Greeting> greeting = Handshake())
                TakeScreen(*greeting);
            return true;
        }
    }
    if (!socket_.IsOpen())
        return false;
    if (Exchange(flushBy) && flushBy != kNever && (sending_.empty() || LineSocket::Clock::now() >= flushBy)) {
        socket_.Close();
        return false;
    }
    if (socket_.IsOpen() && backoff_.Settled(LineSocket::Clock::now()) && failing_) {
        failing_ = false;
        announced_ = true;
        std::lock_guard<std::mutex> lock(mutex_);
        Log("LCDd: connected to the server at " + Where() + " again, showing " + SizeText(panel_->Size()));
    }
    return true;
}

// One round: reads what arrived, sends what is queued and what the socket
// took too little of, sleeps; false when the server is lost. Idle and
// healthy, the sleep has no end but a drawing call's wake or the server
// hanging up (or a new connection having held); only output the server is
// not taking has a deadline. The server answers every command; the answers
// wait in the socket for the next round rather than waking the thread
// themselves.
bool LcddClient::Exchange(LineSocket::Clock::time_point flushBy)
{
    std::string error;
    if (!Hear(error)) {
        Lost(error);
        return false;
    }
    const auto now = LineSocket::Clock::now();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (sending_.empty())
            lastProgress_ = now; // nothing owed until now: no stall
        sending_.append(queued_);
        queued_.clear();
    }
    if (sending_.size() > kMaxQueued || now - lastProgress_ > kStallLimit) {
        Lost("the server stopped reading");
        return false;
    }
    long sent = 0;
    while (static_cast<std::size_t>(sent) < sending_.size()) {
        const std::string_view rest = std::string_view(sending_).substr(static_cast<std::size_t>(sent));
        const std::size_t piece = NextPiece(rest);
        const long taken = socket_.Send(rest.data(), piece, error);
        if (taken < 0) {
            Lost(error);
            return false;
        }
        sent += taken;
        if (static_cast<std::size_t>(taken) < piece)
            break; // the socket is full: the rest waits for room
    }
    if (sent > 0)
        lastProgress_ = now;
    sending_.erase(0, static_cast<std::size_t>(sent));
    if (sending_.empty() && flushBy != kNever)
        return true;
    const auto wakeBy = std::min(flushBy, backoff_.SettlesAt());
    if (sending_.empty())
        socket_.Wait(LineSocket::Event::Hangup, wakeBy);
    else
        socket_.Wait(LineSocket::Event::Room, std::min(wakeBy, lastProgress_ + kStallLimit));
    return true;
}

// Reads what has arrived and logs the server's complaints; false when the
// server is gone.
bool LcddClient::Hear(std::string& error)
{
    received_.clear();
    const bool open = socket_.Receive(received_, error);
    // success, listen, ignore, key and menu events need nothing from us.
    lines_.Feed(received_, [this](std::string_view line) {
        if (auto complaint = complaints_.Take(line))
            Log(*complaint);
    });
    return open;
}

void LcddClient::Lost(const std::string& why)
{
    sending_.clear();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (screen_ != nullptr)
            screen_->SetOutput(nullptr);
        queued_.clear();
    }
    // A connection not logged yet (failing_ still set) is not logged lost either.
    Retry("lost the server at " + Where() + " (" + why + ")");
}

void LcddClient::Retry(const std::string& problem)
{
    socket_.Close();
    const auto now = LineSocket::Clock::now();
    backoff_.Settled(now); // a connection that held starts the count over
    const auto wait = backoff_.Failed(now);
    retryAt_ = now + wait;
    if (!failing_)
        Log("LCDd: " + problem + "; trying again in " + Seconds(wait) + ", then less often, at least every " +
            Seconds(Backoff::kLongest));
    failing_ = true;
    announced_ = false;
}

std::string LcddClient::Where() const
{
    return endpoint_.host + ":" + std::to_string(endpoint_.port);
}

void LcddClient::Log(const std::string& text) const
{
    if (services_ != nullptr)
        services_->vtbl->Log(services_, text.c_str());
}

} // namespace lcdd
