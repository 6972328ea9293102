#include "drivers/virtual/presenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/test_env.h"

namespace {

using namespace std::chrono_literals;
using vdisplay::Presenter;

// Records every picture shown; Show may run on the presenter's thread.
class RecordingView : public vdisplay::PanelView {
public:
    bool Start(const vdisplay::Settings&, CoreServices*) override { return true; }
    void Show(const std::uint8_t* picture, std::uint32_t width, std::uint32_t height) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        shown.emplace_back(picture, picture + std::size_t{width} * height);
    }
    void Stop() override {}

    std::vector<std::vector<std::uint8_t>> Shown()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return shown;
    }

private:
    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> shown;
};

vdisplay::Settings SmallPanel()
{
    vdisplay::Settings settings;
    settings.geometry = vdisplay::Geometry{12, 8, 2, 1};
    return settings;
}

TEST(Presenter, ShowsChangesAtMostTwentyTimesASecondAndTheFinalStateAtStop)
{
    RecordingView view;
    Presenter presenter;
    presenter.Start(SmallPanel(), &view, nullptr);
    std::vector<std::uint8_t> frame(12 * 8, 0);
    const FrameBufferHeader header{frame.data(), 12, 8, 12 * 8, 2, 1};

    // A burst of changes for 300 ms from another thread: every call returns
    // at once, and the view gets far fewer pictures than calls.
    std::atomic<int> calls{0};
    std::thread tick([&] {
        const auto end = std::chrono::steady_clock::now() + 300ms;
        for (std::uint8_t i = 0; std::chrono::steady_clock::now() < end; ++i) {
            frame[0] = i & 1;
            presenter.CopyRegion(header, 0, 0, 1, 1);
            presenter.WriteText(i & 2 ? "ab" : "cd", 0, 0);
            ++calls;
            std::this_thread::sleep_for(1ms);
        }
    });
    tick.join();
    presenter.Clear();
    presenter.WriteText("Good Bye!", 0, 0); // the second cell takes the 'o'
    presenter.Stop();

    const auto shown = view.Shown();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_LE(shown.size(), 300u / 50u + 3u) << "calls: " << calls;
    EXPECT_GT(calls.load(), 20);
    vdisplay::LcdPanel expected(SmallPanel().geometry);
    expected.WriteText("Go", 0, 0);
    std::vector<std::uint8_t> final;
    expected.Compose(final);
    EXPECT_EQ(shown.back(), final);
    for (std::size_t i = 1; i < shown.size(); ++i)
        EXPECT_NE(shown[i], shown[i - 1]) << "picture " << i << " was shown twice in a row";
    presenter.Stop(); // a second stop does nothing
    EXPECT_EQ(view.Shown().size(), shown.size());
}

TEST(Presenter, KeepsTheSnapshotFileWithoutAView)
{
    testenv::WorkDir dir;
    vdisplay::Settings settings = SmallPanel();
    settings.snapshot = (dir.Path() / "panel.pbm").string();
    {
        Presenter presenter;
        presenter.Start(settings, nullptr, nullptr);
        presenter.WriteText("!", 1, 0);
    } // the destructor stops it
    // Column 8 ('!' in the second cell) is lit in rows 0..4 and 6.
    const std::string expected = std::string("P4\n12 8\n") + std::string("\x00\x80", 2) + std::string("\x00\x80", 2) +
                                 std::string("\x00\x80", 2) + std::string("\x00\x80", 2) +
                                 std::string("\x00\x80", 2) + std::string("\x00\x00", 2) +
                                 std::string("\x00\x80", 2) + std::string("\x00\x00", 2);
    EXPECT_EQ(dir.Read("panel.pbm"), expected);
}

} // namespace
