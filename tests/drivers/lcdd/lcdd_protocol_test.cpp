#include "drivers/lcdd/lcdd_protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::vector<std::string> Split(lcdd::LineSplitter& splitter, const std::vector<std::string>& chunks)
{
    std::vector<std::string> lines;
    for (const std::string& chunk : chunks)
        splitter.Feed(chunk, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

TEST(LcddLineSplitter, JoinsChunksAndCapsLongLines)
{
    lcdd::LineSplitter splitter(8);
    EXPECT_EQ(Split(splitter, {"succ", "ess\r\nhuh? a\n\nlis", "ten"}),
              (std::vector<std::string>{"success", "huh? a", ""}));
    EXPECT_EQ(splitter.Pending(), 6U);
    // Bytes without a line end are kept only up to the cap, however many come.
    EXPECT_EQ(Split(splitter, {std::string(100000, 'x'), std::string(100000, 'y'), "\nok\n"}),
              (std::vector<std::string>{"listenxx", "ok"}));
    EXPECT_EQ(Split(splitter, {std::string(20, 'z') + "\nnext"}), (std::vector<std::string>{"zzzzzzzz"}));
    splitter.Clear();
    EXPECT_EQ(Split(splitter, {std::string(1 << 18, '\n')}).size(), std::size_t{1} << 18);
    EXPECT_EQ(splitter.Pending(), 0U);
}

TEST(LcddGreeting, TakesSizesInRangeOnly)
{
    const auto full = lcdd::ParseGreeting("connect LCDproc 0.5.9 protocol 0.3 lcd wid 20 hgt 4 cellwid 5 cellhgt 8");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->columns, 20U);
    EXPECT_EQ(full->rows, 4U);
    EXPECT_EQ(full->cellWidth, 5U);
    EXPECT_EQ(full->cellHeight, 8U);
    const auto largest = lcdd::ParseGreeting("connect LCDproc lcd  wid 255 hgt 255 cellwid 64 cellhgt 64");
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->columns, 255U);
    EXPECT_EQ(largest->cellHeight, 64U);
    const auto bare = lcdd::ParseGreeting("connect x lcd wid 16 hgt 2");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->cellHeight, 8U);

    for (const char* refused :
         {"connect LCDproc lcd wid -20 hgt 4", "connect LCDproc lcd wid 4294967316 hgt 4",
          "connect LCDproc lcd wid 0 hgt 4", "connect LCDproc lcd wid 256 hgt 4", "connect LCDproc lcd wid 20 hgt +4",
          "connect LCDproc lcd wid 20x hgt 4", "connect LCDproc lcd wid 20 hgt 4 cellwid 5 cellhgt 65",
          "connect LCDproc lcd wid 20 hgt 4 cellwid 0", "connect LCDproc lcd wid 20", "connect LCDproc wid 20 hgt 4",
          "220 mail lcd wid 20 hgt 4", ""})
        EXPECT_FALSE(lcdd::ParseGreeting(refused)) << refused;
}

TEST(LcddServerText, IsEscapedCutAndLoggedOnceEach)
{
    EXPECT_EQ(lcdd::Printable("huh? \x1b[2J\r\n\xe9 \\ ok"), "huh? \\x1b[2J\\x0d\\x0a\\xe9 \\ ok");
    EXPECT_EQ(lcdd::Printable(std::string(200, 'a'), 10), "aaaaaaaaaa...");
    EXPECT_EQ(lcdd::Printable("abcdefgh\x01", 10), "abcdefgh..."); // an escape is never cut in half

    lcdd::Complaints complaints;
    EXPECT_FALSE(complaints.Take("success"));
    EXPECT_EQ(complaints.Take("huh? Invalid\tcommand"), "LCDd: the server answered: huh? Invalid\\x09command");
    EXPECT_FALSE(complaints.Take("huh? Invalid\tcommand"));
    const std::string huge = "huh? " + std::string(100000, 'h');
    EXPECT_LT(complaints.Take(huge)->size(), 200U);
    EXPECT_FALSE(complaints.Take(huge + "different only past the cut"));
    std::size_t logged = 2;
    for (int i = 0; i < 100; ++i)
        logged += complaints.Take("huh? " + std::to_string(i)).has_value();
    EXPECT_EQ(logged, lcdd::Complaints::kMost);
}

TEST(LcddBackoff, DoublesUpToItsLongestAndStartsOverOnceAConnectionHeld)
{
    lcdd::Backoff backoff;
    auto now = lcdd::Backoff::Clock::time_point{} + 1h;
    std::vector<long long> waits;
    for (int i = 0; i < 7; ++i)
        waits.push_back(backoff.Failed(now).count());
    EXPECT_EQ(waits, (std::vector<long long>{500, 1000, 2000, 4000, 8000, 15000, 15000}));

    // A server that greets and hangs up does not start the count over.
    backoff.Connected(now);
    EXPECT_FALSE(backoff.Settled(now + 9s));
    EXPECT_EQ(backoff.Failed(now + 9s), 15s);

    backoff.Connected(now);
    EXPECT_EQ(backoff.SettlesAt(), now + 10s);
    EXPECT_TRUE(backoff.Settled(now + 10s));
    EXPECT_FALSE(backoff.Settled(now + 11s)); // once
    EXPECT_EQ(backoff.Failed(now + 20s), 500ms);
    backoff.Connected(now);
    EXPECT_EQ(backoff.Failed(now + 30s), 500ms); // held, though nobody asked Settled
}

TEST(LcddPieces, EndAtALineEndAndStayUnderTheServersReadSize)
{
    std::string batch;
    for (int i = 0; batch.size() < 3000; ++i)
        batch += "widget_set Glancer t" + std::to_string(i) + " 1 1 {some text}\n";
    std::size_t pieces = 0;
    for (std::string_view rest = batch; !rest.empty(); ++pieces) {
        const std::size_t piece = lcdd::NextPiece(rest);
        ASSERT_LE(piece, lcdd::kMostPiece);
        ASSERT_EQ(rest[piece - 1], '\n');
        rest.remove_prefix(piece);
    }
    EXPECT_LE(pieces, batch.size() / (lcdd::kMostPiece / 2)) << "pieces are filled with whole lines";
    // A line longer than a piece goes whole; the socket's leftover of a line goes as it is.
    EXPECT_EQ(lcdd::NextPiece(std::string(600, 'x') + "\nnext\n"), 601U);
    EXPECT_EQ(lcdd::NextPiece("t 1 1 {cut"), 10U);
}

} // namespace
