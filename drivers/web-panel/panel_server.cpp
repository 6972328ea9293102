#include "drivers/web-panel/panel_server.h"

#include <array>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <asio.hpp>

#ifdef __linux__
#include <pthread.h>
#endif

#include "drivers/common/lcd_panel.h"
#include "drivers/web-panel/frame_events.h"
#include "drivers/web-panel/http_request.h"

namespace webpanel {

namespace {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using panelcore::LcdPanel;

constexpr std::chrono::milliseconds kFramePeriod(50); // at most 20 pictures a second
constexpr std::chrono::seconds kKeepAlivePeriod(30);
constexpr std::chrono::seconds kRequestTime(10);   // to send the request head
constexpr std::chrono::seconds kMaxBehind(5);      // a client this far behind is dropped
constexpr std::size_t kMaxQueued = 1024 * 1024;    // or this many bytes behind
constexpr std::chrono::seconds kLinger(2);         // reading what a refused client still sends
constexpr std::chrono::milliseconds kFarewell(500); // for the last picture at shutdown
constexpr std::size_t kMaxClients = 64;
constexpr int kSendBuffer = 64 * 1024; // keeps what the system holds for a slow client small

using Bytes = std::shared_ptr<const std::string>;

struct Queued {
    Bytes bytes;
    std::size_t offset; // written so far
    Clock::time_point since;
};

struct Client {
    explicit Client(asio::io_context& io) : socket(io), timer(io) {}
    tcp::socket socket;
    asio::steady_timer timer; // how far behind it may fall; how long a refused one may linger
    std::array<char, 2048> input{};
    HttpRequest request;
    Clock::time_point connected;
    bool events = false;
    bool closed = false;
    bool writing = false; // waiting for room to write
    bool behind = false;  // the timer runs
    std::deque<Queued> queue;
    std::size_t queuedBytes = 0;
};

using ClientPtr = std::shared_ptr<Client>;

std::string Response(int status, const char* type, const std::string& body, bool keepOpen)
{
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) + "\r\n";
    out += "Content-Type: ";
    out += type;
    out += "\r\nCache-Control: no-cache\r\n";
    if (status == 405)
        out += "Allow: GET\r\n";
    if (keepOpen) {
        out += "Connection: keep-alive\r\n\r\n";
    } else {
        out += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    }
    return out + body;
}

} // namespace

class PanelServer::Impl {
public:
    Impl() : acceptor_(io_), flushTimer_(io_), keepAliveTimer_(io_), acceptTimer_(io_), stopTimer_(io_) {}

    void Start(const Settings& settings, CoreServices* services)
    {
        settings_ = settings;
        services_ = services;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            shared_ = LcdPanel(settings.geometry);
            dirty_ = false;
        }
        work_ = LcdPanel(settings.geometry);
        work_.Compose(shown_);
        panelEvent_ = PanelEvent(settings);
        keepAlive_ = std::make_shared<const std::string>(kKeepAlive);
        if (!Listen())
            return;
        Accept();
        thread_ = std::thread([this] { Run(); });
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = true;
    }

    void Stop()
    {
        if (!thread_.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            running_ = false; // the last drawing calls have been made
        }
        asio::post(io_, [this] { Finish(); });
        thread_.join();
    }

    template <class Change> void Draw(Change change)
    {
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            change(shared_);
            wake = !dirty_ && running_; // later changes join the one already waiting
            dirty_ = true;
        }
        if (wake)
            asio::post(io_, [this] { Changed(); });
    }

