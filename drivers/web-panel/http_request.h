#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace webpanel {

// Reads the head of one HTTP/1.x request (request line and headers) as it
// arrives, and decides what the server answers. Only GET of two paths is
// served; everything else is refused with a 4xx status, after which the
// connection closes. The body of a request, if any, is never read.
class HttpRequest {
public:
    enum class Route { None, Page, Events };

    // The most the request line and the headers may take together, with
    // the blank line that ends them.
    static constexpr std::size_t kMaxHead = 8192;

    // Takes the next bytes; true once the head is complete or refused (then
    // status() and route() tell the answer, and later bytes are ignored).
    bool Feed(std::string_view bytes);

    bool Done() const { return status_ != 0; }
    // 200 for a route; 400, 404, 405, 431 or 505 otherwise.
    int status() const { return status_; }
    Route route() const { return route_; }

private:
    void Finish();
    void Refuse(int status) { status_ = status; }

    std::string head_;
    int status_ = 0;
    Route route_ = Route::None;
};

// The reason phrase of the statuses above.
const char* StatusText(int status);

} // namespace webpanel
