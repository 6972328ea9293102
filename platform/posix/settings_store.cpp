#include "platform/settings_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "platform/posix/registry_text.h"

namespace platform {

namespace {

using regtext::RegistryText;

constexpr const char* kRoot = "HKEY_CURRENT_USER\\Software\\Glancer";
// Larger files are not settings files; reading them is refused.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

// $GLANCER_REGISTRY, else $XDG_CONFIG_HOME/glancer/registry.reg, else
// ~/.config/glancer/registry.reg. Looked up at every call, like the key.
bool StorePath(std::string& path)
{
    const char* explicitPath = std::getenv("GLANCER_REGISTRY");
    if (explicitPath != nullptr && *explicitPath != '\0') {
        path = explicitPath;
        return true;
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        path = std::string(config) + "/glancer/registry.reg";
        return true;
    }
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0') {
        home = env;
    } else {
        passwd entry{};
        passwd* result = nullptr;
        char buffer[4096];
        if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &result) != 0 || result == nullptr)
            return false;
        home = entry.pw_dir;
    }
    path = home + "/.config/glancer/registry.reg";
    return true;
}

// The file's text; a missing file is an empty one. False when it exists
// but cannot be read.
bool ReadText(const std::string& path, std::string& text)
{
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxFileSize;
    char chunk[8192];
    while (ok) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n >= 0 && text.size() + static_cast<std::size_t>(n) <= static_cast<std::size_t>(kMaxFileSize);
        if (n <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}

bool Load(RegistryText& registry)
{
    std::string path;
    std::string text;
    return StorePath(path) && ReadText(path, text) && registry.Parse(text);
}

bool MakeDirectories(const std::string& directory)
{
    if (directory.empty() || ::mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST) {
        struct stat info {};
        return directory.empty() || (::stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    }
    if (errno != ENOENT)
        return false;
    const std::size_t slash = directory.find_last_of('/');
    if (slash == std::string::npos || slash == 0 || !MakeDirectories(directory.substr(0, slash)))
        return false;
    return ::mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Temporary files are "<file>.tmp-XXXXXX"; only writers holding the lock
// make them.
constexpr std::string_view kTempInfix = ".tmp-";

// Replaces the file in one step: readers see the old or the new text,
// never a part.
bool ReplaceFile(const std::string& path, const std::string& directory, const std::string& text)
{
    std::string temp = path + std::string(kTempInfix) + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    const int dirFd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

// Holds an exclusive lock on "<file>.lock" for the life of the object, so
// the read-modify-write of other processes waits.
class FileLock {
public:
    explicit FileLock(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        while (fd >= 0 && ::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd);
                fd = -1;
            }
        }
    }
    ~FileLock()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Locked() const { return fd >= 0; }

private:
    int fd;
};

// Removes the temporary files of writers killed in the middle of a write.
// Called with the lock held, when no live writer has one.
void RemoveStaleTemps(const std::string& path, const std::string& directory)
{
    const std::string prefix = path.substr(path.find_last_of('/') + 1) + std::string(kTempInfix);
    const std::string folder = directory.empty() ? "./" : directory.back() == '/' ? directory : directory + "/";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix))
            continue;
        const std::string full = folder + std::string(name);
        struct stat info {};
        if (::lstat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
            ::unlink(full.c_str());
    }
    ::closedir(dir);
}

// Moves a file that is not a registry file aside for the user to look at:
// "<file>.corrupt", or "<file>.corrupt.N" when earlier copies exist, never
// replacing one. False when it could not be moved. Called with the lock
// held, so no other writer picks the same name in between.
bool SetAside(const std::string& path)
{
    for (int n = 1; n <= 1000; ++n) {
        const std::string target = path + ".corrupt" + (n == 1 ? "" : "." + std::to_string(n));
        struct stat info {};
        if (::lstat(target.c_str(), &info) == 0)
            continue;
        return errno == ENOENT && std::rename(path.c_str(), target.c_str()) == 0;
    }
    return false;
}

// Reads the file, applies `change` and writes the result back, with other
// threads and processes kept out in between.
template <class Change> bool Update(Change change)
{
    static std::mutex mutex;
    std::lock_guard<std::mutex> threadLock(mutex);
    std::string path;
    if (!StorePath(path))
        return false;
    // Write through a symbolic link rather than replacing it.
    if (char resolved[PATH_MAX]; ::realpath(path.c_str(), resolved) != nullptr)
        path = resolved;
    const std::size_t slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
    if (!MakeDirectories(directory))
        return false;
    FileLock lock(path + ".lock");
    if (!lock.Locked())
        return false;
    RemoveStaleTemps(path, directory);
    std::string text;
    if (!ReadText(path, text))
        return false;
    RegistryText registry;
    if (!registry.Parse(text) && !SetAside(path))
        return false;
    if (!change(registry))
        return false;
    return ReplaceFile(path, directory, registry.Format());
}

} // namespace

struct SettingsKey::State {
    std::string path;
    bool writable = false;
    RegistryText snapshot; // what Open read
};

SettingsKey::SettingsKey() = default;
SettingsKey::~SettingsKey() = default;

bool SettingsKey::Create(const std::string& path)
{
    Close();
    auto opened = std::make_unique<State>();
    if (!regtext::FullKeyPath(path, opened->path))
        return false;
    opened->writable = true;
    RegistryText current;
    const std::string& key = opened->path;
    if (!(Load(current) && current.HasKey(key)) && !Update([&](RegistryText& registry) {
            registry.AddKey(key, kRoot);
            return true;
        }))
        return false;
    state = std::move(opened);
    return true;
}

bool SettingsKey::Open(const std::string& path)
{
    Close();
    auto opened = std::make_unique<State>();
    if (!regtext::FullKeyPath(path, opened->path) || !Load(opened->snapshot) || !opened->snapshot.HasKey(opened->path))
        return false;
    state = std::move(opened);
    return true;
}

bool SettingsKey::SetValue(const std::string& name, std::uint32_t type, const void* data, std::size_t size)
{
    if (!state || !state->writable)
        return false;
    regtext::Value value;
    value.name = name;
    value.type = type;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (size != 0)
        value.data.assign(bytes, bytes + size);
    const std::string& key = state->path;
    return Update([&](RegistryText& registry) {
        registry.AddKey(key, kRoot);
        return registry.Set(key, value);
    });
}

bool SettingsKey::QueryValue(const std::string& name, std::vector<unsigned char>& data) const
{
    if (!state || state->writable)
        return false;
    const regtext::Value* value = state->snapshot.Find(state->path, name);
    if (value == nullptr)
        return false;
    data = value->data;
    return true;
}

void SettingsKey::Close()
{
    state.reset();
}

} // namespace platform
