#pragma once

#include <chrono>
#include <cstddef>

namespace calvendra {

// Waiting on a socket handle until a deadline, for the socket layer and the TLS channel alike.
using SocketClock = std::chrono::steady_clock;

// Milliseconds left until the deadline, never negative; -1 (no limit) for the time point's maximum.
int MillisecondsLeft(SocketClock::time_point deadline);

// Waits for the events on the handle until the deadline; false on time-out. A failing wait raises
// CWSocketException with its errno.
bool PollUntil(int handle, short events, SocketClock::time_point deadline);

// Sends all the bytes, waiting for room by the deadline: ETIMEDOUT when it passes first, the
// send's own errno when the connection fails (never a SIGPIPE).
void SendAllBy(int handle, const char* data, std::size_t length, SocketClock::time_point deadline);

}  // namespace calvendra