private:
    void Log(const std::string& line)
    {
        if (services_ != nullptr)
            services_->vtbl->Log(services_, (std::string(kName) + ": " + line).c_str());
    }

    bool Listen()
    {
        asio::error_code error;
        const asio::ip::address address = asio::ip::make_address(settings_.address, error);
        asio::ip::address used = address;
        if (error) {
            Log("Address \"" + settings_.address + "\" is not an IP address, using 127.0.0.1");
            used = asio::ip::address_v4::loopback();
        } else if (settings_.address != "127.0.0.1") {
            Log("warning: listening on " + settings_.address +
                ", not only on 127.0.0.1: other computers may see the panel");
        }
        const tcp::endpoint endpoint(used, static_cast<unsigned short>(settings_.port));
        acceptor_.open(endpoint.protocol(), error);
#ifndef _WIN32
        // A restart may bind again while the last run's connections linger.
        // (On Windows this option would let two programs share the port.)
        if (!error)
            acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
#endif
        if (!error)
            acceptor_.bind(endpoint, error);
        if (!error)
            acceptor_.listen(asio::socket_base::max_listen_connections, error);
        if (error) {
            Log("cannot listen on " + used.to_string() + ":" + std::to_string(settings_.port) + ": " +
                error.message() + "; the panel is not served");
            acceptor_.close(error);
            return false;
        }
        const tcp::endpoint bound = acceptor_.local_endpoint(error);
        std::string host = used.to_string();
        if (used.is_v6())
            host = "[" + host + "]";
        Log("serving http://" + host + ":" + std::to_string(bound.port()) + "/");
        return true;
    }

    void Run()
    {
#ifdef __linux__
        // Lets wake-ups be counted per thread (/proc/PID/task/*/comm).
        pthread_setname_np(pthread_self(), "web-panel");
#endif
        try {
            io_.run();
        } catch (...) {
            // Handlers catch what they can; this leaves the panel unseen but the program running.
            Log("the server stopped after an error; the panel is no longer served");
        }
    }

    void Accept()
    {
        auto client = std::make_shared<Client>(io_);
        acceptor_.async_accept(client->socket, [this, client](const asio::error_code& error) {
            if (error == asio::error::operation_aborted || stopping_)
                return;
            if (error) {
                // Out of descriptors, say: try again in a second rather than spin.
                acceptTimer_.expires_after(std::chrono::seconds(1));
                acceptTimer_.async_wait([this](const asio::error_code& e) {
                    if (!e && !stopping_)
                        Accept();
                });
                return;
            }
            Accept();
            CloseSilent();
            client->connected = Clock::now();
            clients_.insert(client);
            if (clients_.size() > kMaxClients) {
                Refuse(client, 503);
                return;
            }
            ReadRequest(client);
        });
    }

    void ReadRequest(const ClientPtr& client)
    {
        client->socket.async_read_some(
            asio::buffer(client->input), [this, client](const asio::error_code& error, std::size_t size) {
                if (client->closed)
                    return;
                if (error) {
                    Close(client);
                    return;
                }
                if (!client->request.Feed(std::string_view(client->input.data(), size))) {
                    ReadRequest(client);
                    return;
                }
                if (stopping_)
                    Close(client);
                else if (client->request.status() != 200)
                    Refuse(client, client->request.status());
                else if (client->request.route() == HttpRequest::Route::Page)
                    Answer(client, Response(200, "text/html; charset=utf-8", kPage, false));
                else
                    Subscribe(client);
            });
    }

    // Connections that have not sent their request in time are closed when
    // the next one arrives: that costs no timer, and only a new connection
    // needs their place.
    void CloseSilent()
    {
        const Clock::time_point now = Clock::now();
        for (const ClientPtr& client : std::vector<ClientPtr>(clients_.begin(), clients_.end()))
            if (!client->request.Done() && now - client->connected > kRequestTime)
                Close(client);
    }

    void Refuse(const ClientPtr& client, int status)
    {
        Answer(client, Response(status, "text/plain; charset=utf-8", std::string(StatusText(status)) + "\n", false));
    }

    // Sends one whole answer, then closes once the client has nothing more
    // to say: closing while its request is still arriving would reset the
    // connection and could take the answer with it.
    void Answer(const ClientPtr& client, std::string text)
    {
        auto bytes = std::make_shared<const std::string>(std::move(text));
        asio::async_write(client->socket, asio::buffer(*bytes),
                          [this, client, bytes](const asio::error_code& error, std::size_t) {
                              if (client->closed)
                                  return;
                              if (error) {
                                  Close(client);
                                  return;
                              }
                              asio::error_code ignored;
                              client->socket.shutdown(tcp::socket::shutdown_send, ignored);
                              client->timer.expires_after(kLinger);
                              client->timer.async_wait([this, client](const asio::error_code& e) {
                                  if (!e)
                                      Close(client);
                              });
                              Drain(client);
                          });
    }

    void Drain(const ClientPtr& client)
    {
        client->socket.async_read_some(asio::buffer(client->input),
                                       [this, client](const asio::error_code& error, std::size_t) {
                                           if (client->closed)
                                               return;
                                           if (error)
                                               Close(client);
                                           else
                                               Drain(client);
                                       });
    }

    void Subscribe(const ClientPtr& client)
    {
        client->events = true;
        asio::error_code ignored;
        client->socket.set_option(asio::socket_base::send_buffer_size(kSendBuffer), ignored);
        client->socket.set_option(tcp::no_delay(true), ignored);
        client->socket.non_blocking(true, ignored);
        std::string first = Response(200, "text/event-stream", panelEvent_, true);
        AppendRectEvent(first, shown_, settings_.geometry.xPixels,
                        Rect{0, 0, settings_.geometry.xPixels, settings_.geometry.yPixels});
        Send(client, std::make_shared<const std::string>(std::move(first)));
        Drain(client); // notices when the page goes away
        if (!keepAliveArmed_)
            ArmKeepAlive();
    }

    void ArmKeepAlive()
    {
        keepAliveArmed_ = true;
        keepAliveTimer_.expires_after(kKeepAlivePeriod);
        keepAliveTimer_.async_wait([this](const asio::error_code& error) {
            keepAliveArmed_ = false;
            if (error || stopping_)
                return;
            bool any = false;
            for (const ClientPtr& client : std::vector<ClientPtr>(clients_.begin(), clients_.end()))
                if (client->events) {
                    Send(client, keepAlive_);
                    any = true;
                }
            if (any)
                ArmKeepAlive();
        });
    }

    void Send(const ClientPtr& client, const Bytes& bytes)
    {
        if (client->closed)
            return;
        if (client->queuedBytes + bytes->size() > kMaxQueued) {
            Drop(client, "1 MB");
            return;
        }
        client->queue.push_back(Queued{bytes, 0, Clock::now()});
        client->queuedBytes += bytes->size();
        if (!client->writing)
            Pump(client);
    }

    // Writes what the system takes at once; only a client whose buffer is
    // full gets a wait, and a timer for how far behind it may fall. (A
    // cancelled timer still wakes the thread once, so the usual case has none.)
    void Pump(const ClientPtr& client)
    {
        while (!client->queue.empty()) {
            Queued& front = client->queue.front();
            asio::error_code error;
            const std::size_t wrote =
                client->socket.write_some(asio::buffer(*front.bytes) + front.offset, error);
            if (error == asio::error::would_block || error == asio::error::try_again)
                break;
            if (error) {
                Close(client);
                return;
            }
            front.offset += wrote;
            if (front.offset < front.bytes->size())
                break;
            client->queuedBytes -= front.bytes->size();
            client->queue.pop_front();
        }
        if (client->queue.empty()) {
            if (client->behind) {
                client->behind = false;
                client->timer.cancel();
            }
            if (stopping_)
                Close(client);
            return;
        }
        const Clock::time_point deadline = client->queue.front().since + kMaxBehind;
        if (!client->behind || client->timer.expiry() != deadline) {
            client->behind = true;
            client->timer.expires_at(deadline);
            client->timer.async_wait([this, client](const asio::error_code& error) {
                if (!error && !client->closed && client->behind)
                    Drop(client, "5 s");
            });
        }
        client->writing = true;
        client->socket.async_wait(tcp::socket::wait_write, [this, client](const asio::error_code& error) {
            client->writing = false;
            if (client->closed)
                return;
            if (error)
                Close(client);
            else
                Pump(client);
        });
    }

    void Drop(const ClientPtr& client, const char* howFar)
    {
        Log(std::string("dropped a client that fell ") + howFar + " behind");
        Close(client);
    }

    void Close(const ClientPtr& client)
    {
        if (client->closed)
            return;
        client->closed = true;
        asio::error_code ignored;
        client->socket.close(ignored);
        client->timer.cancel();
        client->queue.clear();
        clients_.erase(client);
        if (stopping_ && clients_.empty())
            io_.stop();
    }

    // On the server's thread: a drawing call changed the panel.
    void Changed()
    {
        if (flushArmed_)
            return;
        const Clock::time_point now = Clock::now();
        if (now >= nextFlush_) {
            Flush();
            return;
        }
        flushArmed_ = true;
        flushTimer_.expires_at(nextFlush_);
        flushTimer_.async_wait([this](const asio::error_code& error) {
            flushArmed_ = false;
            if (!error)
                Flush();
        });
    }

    void Flush()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!dirty_)
                return;
            work_ = shared_; // same size: no allocation under the lock
            dirty_ = false;
        }
        try {
            work_.Compose(picture_);
            const std::uint32_t width = settings_.geometry.xPixels;
            const std::vector<Rect> rects = ChangedRects(shown_, picture_, width, settings_.geometry.yPixels);
            if (rects.empty())
                return; // redrawn with the same content
            nextFlush_ = Clock::now() + kFramePeriod;
            std::string events;
            for (const Rect& rect : rects)
                AppendRectEvent(events, picture_, width, rect);
            shown_.swap(picture_);
            const Bytes bytes = std::make_shared<const std::string>(std::move(events));
            for (const ClientPtr& client : std::vector<ClientPtr>(clients_.begin(), clients_.end()))
                if (client->events)
                    Send(client, bytes);
        } catch (const std::bad_alloc&) {
            // This picture is lost; the next change sends what differs from the last one sent.
        }
    }

    // At shutdown: the final picture ("Good Bye!") goes out, then the clients
    // are closed once they have it, or after a short while.
    void Finish()
    {
        stopping_ = true;
        asio::error_code ignored;
        acceptor_.close(ignored);
        acceptTimer_.cancel();
        keepAliveTimer_.cancel();
        flushTimer_.cancel();
        Flush();
        for (const ClientPtr& client : std::vector<ClientPtr>(clients_.begin(), clients_.end()))
            if (!client->writing)
                Close(client);
        if (clients_.empty()) {
            io_.stop();
            return;
        }
        stopTimer_.expires_after(kFarewell);
        stopTimer_.async_wait([this](const asio::error_code&) { io_.stop(); });
    }

    asio::io_context io_;
    tcp::acceptor acceptor_;
    asio::steady_timer flushTimer_;
    asio::steady_timer keepAliveTimer_;
    asio::steady_timer acceptTimer_;
    asio::steady_timer stopTimer_;
    std::thread thread_;

    std::mutex mutex_;
    bool running_ = false; // guarded by mutex_: the server's thread takes wake-ups
    LcdPanel shared_;   // guarded by mutex_
    bool dirty_ = false; // guarded by mutex_

    // The server's thread only (and Start before it runs).
    Settings settings_;
    CoreServices* services_ = nullptr;
    std::set<ClientPtr> clients_;
    LcdPanel work_;
    std::vector<std::uint8_t> picture_;
    std::vector<std::uint8_t> shown_; // what the clients have
    std::string panelEvent_;
    Bytes keepAlive_;
    Clock::time_point nextFlush_;
    bool flushArmed_ = false;
    bool keepAliveArmed_ = false;
    bool stopping_ = false;
};

PanelServer::PanelServer() : impl_(std::make_unique<Impl>()) {}

PanelServer::~PanelServer()
{
    Stop();
}

void PanelServer::Start(const Settings& settings, CoreServices* services)
{
    impl_->Start(settings, services);
}

void PanelServer::Stop()
{
    impl_->Stop();
}

void PanelServer::Clear()
{
    impl_->Draw([](LcdPanel& panel) { panel.Clear(); });
}

void PanelServer::WriteText(const char* text, std::uint32_t x, std::uint32_t y)
{
    impl_->Draw([&](LcdPanel& panel) { panel.WriteText(text, x, y); });
}

void PanelServer::CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                             std::uint32_t height)
{
    impl_->Draw([&](LcdPanel& panel) { panel.CopyRegion(frame, x, y, width, height); });
}

} // namespace webpanel
