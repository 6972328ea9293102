#include "datasources/command/runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace commands {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kSlice{100};

// posix_spawn's attributes and file actions, released on every path.
struct Spawn {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    Spawn()
    {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~Spawn()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    Spawn(const Spawn&) = delete;
    Spawn& operator=(const Spawn&) = delete;
};

// The child starts a process group of its own (so a timeout kills what it
// started too), with no signal blocked and the default action for the ones
// the program handles or ignores (a broken pipe must end it).
int Start(const std::string& command, int output, pid_t& child)
{
    Spawn spawn;
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD})
        sigaddset(&defaults, signal);
    posix_spawnattr_setflags(&spawn.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&spawn.attributes, 0);
    posix_spawnattr_setsigmask(&spawn.attributes, &none);
    posix_spawnattr_setsigdefault(&spawn.attributes, &defaults);
    posix_spawn_file_actions_addopen(&spawn.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&spawn.actions, output, 1);
    posix_spawn_file_actions_addopen(&spawn.actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&spawn.actions, 3);
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    return posix_spawn(&child, "/bin/sh", &spawn.actions, &spawn.attributes, const_cast<char**>(argv), environ);
}

enum class Reading { Ended, ClosedEarly, Interrupted };

// Reads until the first line end or the limit (then the pipe is closed
// early), the end of output, the deadline or a stop.
Reading ReadFirstLine(int pipe, Clock::time_point deadline, const std::atomic<bool>& stop, std::string& output)
{
    char buffer[512];
    while (output.size() < kOutputLimit && output.find('\n') == std::string::npos) {
        if (stop.load())
            return Reading::Interrupted;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Reading::Interrupted;
        pollfd wait{pipe, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(std::min(left, kSlice).count()));
        if (ready < 0 && errno != EINTR)
            return Reading::Ended;
        if (ready <= 0)
            continue;
        const ssize_t got = read(pipe, buffer, std::min(sizeof buffer, kOutputLimit - output.size()));
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
            return Reading::Ended;
        if (got > 0)
            output.append(buffer, static_cast<std::size_t>(got));
    }
    return Reading::ClosedEarly;
}

// The child's wait status once it has ended; empty when stopped or out of time.
bool WaitForExit(pid_t child, Clock::time_point deadline, const std::atomic<bool>& stop, int& status)
{
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            return true;
        if (stop.load() || Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

RunResult RunCommand(const std::string& command, std::chrono::milliseconds timeout, const std::atomic<bool>& stop)
{
    RunResult result;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        result.problem = std::string("no pipe: ") + std::strerror(errno);
        return result;
    }
    pid_t child = 0;
    const int error = Start(command, ends[1], child);
    close(ends[1]);
    if (error != 0) {
        close(ends[0]);
        result.problem = std::string("cannot start /bin/sh: ") + std::strerror(error);
        return result;
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    const Reading reading = ReadFirstLine(ends[0], deadline, stop, result.output);
    close(ends[0]);
    int status = 0;
    if (reading == Reading::Interrupted || !WaitForExit(child, deadline, stop, status)) {
        kill(-child, SIGKILL);
        waitpid(child, &status, 0);
        result.outcome = stop.load() ? RunResult::Stopped : RunResult::TimedOut;
        return result;
    }
    // A child still writing after the first line ends on the closed pipe
    // (the shell reports a pipeline that did so as 128 + SIGPIPE).
    const bool brokenPipe =
        reading == Reading::ClosedEarly && ((WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) ||
                                            (WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGPIPE));
    if ((WIFEXITED(status) && WEXITSTATUS(status) == 0) || brokenPipe) {
        result.outcome = RunResult::Finished;
        return result;
    }
    result.outcome = RunResult::Failed;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace commands
