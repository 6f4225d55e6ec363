#include "tests/mail/server_process.h"

#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "mail/wsocket.h"

namespace calvendra::test {

Listening WaitUntilListening(pid_t process, std::uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        CWSocket probe;
        probe.Open();
        try {
            probe.Connect("127.0.0.1", port, 1000);
            return Listening::Yes;
        } catch (const CWSocketException&) {
            int status = 0;
            if (::waitpid(process, &status, WNOHANG) != 0) {
                return Listening::ProcessEnded;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    return Listening::NotInTime;
}

}  // namespace calvendra::test
