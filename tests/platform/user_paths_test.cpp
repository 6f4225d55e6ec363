// Where the program finds the user's configuration folder and its own program file.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/config_home.h"
#include "platform/running_program.h"

namespace calvendra {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object, or unsets it for nullopt.
class ScopedVariable {
public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Set(value);
    }
    ~ScopedVariable() { Set(old_); }

private:
    void Set(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_, value->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> old_;
};

TEST(StateHome, IsAnAbsoluteXdgStateHomeOrElseTheHomeFoldersLocalState) {
    const struct {
        std::optional<std::string> xdg, home;
        std::string expected;
    } cases[] = {
        {"/srv/state", "/home/ann", "/srv/state"},
        {"relative/state", "/home/ann", "/home/ann/.local/state"},
        {std::nullopt, "/home/ann/", "/home/ann/.local/state"},
    };
    for (const auto& c : cases) {
        ScopedVariable xdg("XDG_STATE_HOME", c.xdg);
        ScopedVariable home("HOME", c.home);
        EXPECT_EQ(StateHome(), c.expected) << c.xdg.value_or("(unset)");
    }
}

TEST(ConfigHome, IsAnAbsoluteXdgConfigHomeOrElseTheHomeFoldersConfig) {
    const struct {
        std::optional<std::string> xdg, home;
        std::string expected;
    } cases[] = {
        {"/srv/conf", "/home/ann", "/srv/conf"},
        {"relative/conf", "/home/ann", "/home/ann/.config"},
        {"", "/home/ann/", "/home/ann/.config"},
        {std::nullopt, "/home/ann", "/home/ann/.config"},
        {std::nullopt, "/", "/.config"},
    };
    for (const auto& c : cases) {
        ScopedVariable xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedVariable home("HOME", c.home);
        EXPECT_EQ(ConfigHome(), c.expected) << c.xdg.value_or("(unset)");
    }
    // Without HOME the password database names the home folder.
    ScopedVariable xdg("XDG_CONFIG_HOME", std::nullopt);
    ScopedVariable home("HOME", std::nullopt);
    EXPECT_EQ(ConfigHome().substr(0, 1), "/");
    EXPECT_EQ(ConfigHome().substr(ConfigHome().size() - 8), "/.config");
}

TEST(RunningProgram, IsThisTestsOwnAbsolutePath) {
    std::string path;
    std::string error;
    ASSERT_TRUE(RunningProgramPath(path, error)) << error;
    EXPECT_EQ(path, fs::canonical("/proc/self/exe").string());
}

TEST(RunningProgram, AReplacedProgramIsNamedByWhereItWasAndABadLinkSaysWhy) {
    std::string folder = fs::temp_directory_path() / "calvendra-link.XXXXXX";
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const struct {
        const char* target;
        bool read;
        std::string result;  // the path, or the error
    } cases[] = {
        {"/usr/bin/calvendra (deleted)", true, "/usr/bin/calvendra"},
        {"/opt/a (deleted) b/calvendra", true, "/opt/a (deleted) b/calvendra"},
        {"/opt/my apps/calvendra", true, "/opt/my apps/calvendra"},
        {"calvendra", false, folder + "/link names no absolute path: calvendra"},
    };
    for (const auto& c : cases) {
        const std::string link = folder + "/link";
        std::remove(link.c_str());
        ASSERT_EQ(symlink(c.target, link.c_str()), 0);
        std::string path;
        std::string error;
        EXPECT_EQ(ProgramPathFromLink(link, path, error), c.read) << c.target;
        EXPECT_EQ(c.read ? path : error, c.result);
    }
    // A long path is read whole.
    const std::string longTarget = "/" + std::string(4000, 'x');
    std::remove((folder + "/link").c_str());
    ASSERT_EQ(symlink(longTarget.c_str(), (folder + "/link").c_str()), 0);
    std::string path;
    std::string error;
    EXPECT_TRUE(ProgramPathFromLink(folder + "/link", path, error)) << error;
    EXPECT_EQ(path, longTarget);

    EXPECT_FALSE(ProgramPathFromLink(folder + "/missing", path, error));
    EXPECT_EQ(error, "cannot read " + folder + "/missing: No such file or directory");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace calvendra
