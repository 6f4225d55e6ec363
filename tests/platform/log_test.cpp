#include "platform/log.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/captured_log.h"

namespace calvendra {
namespace {

TEST(Log, EachMessageIsOneLineOnStandardErrorNamedAfterTheProgram) {
    const std::string program = program_invocation_short_name;
    const testing::CapturedLog log;
    LogError("Initialize error: Database: /x.db\nfile is not a database\r\tthe end");
    LogWarning("a warning");
    WriteLog(LogLevel::kInfo, "");
    EXPECT_EQ(log.Text(), program +
                              ": Initialize error: Database: /x.db file is not a database  the "
                              "end\n" +
                              program + ": a warning\n" + program + ": \n");
}

}  // namespace
}  // namespace calvendra
