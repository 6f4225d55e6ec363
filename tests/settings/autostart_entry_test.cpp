// The autostart entry that starts the organizer at log-in: the Exec quoting, the entry as the
// desktop reads it (desktop-file-validate, GLib's launcher), its folder, and its replacement.

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "settings/autostart_entry.h"
#include "settings/desktop_entry_text.h"
#include "tests/support/odbc_sandbox.h"

namespace calvendra::testing {
namespace {

namespace fs = std::filesystem;

TEST(ExecArgument, QuotesReservedCharactersAndDoublesPercentSigns) {
    const struct {
        const char* argument;
        const char* exec;
    } cases[] = {
        {"/usr/bin/calvendra", "/usr/bin/calvendra"},
        {"/opt/jürgen/a=b,c+d@e:f/calvendra", "/opt/jürgen/a=b,c+d@e:f/calvendra"},
        {"/opt/My Apps/calvendra", "\"/opt/My Apps/calvendra\""},
        {"/opt/a\tb", "\"/opt/a\tb\""},
        {"/opt/a\nb", "\"/opt/a\nb\""},
        {"/opt/it's", "\"/opt/it's\""},
        {"/opt/say \"hi\"", "\"/opt/say \\\"hi\\\"\""},
        {"/opt/$HOME", "\"/opt/\\$HOME\""},
        {"/opt/back`tick`", "\"/opt/back\\`tick\\`\""},
        {"/opt/back\\slash", "\"/opt/back\\\\slash\""},
        {"/opt/<>~|&;*?#()", "\"/opt/<>~|&;*?#()\""},
        // Each reserved character on its own makes the argument quoted.
        {"/opt/a b", "\"/opt/a b\""},
        {"/opt/a<b", "\"/opt/a<b\""},
        {"/opt/a>b", "\"/opt/a>b\""},
        {"/opt/a~b", "\"/opt/a~b\""},
        {"/opt/a|b", "\"/opt/a|b\""},
        {"/opt/a&b", "\"/opt/a&b\""},
        {"/opt/a;b", "\"/opt/a;b\""},
        {"/opt/a*b", "\"/opt/a*b\""},
        {"/opt/a?b", "\"/opt/a?b\""},
        {"/opt/a#b", "\"/opt/a#b\""},
        {"/opt/a(b", "\"/opt/a(b\""},
        {"/opt/a)b", "\"/opt/a)b\""},
        {"/opt/a'b", "\"/opt/a'b\""},
        {"/opt/a\"b", "\"/opt/a\\\"b\""},
        {"/opt/a`b", "\"/opt/a\\`b\""},
        {"/opt/a$b", "\"/opt/a\\$b\""},
        {"/opt/a\\b", "\"/opt/a\\\\b\""},
        {"/opt/100%/calvendra", "/opt/100%%/calvendra"},
        {"/opt/100% sure/%f", "\"/opt/100%% sure/%%f\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExecArgument(c.argument), c.exec) << c.argument;
    }
}

TEST(StringValue, EscapesBackslashesTabsLineBreaksAndALeadingSpace) {
    const struct {
        const char* text;
        const char* value;
    } cases[] = {
        {"/usr/bin/calvendra", "/usr/bin/calvendra"},
        {"\"/opt/back\\\\slash\"", "\"/opt/back\\\\\\\\slash\""},
        {"a\tb\nc\rd", "a\\tb\\nc\\rd"},
        {" lead and inner ", "\\slead and inner "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StringValue(c.text), c.value) << c.text;
    }
}

// Runs a program; its exit status, and what it printed.
int RunProgram(const std::vector<std::string>& arguments, std::string* output = nullptr) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = -1;
    GError* error = nullptr;
    const bool ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                  nullptr, &out, &err, &status, &error);
    if (!ran) {
        ADD_FAILURE() << "cannot run " << arguments[0] << ": " << error->message;
        g_error_free(error);
        return -1;
    }
    if (output != nullptr) {
        *output = std::string(out) + err;
    }
    g_free(out);
    g_free(err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class AutostartEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = fs::temp_directory_path() / "calvendra-autostart.XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        // The config folder does not exist yet: writing the entry makes it.
        setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        // GLib's launcher must not look for a session bus or start one.
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    }

    void TearDown() override {
        std::error_code ignored;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root_, ignored);
    }

