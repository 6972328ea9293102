#pragma once

#include <cstdint>

// The demo data source's values as pure functions of the milliseconds since
// it started, so every reader sees the same curve without a thread of its own.
namespace demo {

inline constexpr std::uint32_t kBallSize = 32;  // the picture is kBallSize x kBallSize
inline constexpr int kBallRadius = 5;
inline constexpr std::int64_t kBallStepMs = 100; // the ball moves once per step
inline constexpr std::int64_t kSinePeriodMs = 10000;
inline constexpr std::int64_t kMessageMs = 3000;

// 50 + 50 sin(2 pi t / 10 s): 0..100, starting at 50 and rising.
double Sine(std::int64_t ms);
// Whole seconds since the start, saturating at INT32_MAX.
std::int32_t Counter(std::int64_t ms);
// One of a few fixed messages, the next one every three seconds.
const char* Message(std::int64_t ms);
// The centre of the ball at `ms`: each coordinate runs between kBallRadius
// and kBallSize - 1 - kBallRadius and back, so the disc never leaves the
// picture.
struct Point {
    int x;
    int y;
};
Point BallCentre(std::int64_t ms);
// Draws the ball at `ms` into kBallSize * kBallSize bytes (1 lit, 0 unlit,
// rows from the top).
void DrawBall(std::uint8_t* pixels, std::int64_t ms);

} // namespace demo
