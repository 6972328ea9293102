#include "app/screen_watch.h"

#include <string>

#include "core/core.h"
#include "support/log_stream.h"
#include "support/settings.h"

namespace {

bool EndsWith(const std::string& name, const char* suffix)
{
    const std::string tail(suffix);
    if (name.size() < tail.size())
        return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = name[name.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i])
            return false;
    }
    return true;
}

// Screen files and bitmaps; an editor's swap and backup files are not.
bool IsScreenFile(const std::string& name)
{
    return !name.empty() && name[0] != '.' && (EndsWith(name, ".xml") || EndsWith(name, ".bmp"));
}

} // namespace

ScreenWatch::ScreenWatch(Core& core, platform::PeriodicTimer& timer) : core(core), timer(timer)
{
}

ScreenWatch::~ScreenWatch()
{
    Stop();
}

void ScreenWatch::Start()
{
    if (readSettingInt("WatchScreens", "", 1) == 0) {
        LogStream << "Screens folder not watched (WatchScreens is 0)" << std::endl;
        return;
    }
    if (watch.Start("screens", kQuietMs, IsScreenFile, [this] { Reload(); }))
        LogStream << "Watching the screens folder" << std::endl;
    else
        LogStream << "Screens folder cannot be watched; it is read only at start" << std::endl;
}

void ScreenWatch::Stop()
{
    watch.Stop();
}

void ScreenWatch::Reload()
{
    core.RequestReload();
    timer.Wake();
}
