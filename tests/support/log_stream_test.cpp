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

std::vector<std::string> RawLines(const testenv::WorkDir& dir)
{
    std::vector<std::string> lines;
    std::istringstream in(dir.Read("log.txt"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// "h:m:s:ms  text" with no leading zeros and fields in range; gives the text.
::testing::AssertionResult Stamped(const std::string& line, const std::string& text)
{
    static const std::regex stamp(R"(^(0|[1-9]\d?):(0|[1-9]\d?):(0|[1-9]\d?):(0|[1-9]\d{0,2})  (.*)$)");
    std::smatch match;
    if (!std::regex_match(line, match, stamp))
        return ::testing::AssertionFailure() << "no stamp on \"" << line << "\"";
    if (std::stoi(match[1]) > 23 || std::stoi(match[2]) > 59 || std::stoi(match[3]) > 59)
        return ::testing::AssertionFailure() << "stamp out of range on \"" << line << "\"";
    if (match[5] != text)
        return ::testing::AssertionFailure() << "text \"" << match[5] << "\", expected \"" << text << "\"";
    return ::testing::AssertionSuccess();
}

TEST(LogStream, StampsEveryNonEmptyLineOnce)
{
    testenv::WorkDir dir;
    LogStream << "Plugin name: " << std::string("Terminal") << std::endl;
    LogStream << std::endl;
    LogStream << "first\nsecond" << std::endl;
    LogStream << 42 << ' ' << -7 << ' ' << 2.5 << std::endl;
    EXPECT_TRUE(LogStream.Stream().good());

    const std::vector<std::string> lines = RawLines(dir);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(Stamped(lines[0], "Plugin name: Terminal"));
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(Stamped(lines[2], "first"));
    EXPECT_TRUE(Stamped(lines[3], "second"));
    EXPECT_TRUE(Stamped(lines[4], "42 -7 2.5"));
}

TEST(LogStream, ReopenStartsAFreshFileAndDisableLeavesItAlone)
{
    testenv::WorkDir dir;
    LogStream << "old run" << std::endl;
    ReopenLog();
    LogStream << "new run" << std::endl;
    EXPECT_EQ(dir.LogLines(), std::vector<std::string>{"new run"});

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
    EXPECT_TRUE(LogStream.Stream().good());
    EXPECT_EQ(dir.Read("log.txt/keep"), "x");
}

TEST(LogStream, ConcurrentLinesStayWhole)
{
    testenv::WorkDir dir;
    constexpr int kThreads = 8;
    constexpr int kLines = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                LogStream << "thread " << t << " line " << i << " of " << kLines << std::endl;
        });
    for (std::thread& thread : threads)
        thread.join();

    std::map<int, int> nextLine;
    static const std::regex pattern(R"(thread (\d+) line (\d+) of 400)");
    for (const std::string& line : dir.LogLines()) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, pattern)) << line;
        const int thread = std::stoi(match[1]);
        EXPECT_EQ(std::stoi(match[2]), nextLine[thread]++) << "lines of one thread out of order";
    }
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(nextLine[t], kLines);
}

TEST(LogStream, UnfinishedLineOfAnEndingThreadIsKept)
{
    testenv::WorkDir dir;
    std::thread([] { LogStream << "no end of line"; }).join();
    LogStream << "next" << std::endl;
    const std::vector<std::string> lines = RawLines(dir);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(Stamped(lines[0], "no end of line"));
    EXPECT_TRUE(Stamped(lines[1], "next"));
}

} // namespace
