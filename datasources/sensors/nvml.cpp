// NVIDIA cards through NVML, loaded at run time by name so that neither
// building nor running needs NVIDIA's files. Only the few functions used
// are declared here, as NVML's C interface defines them.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstdint>

#include "datasources/sensors/monitors.h"

namespace sensors {
namespace {

#ifdef _WIN32
#define NVML_CALL __cdecl
const char kLibrary[] = "nvml.dll";
#else
#define NVML_CALL
const char kLibrary[] = "libnvidia-ml.so.1";
#endif

using NvmlReturn = int;
using NvmlDevice = struct NvmlDeviceOpaque*;
constexpr NvmlReturn kSuccess = 0;
constexpr NvmlReturn kNotSupported = 3;
constexpr int kTemperatureGpu = 0;

struct NvmlUtilization {
    unsigned int gpu;
    unsigned int memory;
};
struct NvmlMemory {
    unsigned long long total;
    unsigned long long free;
    unsigned long long used;
};
struct NvmlTemperature {
    unsigned int version;
    int sensorType;
    int temperature;
};
// NVML's struct versions: the size, and the version in the top byte.
constexpr unsigned int kTemperatureV1 = static_cast<unsigned int>(sizeof(NvmlTemperature)) | (1u << 24);

struct Api {
    NvmlReturn(NVML_CALL* init)();
    NvmlReturn(NVML_CALL* shutdown)();
    NvmlReturn(NVML_CALL* count)(unsigned int*);
    NvmlReturn(NVML_CALL* handle)(unsigned int, NvmlDevice*);
    NvmlReturn(NVML_CALL* temperatureV)(NvmlDevice, NvmlTemperature*); // newer libraries only
    NvmlReturn(NVML_CALL* temperature)(NvmlDevice, int, unsigned int*);
    NvmlReturn(NVML_CALL* utilization)(NvmlDevice, NvmlUtilization*);
    NvmlReturn(NVML_CALL* memory)(NvmlDevice, NvmlMemory*);
    NvmlReturn(NVML_CALL* power)(NvmlDevice, unsigned int*);
    NvmlReturn(NVML_CALL* fan)(NvmlDevice, unsigned int*);
};

class Library {
public:
    Library()
    {
#ifdef _WIN32
        handle = ::LoadLibraryA(kLibrary);
#else
        handle = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
#endif
    }
    ~Library()
    {
#ifdef _WIN32
        if (handle != nullptr)
            ::FreeLibrary(handle);
#else
        if (handle != nullptr)
            ::dlclose(handle);
#endif
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const
    {
        return handle != nullptr;
    }

    template <class Function> bool Get(const char* name, Function& out) const
    {
#ifdef _WIN32
        out = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(handle, name)));
#else
        out = reinterpret_cast<Function>(::dlsym(handle, name));
#endif
        return out != nullptr;
    }

private:
#ifdef _WIN32
    HMODULE handle = nullptr;
#else
    void* handle = nullptr;
#endif
};

class NvmlMonitor final : public Monitor {
public:
    NvmlMonitor(std::shared_ptr<int> cardsSoFar, Say say) : cardsSoFar(std::move(cardsSoFar)), say(std::move(say)) {}

    ~NvmlMonitor() override
    {
        if (started)
            api.shutdown();
    }

