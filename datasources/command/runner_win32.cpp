#include "datasources/command/runner.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace commands {
namespace {

using Clock = std::chrono::steady_clock;

// Closes a handle on every path.
struct Handle {
    HANDLE value = nullptr;
    Handle() = default;
    explicit Handle(HANDLE value) : value(value == INVALID_HANDLE_VALUE ? nullptr : value) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    void Close()
    {
        if (value != nullptr)
            CloseHandle(value);
        value = nullptr;
    }
};

std::string LastError(const char* what)
{
    return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

// A job that kills everything in it when it is closed or terminated.
HANDLE NewJob()
{
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job != nullptr)
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

// Starts "cmd /c command" suspended, without a window, inheriting only the
// output pipe and the null device (the handle list), and puts it in the job.
bool Start(const std::string& command, HANDLE output, HANDLE nul, HANDLE job, PROCESS_INFORMATION& process,
           std::string& problem)
{
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    HANDLE inherited[] = {output, nul};
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        problem = LastError("InitializeProcThreadAttributeList");
        return false;
    }
    STARTUPINFOEXA info{};
    info.StartupInfo.cb = sizeof info;
    info.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    info.StartupInfo.hStdInput = nul;
    info.StartupInfo.hStdOutput = output;
    info.StartupInfo.hStdError = nul;
    info.lpAttributeList = attributes;
    std::string line = "cmd.exe /d /s /c \"" + command + "\"";
    const bool started = UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                                   sizeof inherited, nullptr, nullptr) &&
                         CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                                        nullptr, &info.StartupInfo, &process);
    if (!started)
        problem = LastError("CreateProcess");
    DeleteProcThreadAttributeList(attributes);
    if (!started)
        return false;
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    return true;
}

bool Expired(Clock::time_point deadline, const std::atomic<bool>& stop)
{
    return stop.load() || Clock::now() >= deadline;
}

} // namespace

RunResult RunCommand(const std::string& command, std::chrono::milliseconds timeout, const std::atomic<bool>& stop)
{
    RunResult result;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        result.problem = LastError("CreatePipe");
        return result;
    }
    Handle reader(readEnd);
    Handle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    Handle nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                           OPEN_EXISTING, 0, nullptr));
    Handle job(NewJob());
    PROCESS_INFORMATION process{};
    if (nul.value == nullptr || job.value == nullptr ||
        !Start(command, writer.value, nul.value, job.value, process, result.problem)) {
        if (result.problem.empty())
            result.problem = LastError("CreateJobObject");
        return result;
    }
    Handle child(process.hProcess);
    writer.Close();
    nul.Close();

    const Clock::time_point deadline = Clock::now() + timeout;
    bool closedEarly = false;
    bool interrupted = false;
    char buffer[512];
    for (;;) {
        if (result.output.size() >= kOutputLimit || result.output.find('\n') != std::string::npos) {
            closedEarly = true;
            break;
        }
        if ((interrupted = Expired(deadline, stop)))
            break;
        DWORD available = 0;
        if (!PeekNamedPipe(reader.value, nullptr, 0, nullptr, &available, nullptr))
            break; // every writer has closed its end
        if (available == 0) {
            WaitForSingleObject(child.value, 20);
            continue;
        }
        DWORD got = 0;
        const DWORD want =
            static_cast<DWORD>(std::min<std::size_t>({sizeof buffer, available, kOutputLimit - result.output.size()}));
        if (!ReadFile(reader.value, buffer, want, &got, nullptr) || got == 0)
            break;
        result.output.append(buffer, got);
    }
    reader.Close();
    while (!interrupted && WaitForSingleObject(child.value, 50) == WAIT_TIMEOUT)
        interrupted = Expired(deadline, stop);
    if (interrupted) {
        // The job holds what the command started; the child itself is ended
        // directly too, in case it could not join the job.
        TerminateJobObject(job.value, 1);
        TerminateProcess(child.value, 1);
        WaitForSingleObject(child.value, 5000);
        result.outcome = stop.load() ? RunResult::Stopped : RunResult::TimedOut;
        return result;
    }
    DWORD code = 0;
    GetExitCodeProcess(child.value, &code);
    // A child that went on writing after the first line fails on the closed pipe: that is a success.
    if (code == 0 || closedEarly) {
        result.outcome = RunResult::Finished;
        return result;
    }
    result.outcome = RunResult::Failed;
    result.exitStatus = static_cast<int>(code);
    return result;
}

} // namespace commands
