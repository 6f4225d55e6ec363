#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/test_database.h"

namespace calvendra::testing {

// A test that runs once per backend on a fresh database behind the data source "Calvendra".
// The PostgreSQL run is skipped, visibly, when no cluster was started for the test run.
class DatabaseTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::kPostgres && !PostgresAvailable()) {
            GTEST_SKIP() << "no PostgreSQL cluster: CALVENDRA_TEST_PG_PORT is not set";
        }
        if (!TestDatabase::CanUse(GetParam())) {
            GTEST_SKIP() << "this process already used the other backend; ctest runs each test "
                            "in its own process";
        }
        database_ = std::make_unique<TestDatabase>(GetParam());
    }

    TestDatabase& Database() { return *database_; }

private:
    std::unique_ptr<TestDatabase> database_;
};

inline std::string BackendParamName(const ::testing::TestParamInfo<Backend>& info) {
    return BackendName(info.param);
}

}  // namespace calvendra::testing

// Runs every TEST_P of `suite` against SQLite and PostgreSQL.
#define CALVENDRA_FOR_EACH_BACKEND(suite)                                              \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                          \
                             ::testing::ValuesIn(::calvendra::testing::AllBackends()), \
                             ::calvendra::testing::BackendParamName)
