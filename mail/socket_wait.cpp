#include "mail/socket_wait.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "mail/socket_errors.h"
#include "mail/wsocket_exception.h"

namespace calvendra {

int MillisecondsLeft(SocketClock::time_point deadline) {
    if (deadline == SocketClock::time_point::max()) {
        return -1;  // no limit
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SocketClock::now())
            .count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

bool PollUntil(int handle, short events, SocketClock::time_point deadline) {
    for (;;) {
        pollfd entry{handle, events, 0};
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0) {
            return false;
        }
        if (errno != EINTR) {
            throw CWSocketException();
        }
    }
}

void SendAllBy(int handle, const char* data, std::size_t length, SocketClock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t done =
            ::send(handle, data + sent, length - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (done >= 0) {
            sent += static_cast<std::size_t>(done);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            throw CWSocketException();
        }
        if (!PollUntil(handle, POLLOUT, deadline)) {
            throw CWSocketException(kErrorTimedOut);
        }
    }
}

}  // namespace calvendra
