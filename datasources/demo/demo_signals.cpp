#include "datasources/demo/demo_signals.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace demo {

namespace {

const char* const kMessages[] = {
    "Hello from Glancer",
    "Values from Demo",
    "Screens rotate",
    "Ctrl-C ends the demo",
};
constexpr std::int64_t kMessageCount = sizeof kMessages / sizeof kMessages[0];

// A triangle wave over 0..span: up one per step, then down again.
int Bounce(std::int64_t steps, int span)
{
    const std::int64_t p = steps % (2 * span);
    return static_cast<int>(p <= span ? p : 2 * span - p);
}

std::int64_t NotNegative(std::int64_t ms)
{
    return ms < 0 ? 0 : ms;
}

} // namespace

double Sine(std::int64_t ms)
{
    const double phase = static_cast<double>(NotNegative(ms) % kSinePeriodMs) / static_cast<double>(kSinePeriodMs);
    return 50.0 + 50.0 * std::sin(2.0 * std::numbers::pi * phase);
}

std::int32_t Counter(std::int64_t ms)
{
    const std::int64_t seconds = NotNegative(ms) / 1000;
    return seconds > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(seconds);
}

const char* Message(std::int64_t ms)
{
    return kMessages[NotNegative(ms) / kMessageMs % kMessageCount];
}

Point BallCentre(std::int64_t ms)
{
    constexpr int span = static_cast<int>(kBallSize) - 1 - 2 * kBallRadius;
    const std::int64_t steps = NotNegative(ms) / kBallStepMs;
    // Different speeds on the two axes make the path cover the picture; the
    // speeds divide the span so the ball touches each edge before turning.
    static_assert(span % 3 == 0);
    return {kBallRadius + Bounce(steps * 3, span), kBallRadius + Bounce(steps, span)};
}

void DrawBall(std::uint8_t* pixels, std::int64_t ms)
{
    const Point centre = BallCentre(ms);
    for (int y = 0; y < static_cast<int>(kBallSize); ++y)
        for (int x = 0; x < static_cast<int>(kBallSize); ++x) {
            const int dx = x - centre.x;
            const int dy = y - centre.y;
            pixels[y * kBallSize + x] = dx * dx + dy * dy <= kBallRadius * kBallRadius ? 1 : 0;
        }
}

} // namespace demo
