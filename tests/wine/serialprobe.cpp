// serialprobe PORT BAUD BYTES: opens PORT as the Serial LCD driver does and
// prints the write timeout, in milliseconds, the port got for BYTES bytes.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "drivers/common/serial_port.h"

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    panelcore::SerialPort port(argv[1], static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    std::string reason;
    if (!port.Open(reason)) {
        std::printf("%s %s\n", argv[1], reason.c_str());
        return 1;
    }
    std::printf("%u\n", port.WriteTimeoutFor(std::strtoul(argv[3], nullptr, 10)));
    return 0;
}
