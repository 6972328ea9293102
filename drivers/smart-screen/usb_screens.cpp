#include "drivers/smart-screen/usb_screens.h"

namespace smartscreen {

std::optional<Revision> RevisionFromUsb(std::uint16_t vendor, std::uint16_t product, const std::string& serial)
{
    // The Turing and XuanFang 3.5" screens share a CH552 bridge; only the
    // serial number tells them apart.
    if (vendor == 0x1A86 && product == 0x5722)
        return serial == "2017-2-25" ? Revision::B : Revision::A;
    if (vendor == 0x1A86 && product == 0xFE0C)
        return Revision::WeAct;
    if (vendor == 0x454D && product == 0x4E41)
        return Revision::D;
    return std::nullopt;
}

} // namespace smartscreen
