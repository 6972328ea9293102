// Every hwmon chip through libsensors, so that the labels, ignores and
// computations of the user's sensors3.conf and sensors.d apply as in the
// `sensors` command.
#include <sensors/error.h>
#include <sensors/sensors.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "datasources/sensors/monitors.h"
#include "datasources/sensors/sensor_table.h"

namespace sensors {
namespace {

// libsensors keeps its chips in globals: one initialisation for all the
// monitors of the process (the running source and configure-source).
std::mutex libraryMutex;
int libraryUsers = 0;

struct Feature {
    const sensors_chip_name* chip;
    std::size_t chipSlot;
    int subfeature;
    std::string name; // for log lines
    bool failing = false;
};

class HwmonMonitor final : public Monitor {
public:
    explicit HwmonMonitor(Say say) : say(std::move(say)) {}

    ~HwmonMonitor() override
    {
        std::lock_guard<std::mutex> lock(libraryMutex);
        if (initialised && --libraryUsers == 0)
            sensors_cleanup();
    }

    std::vector<Found> Discover() override
    {
        std::lock_guard<std::mutex> lock(libraryMutex);
        std::vector<Found> found;
        if (libraryUsers == 0) {
            const int code = sensors_init(nullptr);
            if (code != 0) {
                say(std::string("libsensors cannot start (") + sensors_strerror(code) + "); no hwmon chips");
                return found;
            }
        }
        ++libraryUsers;
        initialised = true;
        ChipNumbering numbering;
        int chipNumber = 0;
        while (const sensors_chip_name* chip = sensors_get_detected_chips(nullptr, &chipNumber)) {
            const std::string group = numbering.Next(chip->prefix != nullptr ? chip->prefix : "chip");
            chips.push_back(Chip{chip->path != nullptr ? chip->path : "", group, false});
            int featureNumber = 0;
            while (const sensors_feature* feature = sensors_get_features(chip, &featureNumber)) {
                Kind kind;
                const sensors_subfeature* input = Input(chip, feature, kind);
                if (input == nullptr)
                    continue;
                char* label = sensors_get_label(chip, feature);
                const std::string text = label != nullptr ? label : feature->name;
                std::free(label);
                found.push_back(Found{group, text, kind, chip->prefix != nullptr ? chip->prefix : ""});
                features.push_back(Feature{chip, chips.size() - 1, input->number, group + "." + IdPart(text)});
            }
        }
        return found;
    }

    void Read(std::span<double> values) override
    {
        std::lock_guard<std::mutex> lock(libraryMutex);
        for (std::size_t i = 0; i < features.size() && i < values.size(); ++i) {
            Feature& feature = features[i];
            Chip& chip = chips[feature.chipSlot];
            values[i] = 0.0;
            if (chip.gone)
                continue;
            double value = 0.0;
            const int code = sensors_get_value(feature.chip, feature.subfeature, &value);
            if (code == 0) {
                values[i] = value;
                feature.failing = false;
                continue;
            }
            if (!chip.path.empty() && ::access(chip.path.c_str(), F_OK) != 0) {
                chip.gone = true;
                say("the chip " + chip.group + " is gone; its values read 0");
            } else if (!feature.failing) {
                feature.failing = true;
                say("cannot read Sensors." + feature.name + " (" + sensors_strerror(code) + "); it reads 0");
            }
        }
    }

private:
    struct Chip {
        std::string path;
        std::string group;
        bool gone;
    };

    // The subfeature that is the feature's value, and its kind.
    static const sensors_subfeature* Input(const sensors_chip_name* chip, const sensors_feature* feature, Kind& kind)
    {
        const auto get = [&](sensors_subfeature_type type) { return sensors_get_subfeature(chip, feature, type); };
        switch (feature->type) {
        case SENSORS_FEATURE_TEMP:
            kind = Kind::Temperature;
            return get(SENSORS_SUBFEATURE_TEMP_INPUT);
        case SENSORS_FEATURE_FAN:
            kind = Kind::Fan;
            return get(SENSORS_SUBFEATURE_FAN_INPUT);
        case SENSORS_FEATURE_IN:
            kind = Kind::Voltage;
            return get(SENSORS_SUBFEATURE_IN_INPUT);
        case SENSORS_FEATURE_CURR:
            kind = Kind::Current;
            return get(SENSORS_SUBFEATURE_CURR_INPUT);
        case SENSORS_FEATURE_POWER: {
            kind = Kind::Power;
            const sensors_subfeature* input = get(SENSORS_SUBFEATURE_POWER_INPUT);
            return input != nullptr ? input : get(SENSORS_SUBFEATURE_POWER_AVERAGE);
        }
        default:
            return nullptr;
        }
    }

    Say say;
    bool initialised = false;
    std::vector<Chip> chips;
    std::vector<Feature> features;
};

} // namespace

std::unique_ptr<Monitor> MakeHwmonMonitor(Say say)
{
    return std::make_unique<HwmonMonitor>(std::move(say));
}

} // namespace sensors
