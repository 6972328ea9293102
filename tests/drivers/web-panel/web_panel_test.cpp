#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drivers/web-panel/frame_events.h"
#include "drivers/web-panel/http_request.h"

namespace {

using webpanel::HttpRequest;
using Route = HttpRequest::Route;

struct Outcome {
    int status;
    Route route;
};

// Feeds `text` in pieces of `piece` bytes, as the network may deliver it.
Outcome Parse(const std::string& text, std::size_t piece = 1 << 20)
{
    HttpRequest request;
    for (std::size_t at = 0; at < text.size() && !request.Done(); at += piece)
        request.Feed(std::string_view(text).substr(at, piece));
    return {request.status(), request.route()};
}

TEST(HttpRequest, ServesGetOfThePageAndTheEventsWhateverTheSplit)
{
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{1000}}) {
        const Outcome page = Parse("GET / HTTP/1.1\r\nHost: x\r\nAccept: */*\r\n\r\n", piece);
        EXPECT_EQ(page.status, 200);
        EXPECT_EQ(page.route, Route::Page);
        const Outcome events = Parse("GET /events HTTP/1.1\r\nHost: x\r\n\r\n", piece);
        EXPECT_EQ(events.status, 200);
        EXPECT_EQ(events.route, Route::Events);
    }
    EXPECT_EQ(Parse("GET /?reload=1 HTTP/1.0\r\n\r\n").route, Route::Page);
    // Incomplete: no answer yet.
    EXPECT_EQ(Parse("GET / HTTP/1.1\r\nHost: x\r\n").status, 0);
}

TEST(HttpRequest, RefusesOtherPathsMethodsAndMalformedHeads)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"GET /favicon.ico HTTP/1.1\r\n\r\n", 404},
        {"GET /events/ HTTP/1.1\r\n\r\n", 404},
        {"GET http://x/ HTTP/1.1\r\n\r\n", 404},
        {"POST / HTTP/1.1\r\nContent-Length: 0\r\n\r\n", 405},
        {"HEAD / HTTP/1.1\r\n\r\n", 405},
        {"get / HTTP/1.1\r\n\r\n", 405},
        {"GET / HTTP/2.0\r\n\r\n", 505},
        {"GET /  HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/1.1 extra\r\n\r\n", 400},
        {"GET /\r\n\r\n", 400},
        {" / HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTQ/1.1\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nno colon\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\n: empty name\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\n folded: x\r\n\r\n", 400},
        {"GET / HTTP/1.1\n\n", 400},
    };
    for (const auto& [text, status] : cases) {
        EXPECT_EQ(Parse(text).status, status) << text;
        EXPECT_EQ(Parse(text, 2).status, status) << text;
    }
}

TEST(HttpRequest, TheHeadMayTakeEightKilobytesAndNoMore)
{
    const std::string start = "GET / HTTP/1.1\r\nX: ";
    const std::string end = "\r\n\r\n";
    const std::string fits = start + std::string(HttpRequest::kMaxHead - start.size() - end.size(), 'a') + end;
    EXPECT_EQ(Parse(fits).status, 200);
    EXPECT_EQ(Parse(fits, 7).status, 200);
    const std::string over = start + std::string(HttpRequest::kMaxHead - start.size() - end.size() + 1, 'a') + end;
    EXPECT_EQ(Parse(over).status, 431);
    EXPECT_EQ(Parse(over, 100).status, 431);
    // Refused as soon as the limit is passed, without waiting for the end.
    EXPECT_EQ(Parse(std::string(HttpRequest::kMaxHead, 'G')).status, 431);
}

TEST(FrameEvents, ChangedRowsBecomeOneRectanglePerRunAsWideAsItsChanges)
{
    const std::uint32_t width = 10, height = 6;
    std::vector<std::uint8_t> before(width * height, 0);
    std::vector<std::uint8_t> after = before;
    EXPECT_TRUE(webpanel::ChangedRects(before, after, width, height).empty());
    after[1 * width + 2] = 1;
    after[2 * width + 7] = 1;
    after[5 * width + 9] = 1;
    const std::vector<webpanel::Rect> rects = webpanel::ChangedRects(before, after, width, height);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ((std::vector<std::uint32_t>{rects[0].x, rects[0].y, rects[0].width, rects[0].height}),
              (std::vector<std::uint32_t>{2, 1, 6, 2}));
    EXPECT_EQ((std::vector<std::uint32_t>{rects[1].x, rects[1].y, rects[1].width, rects[1].height}),
              (std::vector<std::uint32_t>{9, 5, 1, 1}));
}

TEST(FrameEvents, RectanglesAreBitsInBase64)
{
    // 3 x 3 inside a 4-wide picture: bits 101 010 111 -> 10101011 1(0000000)
    const std::vector<std::uint8_t> picture = {1, 0, 1, 9, 0, 1, 0, 9, 1, 1, 1, 9};
    std::string out;
    webpanel::AppendRectEvent(out, picture, 4, webpanel::Rect{0, 0, 3, 3});
    EXPECT_EQ(out, "data: 0 0 3 3 q4A=\n\n");
    out.clear();
    webpanel::AppendRectEvent(out, picture, 4, webpanel::Rect{1, 1, 2, 1});
    EXPECT_EQ(out, "data: 1 1 2 1 gA==\n\n");
}

} // namespace
