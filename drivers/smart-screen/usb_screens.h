#pragma once

// Finding smart screens among the serial ports by their USB ids.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "drivers/smart-screen/protocol.h"

namespace smartscreen {

struct FoundScreen {
    std::string port; // "/dev/ttyACM0", "COM5"
    std::string name; // the USB product name, for lists
    std::optional<Revision> revision;
};

// The revision a USB device is, by vendor, product and serial number;
// nothing when it is not a screen we know.
std::optional<Revision> RevisionFromUsb(std::uint16_t vendor, std::uint16_t product, const std::string& serial);

// The screens present (per platform). On Linux `sysfs` is the root of
// /sys, for tests.
std::vector<FoundScreen> FindScreens(const std::string& sysfs = "/sys");

} // namespace smartscreen
