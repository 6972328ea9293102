#pragma once

#include <cstdint>
#include <ctime>

// The texts the data source shows. Each writes a terminated text of at most
// size-1 characters into `out`; with size 0 it writes nothing.

// "3d 04:05" with days, "04:05" (hours and minutes) below a day.
void FormatUptime(std::int64_t seconds, char* out, std::uint32_t size);
// "D 12.3K U 4.0K": receive and send rates in KiB/s, switching to M and G.
void FormatNetRates(double receiveKiB, double sendKiB, char* out, std::uint32_t size);
// "12.3 GiB free", in the largest unit that keeps the number at 1 or more.
void FormatDiskFree(std::uint64_t bytes, char* out, std::uint32_t size);
// "HH:MM:SS" or "YYYY-MM-DD".
void FormatClock(const std::tm& now, bool date, char* out, std::uint32_t size);
// Copies `text`, cut to size-1 characters, and terminates.
void CopyText(const char* text, char* out, std::uint32_t size);
