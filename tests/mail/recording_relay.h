#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace calvendra::test {

// A TCP relay on 127.0.0.1 between the client under test and a real server: it passes every byte
// on unchanged and keeps what the client sent, so that a test sees what went over the wire, in
// clear or encrypted. Connections are relayed one after the other.
class RecordingRelay {
public:
    explicit RecordingRelay(std::uint16_t serverPort);
    ~RecordingRelay();
    RecordingRelay(const RecordingRelay&) = delete;
    RecordingRelay& operator=(const RecordingRelay&) = delete;

    std::uint16_t Port() const { return port_; }

    // Everything the clients sent so far, connection after connection.
    std::string ClientBytes() const;

private:
    void Relay(int client);

    std::uint16_t serverPort_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::string clientBytes_;
    std::thread thread_;
};

}  // namespace calvendra::test