    std::vector<Found> Discover() override
    {
        std::vector<Found> found;
        if (!library.Loaded())
            return found; // no NVIDIA driver: nothing to say
        api.temperatureV = nullptr;
        library.Get("nvmlDeviceGetTemperatureV", api.temperatureV);
        if (!library.Get("nvmlInit_v2", api.init) || !library.Get("nvmlShutdown", api.shutdown) ||
            !library.Get("nvmlDeviceGetCount_v2", api.count) ||
            !library.Get("nvmlDeviceGetHandleByIndex_v2", api.handle) ||
            !library.Get("nvmlDeviceGetTemperature", api.temperature) ||
            !library.Get("nvmlDeviceGetUtilizationRates", api.utilization) ||
            !library.Get("nvmlDeviceGetMemoryInfo", api.memory) || !library.Get("nvmlDeviceGetPowerUsage", api.power) ||
            !library.Get("nvmlDeviceGetFanSpeed", api.fan)) {
            say(std::string(kLibrary) + " lacks a function Glancer needs; no NVIDIA cards");
            return found;
        }
        if (const NvmlReturn code = api.init(); code != kSuccess) {
            say("NVML cannot start (error " + std::to_string(code) + "); no NVIDIA cards");
            return found;
        }
        started = true;
        unsigned int count = 0;
        if (const NvmlReturn code = api.count(&count); code != kSuccess) {
            say("NVML cannot count the cards (error " + std::to_string(code) + "); no NVIDIA cards");
            count = 0;
        }
        for (unsigned int i = 0; i < count; ++i) {
            Card card;
            if (const NvmlReturn error = api.handle(i, &card.device); error != kSuccess) {
                say("NVML cannot open card " + std::to_string(i) + " (error " + std::to_string(error) + ")");
                continue;
            }
            card.group = "gpu" + std::to_string(++*cardsSoFar);
            AddCard(card.group, found);
            cards.push_back(std::move(card));
        }
        return found;
    }

    void Read(std::span<double> values) override
    {
        for (std::size_t c = 0; c < cards.size() && (c + 1) * kPerCard <= values.size(); ++c) {
            Card& card = cards[c];
            std::span<double> out = values.subspan(c * kPerCard, kPerCard);
            out[0] = Temperature(card);
            NvmlUtilization utilization{};
            out[1] = Check(card, 1, api.utilization(card.device, &utilization)) ? utilization.gpu : 0.0;
            NvmlMemory memory{};
            const bool memoryRead = Check(card, 2, api.memory(card.device, &memory));
            out[2] = memoryRead ? static_cast<double>(memory.used) / 1048576.0 : 0.0;
            out[3] = memoryRead ? static_cast<double>(memory.total) / 1048576.0 : 0.0;
            unsigned int milliwatts = 0;
            out[4] = Check(card, 4, api.power(card.device, &milliwatts)) ? milliwatts / 1000.0 : 0.0;
            unsigned int percent = 0;
            const NvmlReturn fan = api.fan(card.device, &percent);
            out[5] = fan == kNotSupported ? 0.0 : Check(card, 5, fan) ? percent : 0.0; // no fan: passively cooled
        }
    }

private:
    struct Card {
        NvmlDevice device = nullptr;
        std::string group;
        bool failing[kPerCard] = {};
    };

    double Temperature(Card& card)
    {
        if (api.temperatureV != nullptr) {
            NvmlTemperature reading{kTemperatureV1, kTemperatureGpu, 0};
            if (api.temperatureV(card.device, &reading) == kSuccess) {
                card.failing[0] = false;
                return reading.temperature;
            }
        }
        unsigned int celsius = 0;
        return Check(card, 0, api.temperature(card.device, kTemperatureGpu, &celsius)) ? celsius : 0.0;
    }

    // True on success; a failure is logged once until the value reads again.
    bool Check(Card& card, std::size_t value, NvmlReturn code)
    {
        if (code == kSuccess) {
            card.failing[value] = false;
            return true;
        }
        if (!card.failing[value])
            say("NVML cannot read Sensors." + card.group + "." + kCardValues[value] + " (error " +
                std::to_string(code) + "); it reads 0");
        card.failing[value] = true;
        return false;
    }

    Library library;
    Api api{};
    bool started = false;
    std::shared_ptr<int> cardsSoFar;
    Say say;
    std::vector<Card> cards;
};

} // namespace

std::unique_ptr<Monitor> MakeNvmlMonitor(std::shared_ptr<int> cardsSoFar, Say say)
{
    return std::make_unique<NvmlMonitor>(std::move(cardsSoFar), std::move(say));
}

} // namespace sensors
