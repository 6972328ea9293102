#include "app/posix/init_command.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/posix/user_text.h"

namespace fs = std::filesystem;

namespace {

// What init did, told to the user as it goes.
struct Tally {
    int linked = 0;
    int copied = 0;
    int present = 0;
    int leftAlone = 0;
};

std::string Shown(const fs::path& path)
{
    return Printable(path.string());
}

void LeftAlone(Tally& tally, const fs::path& path, const char* why)
{
    std::printf("Left alone: %s (%s)\n", Shown(path).c_str(), why);
    ++tally.leftAlone;
}

bool Failed(const char* doing, const fs::path& path, const std::error_code& error)
{
    std::fprintf(stderr, "glancer: cannot %s %s: %s\n", doing, Shown(path).c_str(), error.message().c_str());
    return false;
}

bool SameContent(const fs::path& a, const fs::path& b)
{
    std::ifstream left(a, std::ios::binary), right(b, std::ios::binary);
    return left && right &&
           std::equal(std::istreambuf_iterator<char>(left), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(right), std::istreambuf_iterator<char>());
}

bool LinkPlugin(const fs::path& plugin, const fs::path& link, Tally& tally)
{
    std::error_code error;
    if (fs::exists(fs::symlink_status(link, error))) {
        if (fs::is_symlink(fs::symlink_status(link, error)) && fs::equivalent(link, plugin, error))
            ++tally.present;
        else
            LeftAlone(tally, link, ("not a link to " + Shown(plugin)).c_str());
        return true;
    }
    fs::create_symlink(plugin, link, error);
    if (error)
        return Failed("create the link", link, error);
    std::printf("Linked %s -> %s\n", Shown(link.filename()).c_str(), Shown(plugin).c_str());
    ++tally.linked;
    return true;
}

bool CopyExample(const fs::path& example, const fs::path& copy, Tally& tally)
{
    std::error_code error;
    if (fs::exists(fs::symlink_status(copy, error))) {
        if (SameContent(example, copy))
            ++tally.present;
        else
            LeftAlone(tally, copy, "differs from the example");
        return true;
    }
    fs::create_directories(copy.parent_path(), error);
    if (!error)
        fs::copy_file(example, copy, error);
    if (error)
        return Failed("copy to", copy, error);
    ++tally.copied;
    return true;
}

// The installed plugins in name order, so the report reads the same each time.
std::vector<fs::path> InstalledPlugins(const fs::path& folder)
{
    std::vector<fs::path> plugins;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == ".so")
            plugins.push_back(it->path());
    std::sort(plugins.begin(), plugins.end());
    return plugins;
}

bool CopyScreens(const fs::path& examples, const fs::path& screens, Tally& tally)
{
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator it(examples, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file())
            files.push_back(it->path());
    if (error || files.empty()) {
        std::fprintf(stderr, "glancer: no example screens in %s\n", Shown(examples).c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files)
        if (!CopyExample(file, screens / file.lexically_relative(examples), tally))
            return false;
    return true;
}

} // namespace

int InitCommand(const std::string& directory)
{
    const char* home = std::getenv("HOME");
    if (directory.empty() && (home == nullptr || *home == '\0')) {
        std::fprintf(stderr, "glancer: HOME is not set; name the directory: glancer init DIR\n");
        return 1;
    }
    const fs::path target = directory.empty() ? fs::path(home) / ".local/share/glancer" : fs::path(directory);
    std::error_code error;
    const fs::path prefix = fs::read_symlink("/proc/self/exe", error).parent_path().parent_path();
    const fs::path pluginFolder = prefix / "lib/glancer/plugins";
    const fs::path examples = prefix / "share/glancer/examples/demo/screens";

    fs::create_directories(target, error);
    if (error || !fs::is_directory(target, error)) {
        if (!error)
            error = std::make_error_code(std::errc::not_a_directory);
        Failed("create the directory", target, error);
        return 1;
    }
    Tally tally;
    const std::vector<fs::path> plugins = InstalledPlugins(pluginFolder);
    if (plugins.empty())
        std::fprintf(stderr, "glancer: no plugins installed in %s\n", Shown(pluginFolder).c_str());
    // The first refused write ends the work: the rest would fail the same way.
    bool written = true;
    for (const fs::path& plugin : plugins)
        if (!(written = LinkPlugin(plugin, target / plugin.filename(), tally)))
            break;
    written = written && CopyScreens(examples, target / "screens", tally);
    const bool done = written && !plugins.empty();

    std::printf("%s %s: %d plugin(s) linked, %d example file(s) copied, %d already there, %d left alone.\n",
                done ? "Prepared" : "Partly prepared", Shown(target).c_str(), tally.linked, tally.copied, tally.present,
                tally.leftAlone);
    if (!done)
        return 1;
    std::printf("To show the demo: cd %s && glancer use-driver \"Virtual display\" && glancer\n",
                Shown(target).c_str());
    return 0;
}