    // A copy of the probe program at <root>/<folder>/probe.
    std::string PlaceProbe(const std::string& folder) {
        const fs::path place = fs::path(root_) / folder;
        fs::create_directories(place);
        fs::copy_file(CALVENDRA_AUTOSTART_PROBE, place / "probe",
                      fs::copy_options::overwrite_existing);
        fs::permissions(place / "probe", fs::perms::owner_all);
        return place / "probe";
    }

    // Runs a probe with "register", as a user choosing "Auto Run" in it would.
    void Register(const std::string& probe) {
        std::string output;
        ASSERT_EQ(RunProgram({probe, "register"}, &output), 0) << output;
    }

    // The desktop's reading of the entry: starts what it names and returns the path the started
    // program runs from, or why nothing started.
    std::string LaunchEntry() {
        const std::string ran = root_ + "/ran";
        std::remove(ran.c_str());
        setenv("CALVENDRA_PROBE_RAN", ran.c_str(), 1);
        GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(AutostartEntryPath().c_str());
        if (info == nullptr) {
            return "GLib cannot read the entry";
        }
        GError* error = nullptr;
        const bool launched = g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error);
        g_object_unref(info);
        if (!launched) {
            const std::string reason = error->message;
            g_error_free(error);
            return "not started: " + reason;
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fs::exists(ran) && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return fs::exists(ran) ? ReadFileText(ran) : "the program did not run";
    }

    // The entry's Exec value as GLib reads it.
    static std::string ExecValue() {
        GKeyFile* entry = g_key_file_new();
        std::string value;
        if (g_key_file_load_from_file(entry, AutostartEntryPath().c_str(), G_KEY_FILE_NONE,
                                      nullptr)) {
            gchar* exec = g_key_file_get_string(entry, "Desktop Entry", "Exec", nullptr);
            value = exec == nullptr ? "" : exec;
            g_free(exec);
        }
        g_key_file_free(entry);
        return value;
    }

    static void ExpectValid(const std::string& entry) {
        std::string output;
        EXPECT_EQ(RunProgram({"desktop-file-validate", entry}, &output), 0) << output;
        EXPECT_EQ(output, "");
    }

    static unsigned Mode(const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    }

    std::string root_;
};

TEST_F(AutostartEntryTest, TheEntryLiesInTheConfigFoldersAutostartFolderMadeForItsOwnerOnly) {
    EXPECT_EQ(AutostartFolder(), root_ + "/config/autostart");
    EXPECT_EQ(AutostartEntryPath(), root_ + "/config/autostart/calvendra.desktop");
    std::string error;
    ASSERT_TRUE(WriteAutostartEntry("/usr/bin/calvendra", error)) << error;
    EXPECT_EQ(Mode(root_ + "/config"), 0700u);
    EXPECT_EQ(Mode(AutostartFolder()), 0700u);
    ExpectValid(AutostartEntryPath());
    const std::string text = ReadFileText(AutostartEntryPath());
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    for (const char* line : {"\nType=Application\n", "\nName=Calvendra\n",
                             "\nExec=/usr/bin/calvendra\n", "\nIcon=calvendra\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    }
    // Only the entry: no temporary file stays beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(AutostartFolder()), fs::directory_iterator()),
              1);
}

TEST_F(AutostartEntryTest, TheDesktopStartsTheProgramFromWhereverItLies) {
    const char* folders[] = {
        "plain",       "two words", "it's \"odd\" $HOME \\ back`tick`",
        "<>~|&;*?#()", "jürgen",    "tab\there, line\nbreak",
    };
    for (const char* folder : folders) {
        const std::string probe = PlaceProbe(folder);
        Register(probe);
        ExpectValid(AutostartEntryPath());
        EXPECT_EQ(LaunchEntry(), probe) << folder;
    }
}

TEST_F(AutostartEntryTest, APercentSignInThePathIsWrittenAsALiteral) {
    // GLib's launcher does not undo %% in the program's own path, so only the entry is checked.
    const std::string probe = PlaceProbe("100% sure");
    Register(probe);
    ExpectValid(AutostartEntryPath());
    EXPECT_EQ(ExecValue(), "\"" + root_ + "/100%% sure/probe\"");
}

TEST_F(AutostartEntryTest, AProgramMovedElsewhereAndSetAgainIsStartedFromItsNewPlace) {
    const std::string first = PlaceProbe("old place");
    Register(first);
    EXPECT_EQ(LaunchEntry(), first);

    const std::string moved = root_ + "/new place/probe";
    fs::create_directories(root_ + "/new place");
    fs::rename(first, moved);
    // Until it is set again, the entry still names the old place, where nothing is left to start.
    EXPECT_EQ(ExecValue(), "\"" + first + "\"");
    // GLib takes no entry whose program is not there.
    EXPECT_EQ(LaunchEntry(), "GLib cannot read the entry");
    Register(moved);
    EXPECT_EQ(LaunchEntry(), moved);
}

TEST_F(AutostartEntryTest, TheEntryIsReplacedWholeByRenameSoAReaderSeesTheOldOrTheNew) {
    std::string error;
    ASSERT_TRUE(WriteAutostartEntry("/opt/first/calvendra", error)) << error;
    std::ifstream reader(AutostartEntryPath());
    ASSERT_TRUE(WriteAutostartEntry("/opt/second/calvendra", error)) << error;
    // The file that was open is the old entry, whole; the path now names the new one.
    const std::string old((std::istreambuf_iterator<char>(reader)), {});
    EXPECT_NE(old.find("Exec=/opt/first/calvendra\n"), std::string::npos) << old;
    EXPECT_NE(ReadFileText(AutostartEntryPath()).find("Exec=/opt/second/calvendra\n"),
              std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(AutostartFolder()), fs::directory_iterator()),
              1);
}

