#include "drivers/virtual/image_export.h"
#include "drivers/virtual/presenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;


// Records every picture shown, from the presenter's thread.
struct RecordingView : vdisplay::PanelView {
    bool Start(const vdisplay::Settings&, CoreServices*) override { return true; }
    void Show(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        shown.emplace_back(picture, picture + std::size_t{width} * height);
    }
    void Stop() override {}
    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> shown;
};

TEST(Presenter, ShowsChangesAtMostTwentyTimesASecondNeverTwiceAndTheFinalStateAtStop)
{
    vdisplay::Settings settings;
    settings.geometry = vdisplay::Geometry{12, 8, 2, 1};
    RecordingView view;
    vdisplay::Presenter presenter;
    presenter.Start(settings, &view, nullptr);

    // 300 ms of changes, about one a millisecond.
    std::vector<std::uint8_t> frame(12 * 8, 0);
    const FrameBufferHeader header{frame.data(), 12, 8, 12 * 8, 2, 1};
    const auto end = std::chrono::steady_clock::now() + 300ms;
    for (std::uint8_t i = 0; std::chrono::steady_clock::now() < end; ++i) {
        frame[0] = i & 1;
        presenter.CopyRegion(header, 0, 0, 1, 1);
        presenter.WriteText(i & 2 ? "ab" : "cd", 0, 0);
        std::this_thread::sleep_for(1ms);
    }
    presenter.Clear();
    presenter.WriteText("Good Bye!", 0, 0); // the panel has room for "Go"
    presenter.Stop();
    presenter.Stop(); // nothing more

    vdisplay::LcdPanel expected(settings.geometry);
    expected.WriteText("Go", 0, 0);
    std::vector<std::uint8_t> final;
    expected.Compose(final);
    ASSERT_GE(view.shown.size(), 2u);
    EXPECT_LE(view.shown.size(), 300u / 50u + 3u);
    EXPECT_EQ(view.shown.back(), final);
    for (std::size_t i = 1; i < view.shown.size(); ++i)
        EXPECT_NE(view.shown[i], view.shown[i - 1]) << "picture " << i << " repeats its predecessor";
}

std::vector<char> FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

struct Snapshot : ::testing::Test {
    Snapshot()
    {
        settings.geometry = vdisplay::Geometry{12, 8, 2, 1};
        settings.snapshot = path.string();
    }
    ~Snapshot() override
    {
        std::filesystem::remove(path);
        std::filesystem::remove(want);
    }
    // The file as it would be for a panel showing `text`.
    std::vector<char> Showing(const char* text)
    {
        vdisplay::LcdPanel panel(settings.geometry);
        panel.WriteText(text, 0, 0);
        std::vector<std::uint8_t> picture;
        panel.Compose(picture);
        EXPECT_TRUE(vdisplay::WriteImageFile(want.string(), picture.data(), 12, 8, settings.litColour,
                                             settings.unlitColour));
        return FileBytes(want);
    }

    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("snapshot-" + std::to_string(::getpid()) + ".pbm");
    const std::filesystem::path want = path.string() + ".want.pbm";
    vdisplay::Settings settings;
};

// Drawing calls on the refresh grid, with the times given, against one file.
TEST_F(Snapshot, WritesWholeRefreshesFromDrawingCallsAndTheTimerOnlyWhatIsLeft)
{
    using Clock = vdisplay::SnapshotFile::Clock;
    settings.snapshotInterval = 1000;
    const Clock::time_point t0 = Clock::now() - 10s; // the first writes happen in the past
    vdisplay::LcdPanel panel(settings.geometry);
    vdisplay::SnapshotFile file;
    file.Start(settings, nullptr, panel, t0);
    EXPECT_EQ(FileBytes(path), Showing(""));
    const auto draw = [&](const char* text, std::chrono::milliseconds at) {
        file.BeforeChange(panel, t0 + at);
        panel.WriteText(text, 0, 0);
        file.AfterChange(panel, t0 + at);
    };

    draw("ab", 250ms);
    draw("cd", 500ms);
    EXPECT_EQ(FileBytes(path), Showing("")) << "written within the interval";
    draw("ef", 1000ms); // due: the file takes the panel as the refresh at 500 ms left it
    EXPECT_EQ(FileBytes(path), Showing("cd"));
    file.AtDeadline(panel, t0 + 1500ms);
    EXPECT_EQ(FileBytes(path), Showing("cd")) << "written by the timer before its interval";
    file.AtDeadline(panel, t0 + 2500ms);
    EXPECT_EQ(FileBytes(path), Showing("ef"));

    // The timer is real: a change after a quiet spell is written one tick later.
    draw("gh", std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0));
    ASSERT_NE(file.Timer(), nullptr);
    ASSERT_TRUE(file.Timer()->Wait());
    file.AtDeadline(panel, Clock::now());
    EXPECT_EQ(FileBytes(path), Showing("gh"));
    draw("ij", 20s);
    file.Finish(panel);
    EXPECT_EQ(FileBytes(path), Showing("ij"));
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp")) << "the replaced picture is left behind";

    settings.snapshotInterval = 0; // every change at once, no timer
    file.Start(settings, nullptr, panel, t0);
    EXPECT_EQ(file.Timer(), nullptr);
    draw("kl", 0ms);
    EXPECT_EQ(FileBytes(path), Showing("kl"));
}

TEST_F(Snapshot, PresenterKeepsTheFileAndWritesTheFinalStateAtStop)
{
    settings.snapshotInterval = 3600000;
    vdisplay::Presenter presenter;
    presenter.Start(settings, nullptr, nullptr);
    EXPECT_EQ(FileBytes(path), Showing("")); // created at once
    presenter.WriteText("ab", 0, 0);
    presenter.Clear();
    presenter.WriteText("cd", 0, 0);
    presenter.Stop();
    EXPECT_EQ(FileBytes(path), Showing("cd"));
}

} // namespace
