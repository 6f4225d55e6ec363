#include "tests/support/postgres_cluster.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "tests/support/test_database.h"

namespace calvendra::testing {

PostgresCluster::PostgresCluster(Roles roles) {
    std::string pattern = std::filesystem::temp_directory_path() / "calvendra-pg.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder for the PostgreSQL cluster");
    }
    folder_ = pattern;
    Run(roles == Roles::kOrganizer ? "start" : "bare", &port_);
    while (!port_.empty() && port_.back() == '\n') {
        port_.pop_back();
    }
    setenv("CALVENDRA_TEST_PG_PORT", port_.c_str(), 1);
}

PostgresCluster::~PostgresCluster() {
    try {
        Run("stop");
    } catch (const std::exception&) {
        // A cluster left in a temporary folder harms no other test.
    }
}

void PostgresCluster::Pause() {
    Run("pause");
}

void PostgresCluster::Resume() {
    Run("resume");
}

void PostgresCluster::Run(const std::string& command, std::string* output) const {
    if (RunCommand(CALVENDRA_SOURCE_DIR "/scripts/test-postgres " + command + " '" + folder_ + "'",
                   output) != 0) {
        throw std::runtime_error("scripts/test-postgres " + command + " failed");
    }
}

}  // namespace calvendra::testing
