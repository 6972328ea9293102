/*
 * A stand-in for NVIDIA's NVML library (libnvidia-ml.so.1, nvml.dll) with
 * two cards:
 *   card 0: 61 C (60 C through the old temperature call), 45 % load,
 *           3072 of 8192 MiB, 120.5 W, fan 55 %;
 *   card 1: the newer temperature call not supported, 48 C through the old
 *           one, 5 % load, 512 of 4096 MiB, 15 W, no fan.
 * Built with OLD_ONLY it lacks nvmlDeviceGetTemperatureV, as older drivers
 * do. A file "nvml_fail_init" in the working directory makes nvmlInit_v2
 * fail, one named "nvml_fail_power" makes the power reading fail.
 */
#include <stdio.h>

#ifdef _WIN32
#define STUB_EXPORT __declspec(dllexport)
#define STUB_CALL __cdecl
#else
#define STUB_EXPORT __attribute__((visibility("default")))
#define STUB_CALL
#endif

typedef struct Card {
    int temperatureV; /* < 0: not supported */
    unsigned int temperature, load, power, fan; /* fan 0: none */
    unsigned long long usedMiB, totalMiB;
} Card;

static const Card kCards[2] = {{61, 60, 45, 120500, 55, 3072, 8192}, {-1, 48, 5, 15000, 0, 512, 4096}};

enum { kSuccess = 0, kInvalidArgument = 2, kNotSupported = 3, kDriverNotLoaded = 9, kVersionMismatch = 25,
       kUnknown = 999 };

typedef struct {
    unsigned long long total, free, used;
} Memory;
typedef struct {
    unsigned int gpu, memory;
} Utilization;
typedef struct {
    unsigned int version;
    int sensorType;
    int temperature;
} Temperature;

static int Exists(const char* name)
{
    FILE* file = fopen(name, "rb");
    if (file == NULL)
        return 0;
    fclose(file);
    return 1;
}

static const Card* Of(const void* device)
{
    return device == &kCards[0] || device == &kCards[1] ? (const Card*)device : NULL;
}

STUB_EXPORT int STUB_CALL nvmlInit_v2(void)
{
    return Exists("nvml_fail_init") ? kDriverNotLoaded : kSuccess;
}

STUB_EXPORT int STUB_CALL nvmlShutdown(void)
{
    return kSuccess;
}

STUB_EXPORT int STUB_CALL nvmlDeviceGetCount_v2(unsigned int* count)
{
    *count = 2;
    return kSuccess;
}

STUB_EXPORT int STUB_CALL nvmlDeviceGetHandleByIndex_v2(unsigned int index, const void** device)
{
    if (index >= 2)
        return kInvalidArgument;
    *device = &kCards[index];
    return kSuccess;
}

#ifndef OLD_ONLY
STUB_EXPORT int STUB_CALL nvmlDeviceGetTemperatureV(const void* device, Temperature* out)
{
    const Card* card = Of(device);
    if (card == NULL || out == NULL)
        return kInvalidArgument;
    if (out->version != ((unsigned int)sizeof(Temperature) | (1u << 24)))
        return kVersionMismatch;
    if (card->temperatureV < 0)
        return kNotSupported;
    out->temperature = card->temperatureV;
    return kSuccess;
}
#endif

STUB_EXPORT int STUB_CALL nvmlDeviceGetTemperature(const void* device, int sensor, unsigned int* celsius)
{
    const Card* card = Of(device);
    if (card == NULL || sensor != 0)
        return kInvalidArgument;
    *celsius = card->temperature;
    return kSuccess;
}

STUB_EXPORT int STUB_CALL nvmlDeviceGetUtilizationRates(const void* device, Utilization* out)
{
    const Card* card = Of(device);
    if (card == NULL)
        return kInvalidArgument;
    out->gpu = card->load;
    out->memory = 0;
    return kSuccess;
}

STUB_EXPORT int STUB_CALL nvmlDeviceGetMemoryInfo(const void* device, Memory* out)
{
    const Card* card = Of(device);
    if (card == NULL)
        return kInvalidArgument;
    out->total = card->totalMiB << 20;
    out->used = card->usedMiB << 20;
    out->free = out->total - out->used;
    return kSuccess;
}

STUB_EXPORT int STUB_CALL nvmlDeviceGetPowerUsage(const void* device, unsigned int* milliwatts)
{
    const Card* card = Of(device);
    if (card == NULL)
        return kInvalidArgument;
    if (Exists("nvml_fail_power"))
        return kUnknown;
    *milliwatts = card->power;
    return kSuccess;
}

STUB_EXPORT int STUB_CALL nvmlDeviceGetFanSpeed(const void* device, unsigned int* percent)
{
    const Card* card = Of(device);
    if (card == NULL)
        return kInvalidArgument;
    if (card->fan == 0)
        return kNotSupported;
    *percent = card->fan;
    return kSuccess;
}
