#include "drivers/lcdd/line_socket.h"

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

namespace lcdd {

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

int Remaining(LineSocket::Clock::time_point deadline)
{
    if (deadline == LineSocket::Clock::time_point::max())
        return -1;
    // Rounded up, so that a wait never ends just before its deadline.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - LineSocket::Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

LineSocket::LineSocket()
{
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    OpenWaker();
}

LineSocket::~LineSocket()
{
    Close();
    if (waker_ != kNone)
        CloseNative(waker_);
#ifdef _WIN32
    WSACleanup();
#endif
}

bool LineSocket::Connect(const std::string& host, std::uint16_t port, Clock::time_point deadline, std::string& error)
{
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int resolved = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0) {
        error = "cannot resolve " + host + " (" + gai_strerror(resolved) + ")";
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

void LineSocket::Close()
{
    if (fd_ != kNone)
        CloseNative(fd_);
    fd_ = kNone;
}

long LineSocket::Send(const char* data, std::size_t size, std::string& error)
{
    const auto sent = send(fd_, data, static_cast<int>(size), kSendFlags);
    if (sent >= 0)
        return static_cast<long>(sent);
    const int code = LastError();
    if (WouldBlock(code))
        return 0;
    error = ErrorText(code);
    return -1;
}

bool LineSocket::Receive(std::string& in, std::string& error)
{
    char buffer[4096];
    for (std::size_t taken = 0; taken < kMostRead;) {
        const auto got = recv(fd_, buffer, sizeof buffer, 0);
        if (got > 0) {
            in.append(buffer, static_cast<std::size_t>(got));
            taken += static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0) {
            error = "the server closed the connection";
            return false;
        }
        const int code = LastError();
        if (WouldBlock(code))
            return true; // an interrupted read comes again with the next poll
        error = ErrorText(code);
        return false;
    }
    return true; // the rest waits for the next call
}

// The waker is a datagram socket connected to itself: a byte sent to it makes
// the wait's poll return. Winsock polls only sockets, so the same trick
// serves both systems.
void LineSocket::OpenWaker()
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

void LineSocket::Wake()
{
    if (waker_ != kNone)
        send(waker_, "w", 1, kSendFlags); // when it is full, a wake is pending anyway
}

void LineSocket::Interrupt()
{
    interrupted_ = true;
    Wake();
}

bool LineSocket::Wait(Event event, Clock::time_point deadline)
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

} // namespace lcdd