TEST_F(AutostartEntryTest, FailuresSayWhyAndLeaveTheOldEntryAsItWas) {
    std::string error;
    ASSERT_TRUE(WriteAutostartEntry("/opt/kept/calvendra", error)) << error;
    const std::string kept = ReadFileText(AutostartEntryPath());

    // Paths that no desktop entry can hold.
    for (const char* path :
         {"/opt/bad\xff/calvendra", "/opt/bell\a/calvendra", "/opt/delete\x7f/calvendra"}) {
        error.clear();
        EXPECT_FALSE(WriteAutostartEntry(path, error)) << path;
        EXPECT_EQ(error,
                  std::string("the program's path cannot be written in a desktop entry: ") + path);
        EXPECT_EQ(ReadFileText(AutostartEntryPath()), kept);
    }

    // An entry that is a folder can be neither replaced nor removed.
    fs::remove(AutostartEntryPath());
    fs::create_directories(AutostartEntryPath() + "/inside");
    EXPECT_FALSE(WriteAutostartEntry("/opt/new/calvendra", error));
    EXPECT_NE(error.find("cannot write the autostart entry " + AutostartEntryPath() + ": "),
              std::string::npos)
        << error;
    EXPECT_FALSE(RemoveAutostartEntry(error));
    EXPECT_EQ(error,
              "cannot remove the autostart entry " + AutostartEntryPath() + ": Is a directory");

    // A file where the autostart folder belongs.
    fs::remove_all(AutostartFolder());
    WriteFileText(AutostartFolder(), "not a folder");
    EXPECT_FALSE(WriteAutostartEntry("/opt/new/calvendra", error));
    EXPECT_EQ(error,
              "cannot create the autostart folder " + AutostartFolder() + ": Not a directory");
    EXPECT_EQ(ReadFileText(AutostartFolder()), "not a folder");
}

TEST_F(AutostartEntryTest, RemovingTakesTheEntryAwayAndAMissingOneIsNoFailure) {
    std::string error;
    // Neither the folder nor the entry exists, and removing makes neither.
    EXPECT_TRUE(RemoveAutostartEntry(error)) << error;
    EXPECT_FALSE(fs::exists(AutostartFolder()));
    ASSERT_TRUE(WriteAutostartEntry("/usr/bin/calvendra", error)) << error;
    EXPECT_TRUE(RemoveAutostartEntry(error)) << error;
    EXPECT_FALSE(fs::exists(AutostartEntryPath()));
    EXPECT_TRUE(RemoveAutostartEntry(error)) << error;
    // A file in place of the folder means there is no entry either.
    fs::remove_all(AutostartFolder());
    WriteFileText(AutostartFolder(), "");
    EXPECT_TRUE(RemoveAutostartEntry(error)) << error;
    EXPECT_EQ(error, "");
}

}  // namespace
}  // namespace calvendra::testing
