#include "support/log_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/common/test_env.h"

namespace {

using Lines = std::vector<std::string>;

// The log's raw lines with every "h:m:s:ms  " stamp (no leading zeros)
// replaced by "@ ".
Lines StampedLines(const testenv::WorkDir& dir)
{
    static const std::regex stamp(R"(^(0|[1-9]\d?):(0|[1-9]\d?):(0|[1-9]\d?):(0|[1-9]\d{0,2})  )");
    Lines lines;
    std::istringstream in(dir.Read("log.txt"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(std::regex_replace(line, stamp, "@ "));
    return lines;
}

TEST(LogStream, StampsEveryNonEmptyLineOnceAndEndsAStatementsUnfinishedLine)
{
    testenv::WorkDir dir;
    std::thread([] { LogStream << "no end of line"; }).join();
    LogStream << "Plugin name: " << std::string("Terminal") << std::endl;
    LogStream << std::endl;
    LogStream << "first\nsecond" << std::endl;
    LogStream << 42 << ' ' << -7 << ' ' << 2.5 << std::endl;
    EXPECT_EQ(StampedLines(dir),
              (Lines{"@ no end of line", "@ Plugin name: Terminal", "", "@ first", "@ second", "@ 42 -7 2.5"}));
}

TEST(LogStream, ReopenStartsAFreshFileAndDisableLeavesItAlone)
{
    testenv::WorkDir dir;
    LogStream << "old run" << std::endl;
    ReopenLog();
    LogStream << "new run" << std::endl;
    EXPECT_EQ(dir.LogLines(), Lines{"new run"});

    // Another instance's log in the same directory survives a disabled log.
    DisableLog();
    dir.Write("log.txt", "other instance\n");
    LogStream << "dropped" << std::endl;
    EXPECT_EQ(dir.Read("log.txt"), "other instance\n");

    CloseLog();
    LogStream << "dropped too" << std::endl;
    EXPECT_EQ(dir.Read("log.txt"), "other instance\n");
}

TEST(LogStream, UnopenableFileIsASilentNoOp)
{
    testenv::WorkDir dir;
    CloseLog();
    std::filesystem::remove(dir.Path() / "log.txt");
    dir.Write("log.txt/keep", "x"); // a directory cannot be deleted or opened as the log
    ReopenLog();
    LogStream << "lost " << 1 << std::endl;
    EXPECT_EQ(dir.Read("log.txt/keep"), "x");
}

TEST(LogStream, ConcurrentLinesStayWholeAndInOrder)
{
    testenv::WorkDir dir;
    constexpr int kThreads = 8, kLines = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                LogStream << "thread " << t << " line " << i << " of " << kLines << std::endl;
        });
    for (std::thread& thread : threads)
        thread.join();

    std::map<int, int> nextLine;
    static const std::regex pattern(R"(@ thread (\d+) line (\d+) of 400)");
    for (const std::string& line : StampedLines(dir)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, pattern)) << line;
        EXPECT_EQ(std::stoi(match[2]), nextLine[std::stoi(match[1])]++) << line;
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(nextLine[t], kLines);
}

} // namespace
