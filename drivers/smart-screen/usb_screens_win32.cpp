#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "drivers/smart-screen/usb_screens.h"

namespace smartscreen {

namespace {

// "USB\VID_1A86&PID_5722\USB35INCHIPSV2": vendor, product, serial number.
bool ParseInstanceId(const std::string& id, std::uint16_t& vendor, std::uint16_t& product, std::string& serial)
{
    const std::size_t v = id.find("VID_");
    const std::size_t p = id.find("PID_");
    if (id.rfind("USB\\", 0) != 0 || v == std::string::npos || p == std::string::npos)
        return false;
    vendor = static_cast<std::uint16_t>(std::strtoul(id.c_str() + v + 4, nullptr, 16));
    product = static_cast<std::uint16_t>(std::strtoul(id.c_str() + p + 4, nullptr, 16));
    const std::size_t slash = id.rfind('\\');
    serial = slash == std::string::npos ? std::string() : id.substr(slash + 1);
    return true;
}

} // namespace

std::vector<FoundScreen> FindScreens(const std::string& /*sysfs*/)
{
    std::vector<FoundScreen> found;
    static const GUID kPorts = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    HDEVINFO set = SetupDiGetClassDevsA(&kPorts, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return found;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &info); ++index) {
        char id[512] = {};
        if (!SetupDiGetDeviceInstanceIdA(set, &info, id, sizeof id, nullptr))
            continue;
        std::uint16_t vendor = 0, product = 0;
        std::string serial;
        if (!ParseInstanceId(id, vendor, product, serial))
            continue;
        const std::optional<Revision> revision = RevisionFromUsb(vendor, product, serial);
        if (!revision)
            continue;
        char port[64] = {};
        HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            DWORD size = sizeof port - 1;
            DWORD type = 0;
            if (RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(port), &size) !=
                    ERROR_SUCCESS ||
                type != REG_SZ)
                port[0] = '\0';
            RegCloseKey(key);
        }
        if (port[0] == '\0')
            continue;
        char name[256] = {};
        if (!SetupDiGetDeviceRegistryPropertyA(set, &info, SPDRP_FRIENDLYNAME, nullptr, reinterpret_cast<BYTE*>(name),
                                               sizeof name - 1, nullptr))
            std::snprintf(name, sizeof name, "%04X:%04X", vendor, product);
        found.push_back({port, name, revision});
    }
    SetupDiDestroyDeviceInfoList(set);
    std::sort(found.begin(), found.end(), [](const FoundScreen& a, const FoundScreen& b) { return a.port < b.port; });
    return found;
}

} // namespace smartscreen
