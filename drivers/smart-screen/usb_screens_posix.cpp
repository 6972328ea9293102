#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "drivers/smart-screen/usb_screens.h"

namespace smartscreen {

namespace {

std::string FirstLine(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::uint16_t Hex(const std::string& text)
{
    return static_cast<std::uint16_t>(std::strtoul(text.c_str(), nullptr, 16));
}

} // namespace

std::vector<FoundScreen> FindScreens(const std::string& sysfs)
{
    namespace fs = std::filesystem;
    std::vector<FoundScreen> found;
    std::error_code error;
    // class/tty/ttyACM0/device is the USB interface; its parent the device,
    // with idVendor, idProduct, serial and product.
    for (const fs::directory_entry& tty : fs::directory_iterator(fs::path(sysfs) / "class" / "tty", error)) {
        const fs::path interface = fs::canonical(tty.path() / "device", error);
        if (error) {
            error.clear();
            continue;
        }
        const fs::path device = interface.parent_path();
        const std::string vendor = FirstLine(device / "idVendor");
        const std::string product = FirstLine(device / "idProduct");
        if (vendor.empty() || product.empty())
            continue;
        const std::optional<Revision> revision =
            RevisionFromUsb(Hex(vendor), Hex(product), FirstLine(device / "serial"));
        if (!revision)
            continue;
        std::string name = FirstLine(device / "product");
        if (name.empty())
            name = vendor + ":" + product;
        found.push_back({"/dev/" + tty.path().filename().string(), name, revision});
    }
    std::sort(found.begin(), found.end(), [](const FoundScreen& a, const FoundScreen& b) { return a.port < b.port; });
    return found;
}

} // namespace smartscreen
