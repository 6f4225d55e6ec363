#pragma once

#include <string>

namespace calvendra::testing {

// A PostgreSQL server of the test's own on a free loopback port, made by scripts/test-postgres in
// a temporary folder, for tests that stop and start the server or set up its roles themselves.
// It goes, with its folder, when the object does.
class PostgresCluster {
public:
    enum class Roles { kOrganizer, kNone };

    // kOrganizer: the role opal (password kelp) exists and may create databases. From then on the
    // process's PostgreSQL test databases are made on this server.
    explicit PostgresCluster(Roles roles = Roles::kOrganizer);
    ~PostgresCluster();

    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    const std::string& Port() const { return port_; }
    // Also the folder of its Unix socket.
    const std::string& Folder() const { return folder_; }

    // Stops the server, as an administrator would; Resume starts it again on the same port.
    void Pause();
    void Resume();

private:
    void Run(const std::string& command, std::string* output = nullptr) const;

    std::string folder_;
    std::string port_;
};

}  // namespace calvendra::testing
