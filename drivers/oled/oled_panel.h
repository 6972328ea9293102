#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "drivers/common/lcd_panel.h"
#include "drivers/oled/controller.h"
#include "drivers/oled/i2c_link.h"
#include "plugin/api/glancer_plugin.h"

namespace oled {

// The panel the drawing calls change, sent to the module by a thread of its
// own so the refresh never waits for the bus. The thread opens the link,
// sets the controller up and then sends only what changed. When the module
// cannot be reached it logs one line, tries again every `retry` and, once it
// answers, sends the whole picture.
class OledPanel {
public:
    OledPanel(const Config& config, std::unique_ptr<I2cLink> link, CoreServices* services,
              std::chrono::milliseconds retry = std::chrono::seconds(3));
    ~OledPanel(); // Stop
    OledPanel(const OledPanel&) = delete;
    OledPanel& operator=(const OledPanel&) = delete;

    // Text cells are 6 x 8 pixels, as on the Virtual display.
    static panelcore::Geometry GeometryOf(const Config& config);

    void Start();
    // Sends the final state if the module answers, then closes the link.
    void Stop();

    // Drawing calls, safe from any thread.
    void Clear();
    void WriteText(const char* text, std::uint32_t x, std::uint32_t y);
    void CopyRegion(const FrameBufferHeader& frame, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                    std::uint32_t height);

private:
    template <class Change> void Draw(Change change);
    void Run();
    bool Connect();
    bool Send();
    std::string Every() const;
    void Log(const std::string& text) const;

    std::mutex mutex_;
    std::condition_variable wake_;
    panelcore::LcdPanel shared_; // guarded by mutex_
    bool dirty_ = false;         // guarded by mutex_
    bool stopping_ = false;      // guarded by mutex_
    std::thread thread_;

    // The thread's own (and Stop's once the thread has ended).
    const Config config_;
    const std::unique_ptr<I2cLink> link_;
    CoreServices* const services_;
    const std::chrono::milliseconds retry_;
    panelcore::LcdPanel work_;
    std::vector<std::uint8_t> picture_;
    PageWriter writer_;
    bool connected_ = false;
    bool displayOn_ = false;
    bool failing_ = false; // the outage is logged already
};

} // namespace oled
