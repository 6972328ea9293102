#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

// Readings of the machine the program runs on. Nothing here allocates
// except Hostname; nothing blocks beyond reading a small system file.

// Local wall-clock time, broken down; false when the clock cannot be read.
bool LocalTime(std::tm& out);
// Seconds since the machine started; 0 when unknown.
std::int64_t UptimeSeconds();
// Physical memory in use, 0 to 100; 0 when unknown.
std::int32_t MemoryUsedPercent();
// The machine's name; empty when unknown.
std::string Hostname();

// CPU load over the interval between two samples. Reading more often than
// every half second gives the last value, so several items showing the load
// in one refresh agree with each other.
class CpuMeter {
public:
    // Takes the first sample; the first load is reported half a second later.
    void Start();
    // Busy share of all CPUs, 0 to 100.
    double Load();

private:
    bool Sample(std::uint64_t& busy, std::uint64_t& total) const;

    std::uint64_t lastBusy = 0;
    std::uint64_t lastTotal = 0;
    std::chrono::steady_clock::time_point lastTime{};
    double load = 0.0;
    bool started = false;
};
