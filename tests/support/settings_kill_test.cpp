// Writers of the settings file killed (SIGKILL) at random moments while
// another process writes too: the file stays whole and parseable, every
// write that returned is kept, and the temporary files of killed writers
// are cleaned up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "platform/posix/registry_text.h"
#include "support/settings.h"
#include "tests/common/test_env.h"

namespace {

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Glancer\\kill";

// Writes "<prefix><n>" = n for n from `next` on, counting each write that
// returned; forked, it ends only by a signal.
[[noreturn]] void WriteForever(const char* prefix, std::atomic<int>& next)
{
    for (;;) {
        const int n = next.load();
        writeSettingInt((prefix + std::to_string(n)).c_str(), static_cast<std::uint32_t>(n), "kill");
        next.store(n + 1);
    }
}

pid_t Spawn(const char* prefix, std::atomic<int>& next)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        WriteForever(prefix, next);
    return pid;
}

void Kill(pid_t pid)
{
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

int TempFiles(const std::filesystem::path& directory)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        count += entry.path().filename().string().starts_with("registry.reg.tmp-");
    return count;
}

TEST(SettingsUnderFaults, KilledWritersLoseNothingThatWasWritten)
{
    testenv::WorkDir dir;
    const std::filesystem::path file = dir.Path() / "registry.reg";
    ::setenv("GLANCER_REGISTRY", file.c_str(), 1);
    // Counters the writers share with this process.
    void* shared =
        ::mmap(nullptr, 2 * sizeof(std::atomic<int>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto* victim = new (shared) std::atomic<int>(0);
    auto* other = new (victim + 1) std::atomic<int>(0);

    constexpr int kKills = 300;
    std::mt19937 random(12345);
    const pid_t steady = Spawn("other", *other);
    int filesChecked = 0, valuesChecked = 0, lost = 0, tempsLeft = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t pid = Spawn("victim", *victim);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 25000)(random)); // a random moment
        Kill(pid);
        // Every write counted before the file is read must be in it.
        const int victimDone = victim->load(), otherDone = other->load();
        platform::regtext::RegistryText registry;
        ASSERT_TRUE(registry.Parse(dir.Read("registry.reg"))) << "after kill " << kill;
        ++filesChecked;
        std::map<std::string, std::vector<unsigned char>> values;
        for (const auto& [path, value] : registry.Values())
            if (path == kKey)
                values[value.name] = value.data;
        const auto check = [&](const char* prefix, int count) {
            for (int n = 0; n < count; ++n, ++valuesChecked) {
                const auto found = values.find(prefix + std::to_string(n));
                lost += found == values.end() ||
                        found->second != std::vector<unsigned char>{static_cast<unsigned char>(n),
                                                                    static_cast<unsigned char>(n >> 8), 0, 0};
            }
        };
        check("victim", victimDone);
        check("other", otherDone);
        tempsLeft += TempFiles(dir.Path()) > 0;
    }
    Kill(steady);
    writeSettingInt("last", 1, "kill"); // cleans up after the killed writers
    EXPECT_EQ(TempFiles(dir.Path()), 0);
    EXPECT_EQ(lost, 0);
    EXPECT_GT(victim->load(), 0);
    std::printf("kills: %d, files checked: %d, values checked: %d, values lost: %d, "
                "writes completed: %d + %d, kills that left a temporary file: %d\n",
                kKills + 1, filesChecked, valuesChecked, lost, victim->load(), other->load(), tempsLeft);
    ::munmap(shared, 2 * sizeof(std::atomic<int>));
    ::unsetenv("GLANCER_REGISTRY");
}

} // namespace
