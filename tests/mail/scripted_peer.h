#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace calvendra::test {

// The far end of one accepted connection, as a test script sees it. Every read gives up after a
// few seconds, so that a script waiting for bytes that never come ends instead of hanging.
class Peer {
public:
    explicit Peer(int fd) : fd_(fd) {}

    void Send(const std::string& bytes);
    // Sends the bytes in pieces of the given size, pausing between them so that each arrives in a
    // receive of its own.
    void SendInPieces(const std::string& bytes, std::size_t pieceSize);
    // Reads exactly count bytes (fewer if the connection closes or the wait runs out).
    std::string Read(std::size_t count);
    // Reads up to and including the next CR LF.
    std::string ReadLine();
    // Reads until the text ends with the mark.
    std::string ReadUntil(const std::string& mark);
    // True when the client closes the connection (after any bytes it still sends).
    bool WaitForClose(std::string* rest = nullptr);
    void Close();
    int Fd() const { return fd_; }

private:
    bool ReadByte(char& byte);

    int fd_;
};

// A listening socket on 127.0.0.1 with a free port. Each accepted connection is handed to the
// script on a thread of its own; the destructor waits for the scripts to end.
class ScriptedServer {
public:
    using Script = std::function<void(Peer&)>;

    explicit ScriptedServer(Script script, int connections = 1);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t Port() const { return port_; }
    // Waits until every script has ended.
    void Join();

private:
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

// A port on 127.0.0.1 that nobody listens on (bound and closed again).
std::uint16_t UnusedPort();

// A socket that listens on a free loopback port, which it stores in `port`; -1, after a failure
// of the test, when there is none.
int ListenOnLoopback(std::uint16_t& port);

}  // namespace calvendra::test
