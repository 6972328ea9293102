// AMD cards through the amdgpu driver's files under /sys/class/drm: the
// load and memory of the card, and the edge temperature, power and fan of
// its hwmon.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "datasources/sensors/monitors.h"

namespace sensors {
namespace {

namespace fs = std::filesystem;

const char kDrm[] = "/sys/class/drm";

std::optional<std::string> ReadLine(const fs::path& path)
{
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line))
        return std::nullopt;
    return line;
}

std::optional<double> ReadNumber(const fs::path& path)
{
    const std::optional<std::string> line = ReadLine(path);
    if (!line)
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(line->c_str(), &end);
    if (end == line->c_str())
        return std::nullopt;
    return value;
}

struct Card {
    fs::path device;
    fs::path temp;  // empty: none
    fs::path power; // empty: none
    fs::path pwm;   // empty: no fan
    double pwmMax = 255.0;
    std::string group;
    bool gone = false;
    bool failing = false;
};

class AmdGpuMonitor final : public Monitor {
public:
    AmdGpuMonitor(std::shared_ptr<int> cardsSoFar, Say say) : cardsSoFar(std::move(cardsSoFar)), say(std::move(say)) {}

    std::vector<Found> Discover() override
    {
        std::vector<std::pair<long, fs::path>> found;
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(kDrm, error)) {
            const std::string name = entry.path().filename().string();
            if (name.size() < 5 || name.compare(0, 4, "card") != 0 ||
                name.find_first_not_of("0123456789", 4) != std::string::npos)
                continue;
            const fs::path device = entry.path() / "device";
            if (ReadLine(device / "vendor").value_or("") == "0x1002" && fs::exists(device / "gpu_busy_percent"))
                found.emplace_back(std::atol(name.c_str() + 4), device);
        }
        std::sort(found.begin(), found.end());
        std::vector<Found> sensors;
        for (const auto& [number, device] : found) {
            Card card;
            card.device = device;
            card.group = "gpu" + std::to_string(++*cardsSoFar);
            Hwmon(card);
            AddCard(card.group, sensors);
            cards.push_back(std::move(card));
        }
        return sensors;
    }

    void Read(std::span<double> values) override
    {
        for (std::size_t c = 0; c < cards.size() && (c + 1) * kPerCard <= values.size(); ++c) {
            Card& card = cards[c];
            std::span<double> out = values.subspan(c * kPerCard, kPerCard);
            std::fill(out.begin(), out.end(), 0.0);
            if (card.gone)
                continue;
            const std::optional<double> load = ReadNumber(card.device / "gpu_busy_percent");
            if (!load) {
                if (!fs::exists(card.device)) {
                    card.gone = true;
                    say("the card " + card.group + " is gone; its values read 0");
                } else if (!card.failing) {
                    card.failing = true;
                    say("cannot read the load of " + card.group + "; its values read 0 until it can");
                }
                continue;
            }
            card.failing = false;
            out[1] = *load;
            out[2] = ReadNumber(card.device / "mem_info_vram_used").value_or(0.0) / 1048576.0;
            out[3] = ReadNumber(card.device / "mem_info_vram_total").value_or(0.0) / 1048576.0;
            if (!card.temp.empty())
                out[0] = ReadNumber(card.temp).value_or(0.0) / 1000.0;
            if (!card.power.empty())
                out[4] = ReadNumber(card.power).value_or(0.0) / 1e6;
            if (!card.pwm.empty() && card.pwmMax > 0.0)
                out[5] = ReadNumber(card.pwm).value_or(0.0) * 100.0 / card.pwmMax;
        }
    }

private:
    // The card's hwmon: edge temperature (temp1 when unlabelled), power
    // average or input, fan duty.
    static void Hwmon(Card& card)
    {
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(card.device / "hwmon", error)) {
            const fs::path dir = entry.path();
            for (int n = 1; n <= 8 && card.temp.empty(); ++n) {
                const std::string temp = "temp" + std::to_string(n);
                if (ReadLine(dir / (temp + "_label")).value_or("") == "edge")
                    card.temp = dir / (temp + "_input");
            }
            if (card.temp.empty() && fs::exists(dir / "temp1_input"))
                card.temp = dir / "temp1_input";
            for (const char* power : {"power1_average", "power1_input"})
                if (card.power.empty() && fs::exists(dir / power))
                    card.power = dir / power;
            if (fs::exists(dir / "pwm1")) {
                card.pwm = dir / "pwm1";
                card.pwmMax = ReadNumber(dir / "pwm1_max").value_or(255.0);
            }
            break;
        }
    }

    std::shared_ptr<int> cardsSoFar;
    Say say;
    std::vector<Card> cards;
};

} // namespace

std::unique_ptr<Monitor> MakeAmdGpuMonitor(std::shared_ptr<int> cardsSoFar, Say say)
{
    return std::make_unique<AmdGpuMonitor>(std::move(cardsSoFar), std::move(say));
}

} // namespace sensors
