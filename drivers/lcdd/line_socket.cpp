#include "drivers/lcdd/line_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lcdd {

namespace {

int Remaining(LineSocket::Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - LineSocket::Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

bool LineSocket::Connect(const std::string& host, std::uint16_t port, Clock::time_point deadline, std::string& error)
{
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int resolved = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0) {
        error = std::string("cannot resolve ") + host + " (" + ::gai_strerror(resolved) + ")";
        return false;
    }
    error = "no address";
    for (addrinfo* at = found; at != nullptr && fd_ < 0; at = at->ai_next) {
        fd_ = ::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, at->ai_protocol);
        if (fd_ < 0)
            continue;
        int result = ::connect(fd_, at->ai_addr, at->ai_addrlen);
        if (result < 0 && errno == EINPROGRESS) {
            pollfd wait{fd_, POLLOUT, 0};
            int code = ETIMEDOUT;
            socklen_t size = sizeof code;
            if (::poll(&wait, 1, Remaining(deadline)) == 1)
                ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &code, &size);
            errno = code;
            result = code == 0 ? 0 : -1;
        }
        if (result < 0) {
            error = std::strerror(errno);
            Close();
        }
    }
    ::freeaddrinfo(found);
    if (fd_ < 0)
        return false;
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

void LineSocket::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

long LineSocket::Send(const char* data, std::size_t size, std::string& error)
{
    const ssize_t sent = ::send(fd_, data, size, MSG_NOSIGNAL);
    if (sent >= 0)
        return static_cast<long>(sent);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    error = std::strerror(errno);
    return -1;
}

bool LineSocket::Receive(std::string& in, std::string& error)
{
    char buffer[512];
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
        if (got > 0) {
            in.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got == 0) {
            error = "the server closed the connection";
            return false;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return true;
        if (errno != EINTR) {
            error = std::strerror(errno);
            return false;
        }
    }
}

bool LineSocket::Wait(bool writing, std::chrono::milliseconds timeout)
{
    pollfd wait{fd_, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
    return ::poll(&wait, 1, static_cast<int>(timeout.count())) > 0;
}

} // namespace lcdd
