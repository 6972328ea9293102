#include "drivers/common/tcp_transport.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <algorithm>

namespace panelcore {

namespace {

// The few calls that differ between Winsock and POSIX sockets.
#ifdef _WIN32
constexpr int kSendFlags = 0;
int LastError()
{
    return WSAGetLastError();
}
bool WouldBlock(int error)
{
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS || error == WSAEINTR;
}
std::string ErrorText(int error)
{
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(error), 0,
                   text, sizeof text, nullptr);
    std::string result(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.'))
        result.pop_back();
    return result;
}
int Poll(pollfd* waits, int count, int milliseconds)
{
    return WSAPoll(waits, static_cast<ULONG>(count), milliseconds);
}
void CloseNative(std::uintptr_t fd)
{
    closesocket(static_cast<SOCKET>(fd));
}
std::uintptr_t OpenNative(const addrinfo& at)
{
    const SOCKET fd = socket(at.ai_family, at.ai_socktype, at.ai_protocol);
    u_long on = 1;
    if (fd != INVALID_SOCKET)
        ioctlsocket(fd, FIONBIO, &on);
    return fd;
}
#else
constexpr int kSendFlags = MSG_NOSIGNAL; // a closed connection is an error, not a signal
int LastError()
{
    return errno;
}
bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS || error == EINTR;
}
std::string ErrorText(int error)
{
    return std::strerror(error);
}
int Poll(pollfd* waits, int count, int milliseconds)
{
    return ::poll(waits, static_cast<nfds_t>(count), milliseconds);
}
void CloseNative(int fd)
{
    ::close(fd);
}
int OpenNative(const addrinfo& at)
{
    return ::socket(at.ai_family, at.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, at.ai_protocol);
}
#endif

int Remaining(TcpTransport::Clock::time_point deadline)
{
    if (deadline == TcpTransport::Clock::time_point::max())
        return -1;
    // Rounded up, so that a wait never ends just before its deadline.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TcpTransport::Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

constexpr auto kLastFlush = std::chrono::seconds(1); // once interrupted, for what is still to go

} // namespace

TcpTransport::TcpTransport(std::string host, std::uint16_t port, std::chrono::milliseconds connectTimeout,
                           std::chrono::milliseconds stallLimit)
    : host_(std::move(host)), port_(port), connectTimeout_(connectTimeout), stallLimit_(stallLimit)
{
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    OpenWaker();
}

TcpTransport::~TcpTransport()
{
    Close();
    if (waker_ != kNone)
        CloseNative(waker_);
#ifdef _WIN32
    WSACleanup();
#endif
}

bool TcpTransport::Open(std::string& reason)
{
    lostWhy_.clear();
    if (Connect(Clock::now() + connectTimeout_, reason))
        return true;
    reason = "cannot be reached (" + reason + ")";
    return false;
}

bool TcpTransport::Connect(Clock::time_point deadline, std::string& error)
{
    Close();
    if (Interrupted()) {
        error = "stopped";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int resolved = getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &found);
    if (resolved != 0) {
        error = "cannot resolve " + host_ + ": " + gai_strerror(resolved);
        return false;
    }
    error = "no address";
    for (addrinfo* at = found; at != nullptr && fd_ == kNone; at = at->ai_next) {
        fd_ = OpenNative(*at);
        if (fd_ == kNone)
            continue;
        int code = connect(fd_, at->ai_addr, static_cast<int>(at->ai_addrlen)) == 0 ? 0 : LastError();
        if (code != 0 && WouldBlock(code)) {
            bool ready = false;
            while (!Interrupted() && !(ready = Wait(Event::Room, deadline)) && Remaining(deadline) != 0) {
            }
            code = ready ? 0 : -1;
            socklen_t size = sizeof code;
            if (code == 0)
                getsockopt(fd_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size);
            error = !ready && Interrupted() ? "stopped" : code < 0 ? "timed out" : ErrorText(code);
        } else if (code != 0) {
            error = ErrorText(code);
        }
        if (code != 0)
            Close();
    }
    freeaddrinfo(found);
    if (fd_ == kNone)
        return false;
    const int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return true;
}

void TcpTransport::Close()
{
    if (fd_ != kNone)
        CloseNative(fd_);
    fd_ = kNone;
}

TcpTransport::Sent TcpTransport::Lost(std::string why)
{
    lostWhy_ = std::move(why);
    return Sent::Lost;
}

TcpTransport::Sent TcpTransport::Send(const std::uint8_t* bytes, std::size_t count)
{
    Read();
    return SendAll(bytes, count);
}

TcpTransport::Sent TcpTransport::Attend()
{
    Read();
    return SendAll(nullptr, 0);
}

void TcpTransport::Read()
{
    std::uint8_t buffer[4096];
    for (std::size_t taken = 0; taken < kMostRead;) {
        const std::size_t got = Receive(buffer, sizeof buffer);
        if (got == 0)
            return;
        Heard(buffer, got);
        taken += got;
    }
}

TcpTransport::Sent TcpTransport::SendAll(const std::uint8_t* bytes, std::size_t count)
{
    if (fd_ == kNone || !lostWhy_.empty())
        return Sent::Lost;
    auto stalledAt = Clock::now() + stallLimit_;
    while (count > 0) {
        if (!lostWhy_.empty())
            return Sent::Lost;
        const auto sent = send(fd_, reinterpret_cast<const char*>(bytes), static_cast<int>(count), kSendFlags);
        if (sent > 0) {
            bytes += sent;
            count -= static_cast<std::size_t>(sent);
            stalledAt = Clock::now() + stallLimit_;
            continue;
        }
        const int code = sent < 0 ? LastError() : 0;
        if (sent < 0 && !WouldBlock(code))
            return Lost(ErrorText(code));
        if (Interrupted())
            stalledAt = std::min(stalledAt, Clock::now() + kLastFlush);
        if (Clock::now() >= stalledAt)
            return Lost("the server stopped reading");
        // What the server says meanwhile is read, so that neither end
        // waits for the other (and a reply does not end every wait).
        if (Wait(Event::Room, stalledAt))
            Read();
    }
    return Sent::All;
}

std::size_t TcpTransport::Receive(std::uint8_t* bytes, std::size_t capacity)
{
    if (fd_ == kNone || !lostWhy_.empty())
        return 0;
    const auto got = recv(fd_, reinterpret_cast<char*>(bytes), static_cast<int>(capacity), 0);
    if (got > 0)
        return static_cast<std::size_t>(got);
    const int code = got < 0 ? LastError() : 0;
    if (got == 0)
        lostWhy_ = "the server closed the connection";
    else if (!WouldBlock(code)) // an interrupted read comes again with the next poll
        lostWhy_ = ErrorText(code);
    return 0;
}

bool TcpTransport::AwaitData(Clock::time_point deadline)
{
    while (!Interrupted() && Clock::now() < deadline) {
        if (Wait(Event::Data, deadline))
            return true;
    }
    return false;
}

// The waker is a datagram socket connected to itself: a byte sent to it makes
// the wait's poll return. Winsock polls only sockets, so the same trick
// serves both systems.
void TcpTransport::OpenWaker()
{
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addrinfo kind{};
    kind.ai_family = AF_INET;
    kind.ai_socktype = SOCK_DGRAM;
    waker_ = OpenNative(kind);
    socklen_t size = sizeof at;
    if (waker_ != kNone && (bind(waker_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
                            getsockname(waker_, reinterpret_cast<sockaddr*>(&at), &size) != 0 ||
                            connect(waker_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0)) {
        CloseNative(waker_);
        waker_ = kNone;
    }
}

void TcpTransport::Wake()
{
    if (waker_ != kNone)
        send(waker_, "w", 1, kSendFlags); // when it is full, a wake is pending anyway
}

void TcpTransport::Interrupt()
{
    interrupted_ = true;
    Wake();
}

bool TcpTransport::Wait(Event event, Clock::time_point deadline)
{
#ifdef POLLRDHUP
    constexpr short kHangup = POLLRDHUP;
#else
    constexpr short kHangup = POLLIN;
#endif
    const short events = event == Event::Data ? POLLIN : event == Event::Room ? POLLOUT | kHangup : kHangup;
    pollfd waits[2] = {{fd_, events, 0}, {waker_, POLLIN, 0}};
    int timeout = Remaining(deadline);
    if (waker_ == kNone && (timeout < 0 || timeout > 20))
        timeout = 20; // nothing can wake us, so look again soon
    const int ready = Poll(waits, waker_ != kNone ? 2 : 1, timeout);
    if (waits[1].revents != 0) {
        char drained[64];
        while (recv(waker_, drained, sizeof drained, 0) > 0) {
        }
    }
    return ready > 0 && waits[0].revents != 0;
}

} // namespace panelcore
