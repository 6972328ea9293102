#include "drivers/lcdd/lcdd_client.h"

#include <cstdio>

namespace lcdd {

namespace {

using namespace std::chrono_literals;

constexpr auto kHandshakeWait = 2s;
constexpr auto kStallLimit = 10s;           // a server that takes nothing this long is gone
constexpr std::size_t kMaxQueued = 1 << 18; // so is one that lets this much pile up
constexpr std::size_t kMaxLine = 4096;
constexpr auto kLastFlush = 1s;
constexpr auto kNever = LineSocket::Clock::time_point::max();

// "connect LCDproc 0.5.9 protocol 0.3 lcd wid 20 hgt 4 cellwid 5 cellhgt 8"
bool ParseGreeting(const std::string& line, charpanel::Geometry& size, std::uint32_t& cellHeight)
{
    const std::size_t lcd = line.find(" lcd ");
    unsigned wid = 0, hgt = 0, cellwid = 0, cellhgt = 8;
    if (line.rfind("connect ", 0) != 0 || lcd == std::string::npos ||
        std::sscanf(line.c_str() + lcd, " lcd wid %u hgt %u cellwid %u cellhgt %u", &wid, &hgt, &cellwid, &cellhgt) <
            2 ||
        wid == 0 || hgt == 0)
        return false;
    size = charpanel::Geometry{wid, hgt};
    cellHeight = cellhgt > 0 && cellhgt <= 64 ? cellhgt : 8;
    return true;
}

} // namespace

LcddClient::LcddClient(Endpoint endpoint, CoreServices* services, std::chrono::milliseconds retry)
    : endpoint_(std::move(endpoint)), services_(services), retry_(retry)
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
    charpanel::Geometry size;
    std::uint32_t cellHeight = 8;
    const bool connected = Handshake(size, cellHeight);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        screen_ = std::make_unique<LcddScreen>(std::min(size.columns, charpanel::kMaxColumns),
                                               std::min(size.rows, charpanel::kMaxRows));
        panel_ = std::make_unique<charpanel::CharPanel>(size, *screen_);
        stopping_ = false;
    }
    if (connected)
        TakeScreen(cellHeight);
    thread_ = std::thread([this] { Run(); });
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
    socket_.Wake();
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

bool LcddClient::Handshake(charpanel::Geometry& size, std::uint32_t& cellHeight)
{
    std::string error;
    const auto deadline = LineSocket::Clock::now() + kHandshakeWait;
    heard_.clear();
    bool ok =
        socket_.Connect(endpoint_.host, endpoint_.port, deadline, error) && socket_.Send("hello\n", 6, error) == 6;
    if (!ok)
        error = "cannot reach the server at " + Where() + " (" + error + ")";
    while (ok && heard_.find('\n') == std::string::npos) {
        ok = LineSocket::Clock::now() < deadline;
        if (ok && socket_.Wait(LineSocket::Event::Data, deadline))
            ok = socket_.Receive(heard_, error);
        if (!ok)
            error = "no greeting from the server at " + Where() + (error.empty() ? "" : " (" + error + ")");
    }
    const std::string greeting = heard_.substr(0, heard_.find('\n'));
    if (ok && !ParseGreeting(greeting, size, cellHeight)) {
        ok = false;
        error = "the server at " + Where() + " answered \"" + greeting.substr(0, 80) + "\" to hello";
    }
    if (!ok) {
        socket_.Close();
        if (!failing_)
            Log("LCDd: " + error + "; trying again every " + Every());
        failing_ = true;
        return false;
    }
    heard_.erase(0, greeting.size() + 1);
    return true;
}

void LcddClient::TakeScreen(std::uint32_t cellHeight)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const charpanel::Geometry panel = panel_->Size();
    Log("LCDd: connected to the server at " + Where() + (failing_ ? " again" : "") + ", showing " +
        std::to_string(panel.columns) + " x " + std::to_string(panel.rows));
    failing_ = false;
    sending_ = "client_set -name Glancer\nscreen_add Glancer\n"
               "screen_set Glancer -name Glancer -priority foreground -heartbeat off\n";
    queued_.clear();
    screen_->SetOutput(&queued_);
    screen_->SetCellHeight(cellHeight);
    panel_->Redraw();
    lastProgress_ = LineSocket::Clock::now();
}

void LcddClient::Run()
{
    auto flushBy = kNever; // once stopping, how long what is queued may take to leave
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (stopping_ && flushBy == kNever)
                flushBy = LineSocket::Clock::now() + kLastFlush;
            if (!socket_.IsOpen() && !stopping_) {
                lock.unlock();
                charpanel::Geometry size;
                std::uint32_t cellHeight = 8;
                if (Handshake(size, cellHeight)) {
                    if (size.columns != panel_->Size().columns || size.rows != panel_->Size().rows)
                        Log("LCDd: the server's panel is now " + std::to_string(size.columns) + " x " +
                            std::to_string(size.rows) + "; Glancer keeps its size until it starts again");
                    TakeScreen(cellHeight);
                    continue;
                }
                lock.lock();
                wake_.wait_for(lock, retry_, [this] { return stopping_; });
                continue;
            }
        }
        if (!socket_.IsOpen())
            return;
        if (Exchange(flushBy) && flushBy != kNever && (sending_.empty() || LineSocket::Clock::now() >= flushBy)) {
            socket_.Close();
            return;
        }
    }
}

// One round: reads what arrived, sends what is queued and what the socket
// took too little of, sleeps; false when the server is lost. Idle and
// healthy, the sleep has no end but a drawing call's wake or the server
// hanging up; only output the server is not taking has a deadline. The
// server answers every command; the answers wait in the socket for the
// next round rather than waking the thread themselves.
bool LcddClient::Exchange(LineSocket::Clock::time_point flushBy)
{
    std::string error;
    if (!socket_.Receive(heard_, error)) {
        Lost(error);
        return false;
    }
    for (std::size_t end; (end = heard_.find('\n')) != std::string::npos; heard_.erase(0, end + 1))
        Heard(heard_.substr(0, end));
    if (heard_.size() > kMaxLine)
        heard_.clear();
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
    const long sent = sending_.empty() ? 0 : socket_.Send(sending_.data(), sending_.size(), error);
    if (sent < 0) {
        Lost(error);
        return false;
    }
    if (sent > 0)
        lastProgress_ = now;
    sending_.erase(0, static_cast<std::size_t>(sent));
    if (sending_.empty() && flushBy != kNever)
        return true;
    if (sending_.empty())
        socket_.Wait(LineSocket::Event::Hangup, flushBy);
    else
        socket_.Wait(LineSocket::Event::Room, std::min(flushBy, lastProgress_ + kStallLimit));
    return true;
}

void LcddClient::Heard(const std::string& line)
{
    // success, listen, ignore, key and menu events need nothing from us.
    if (line.rfind("huh?", 0) == 0 && huhs_.size() < 32 && huhs_.insert(line).second)
        Log("LCDd: the server answered: " + line);
}

void LcddClient::Lost(const std::string& why)
{
    socket_.Close();
    sending_.clear();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        screen_->SetOutput(nullptr);
        queued_.clear();
    }
    if (!failing_)
        Log("LCDd: lost the server at " + Where() + " (" + why + "); trying again every " + Every());
    failing_ = true;
}

std::string LcddClient::Every() const
{
    const auto count = retry_.count();
    return count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
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
