#pragma once

#include <cstdint>
#include <memory>

#include "drivers/web-panel/web_settings.h"
#include "plugin/api/glancer_plugin.h"

namespace webpanel {

// The panel the drawing calls change, served over HTTP on a thread of its
// own: GET / is the page, GET /events a stream of Server-Sent Events with
// the rectangles that changed (a new client first gets the whole frame).
// A drawing call only changes the shared panel under a short lock and, at
// the first change since the server last looked, wakes the server's
// thread; that thread composes the picture and sends what changed, at most
// 20 times a second. A client that falls 1 MB or 5 s behind is dropped, so
// none can stall the refresh or the others. While nothing changes the
// thread sleeps, but for a keep-alive comment every 30 s while a page is
// connected.
class PanelServer {
public:
    PanelServer();
    ~PanelServer(); // Stop
    PanelServer(const PanelServer&) = delete;
    PanelServer& operator=(const PanelServer&) = delete;

    // Listens and starts the thread. A server that cannot listen logs why
    // and keeps the panel unseen. Throws when no thread is to be had.
    void Start(const Settings& settings, CoreServices* services);
    // Sends the final state to the clients (briefly), then ends the thread.
    void Stop();

    // Drawing calls, safe from any thread.
    void Clear();
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y);
    void CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                    std::uint32_t height);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// The page, a complete HTML document.
extern const char kPage[];

} // namespace webpanel
