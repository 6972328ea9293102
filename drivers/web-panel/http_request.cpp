#include "drivers/web-panel/http_request.h"

namespace webpanel {

bool HttpRequest::Feed(std::string_view bytes)
{
    if (Done())
        return true;
    // Only the new bytes and the three before them can complete the end mark.
    const std::size_t from = head_.size() < 3 ? 0 : head_.size() - 3;
    const std::size_t room = kMaxHead - head_.size();
    head_.append(bytes.substr(0, room));
    const std::size_t end = head_.find("\r\n\r\n", from);
    if (end != std::string::npos) {
        head_.resize(end + 2); // keeps the last header's line end
        Finish();
    } else if (head_.size() >= kMaxHead) {
        Refuse(431);
    } else if (head_.find('\n') != std::string::npos && head_.find("\r\n") == std::string::npos) {
        Refuse(400); // lines must end with CR LF
    }
    return Done();
}

void HttpRequest::Finish()
{
    // Request line: METHOD SP TARGET SP HTTP/1.x
    const std::size_t lineEnd = head_.find("\r\n");
    const std::string_view line = std::string_view(head_).substr(0, lineEnd);
    const std::size_t space1 = line.find(' ');
    const std::size_t space2 = space1 == std::string_view::npos ? space1 : line.find(' ', space1 + 1);
    if (space1 == 0 || space2 == std::string_view::npos || line.find(' ', space2 + 1) != std::string_view::npos)
        return Refuse(400);
    const std::string_view method = line.substr(0, space1);
    std::string_view target = line.substr(space1 + 1, space2 - space1 - 1);
    const std::string_view version = line.substr(space2 + 1);
    if (target.empty() || version.size() != 8 || version.substr(0, 5) != "HTTP/" || version[6] != '.' ||
        version[5] < '0' || version[5] > '9' || version[7] < '0' || version[7] > '9')
        return Refuse(400);
    if (version[5] != '1')
        return Refuse(505);
    // Every header line must at least have a name and a colon.
    for (std::size_t at = lineEnd + 2; at < head_.size();) {
        const std::size_t next = head_.find("\r\n", at);
        const std::string_view header = std::string_view(head_).substr(at, next - at);
        const std::size_t colon = header.find(':');
        if (colon == 0 || colon == std::string_view::npos || header.front() == ' ' || header.front() == '\t')
            return Refuse(400);
        at = next + 2;
    }
    if (method != "GET")
        return Refuse(405);
    // The query is not used; a page reload may carry one.
    target = target.substr(0, target.find('?'));
    if (target == "/")
        route_ = Route::Page;
    else if (target == "/events")
        route_ = Route::Events;
    else
        return Refuse(404);
    status_ = 200;
}

const char* StatusText(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

} // namespace webpanel
