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

TEST(Presenter, WritesTheSnapshotOncePerIntervalAndTheFinalStateAtStop)
{
    const auto path = std::filesystem::temp_directory_path() / ("presenter-" + std::to_string(::getpid()) + ".pbm");
    vdisplay::Settings settings;
    settings.geometry = vdisplay::Geometry{12, 8, 2, 1};
    settings.snapshot = path.string();
    settings.snapshotInterval = 3600000;
    vdisplay::Presenter presenter;
    presenter.Start(settings, nullptr, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!std::filesystem::exists(path) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    const std::vector<char> blank = FileBytes(path);
    ASSERT_FALSE(blank.empty());

    presenter.WriteText("ab", 0, 0);
    presenter.Clear();
    presenter.WriteText("cd", 0, 0);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(FileBytes(path), blank); // within the interval: not replaced
    presenter.Stop();

    vdisplay::LcdPanel expected(settings.geometry);
    expected.WriteText("cd", 0, 0);
    std::vector<std::uint8_t> picture, bytes;
    expected.Compose(picture);
    const auto want = path.string() + ".want.pbm";
    ASSERT_TRUE(vdisplay::WriteImageFile(want, picture.data(), 12, 8, settings.litColour, settings.unlitColour, bytes));
    EXPECT_EQ(FileBytes(path), FileBytes(want));
    std::filesystem::remove(path);
    std::filesystem::remove(want);
}

} // namespace
