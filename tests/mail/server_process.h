#pragma once

#include <sys/types.h>

#include <cstdint>

namespace calvendra::test {

enum class Listening { Yes, ProcessEnded, NotInTime };

// Waits up to 20 seconds until the server process the test started answers on its port of
// 127.0.0.1. A process that ends first is reaped.
Listening WaitUntilListening(pid_t process, std::uint16_t port);

}  // namespace calvendra::test
