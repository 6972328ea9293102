#pragma once

#include <cstdint>
#include <string>

// One screen action, read from a screen file and run by the Core.
struct Action {
    std::string id;          // "Core.NextScreen", "Core.ChangeScreen"; anything else does nothing
    std::string parameter;   // target screen name for "Core.ChangeScreen"
    std::uint32_t delay = 0;   // ms from scheduling until it runs; 0: end of this tick
    std::uint32_t elapsed = 0; // ms counted so far while pending
};
