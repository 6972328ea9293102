#pragma once

#include <cstdint>
#include <string>

#include "core/draw_request.h"
#include "plugin/api/glancer_plugin.h"

class Bitmap;

// The Core's picture of the display and its link to the selected driver.
// The leading fields (the FrameBufferHeader base) are read by drivers in
// updateRegion, so they stay first and keep their widths.
class FrameBuffer : public FrameBufferHeader {
public:
    FrameBuffer();
    ~FrameBuffer();
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    // Selects a driver; a driver bound before gets the farewell sequence first.
    void Bind(IDisplayDriver* newDriver);
    // init, name and geometry of the bound driver, five log lines, cleared frame.
    void Init();
    // Farewell sequence: clear, prepareShutdown, "Good Bye!" at 0,0, shutdown.
    void Release();
    void Clear();
    void WriteText(const std::string& text, std::uint32_t x, std::uint32_t y);
    // Zeroes the rectangle, cut to the frame.
    void ClearRect(std::uint32_t x1, std::uint32_t y1, std::uint32_t x2, std::uint32_t y2);
    // ORs the part of `image` at (x, y) inside `clip` into the frame (mode 2);
    // with `send`, hands the image's whole rectangle to the driver. An image
    // that does not fit the frame entirely is neither drawn nor sent.
    void Blit(const Bitmap& image, std::uint32_t x, std::uint32_t y, Rect clip, bool send, std::uint32_t mode);

    std::uint32_t XPixels() const { return xPixels; }
    std::uint32_t YPixels() const { return yPixels; }
    std::uint32_t XChars() const { return xChars; }
    std::uint32_t YChars() const { return yChars; }
    const std::string& DriverName() const { return driverName; }
    IDisplayDriver* Driver() const { return driver; }

    DisplayInfo displayInfo{};
    std::string driverName;
    IDisplayDriver* driver = nullptr;
};
