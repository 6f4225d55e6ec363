// The skin binding against stand-ins of the outside library that record their calls: which
// functions are bound, what each call receives, and that an absent library costs nothing.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <wx/init.h>
#include <wx/log.h>

#include "desktop/skin_binding.h"
#include "tests/support/captured_log.h"
#include "tests/support/odbc_sandbox.h"

namespace calvendra::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The stand-in library of one variant: "whole", or the name of the function it leaves out.
std::string StandIn(const std::string& variant) {
    return std::string(CALVENDRA_SKIN_STAND_INS) + "/" + variant + "/libAppFace.so";
}

// Every message wx logs, whatever its level.
class RecordingLog : public wxLog {
public:
    Lines messages;

protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& text) override {
        messages.push_back(text.utf8_string());
    }
};

class SkinBindingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { wx_ = new wxInitializer; }
    static void TearDownTestSuite() { delete wx_; }

    void SetUp() override {
        std::string pattern = fs::temp_directory_path() / "calvendra-skin.XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        setenv("CALVENDRA_SKIN_RECORD", Record().c_str(), 1);
        previousLog_ = wxLog::SetActiveTarget(&wxLog_);
    }

    void TearDown() override {
        wxLog::SetActiveTarget(previousLog_);
        fs::remove_all(folder_);
    }

    std::string Record() const { return folder_ + "/calls"; }

    // The calls the stand-in recorded, one a line.
    Lines Calls() const { return ReadFileLines(Record()); }

    // The line SkinStart records for a skin file that arrives as `file`.
    static std::string StartLine(const std::string& file) {
        return "SkinStart|" + file + "|" + std::to_string(file.size()) +
               " zero-filled| zero-filled|1|null| zero-filled";
    }

    // What the program does with the binding from start to end.
    static void RunThrough(SkinBinding& skin, const std::string& skinFile) {
        skin.Start(skinFile);
        skin.SetWindow(0x3a0000e);
        skin.Remove();
        skin.Unbind();
    }

    std::string folder_;
    RecordingLog wxLog_;
    wxLog* previousLog_ = nullptr;

private:
    static wxInitializer* wx_;
};

wxInitializer* SkinBindingTest::wx_ = nullptr;

TEST_F(SkinBindingTest, WithoutTheLibraryNothingIsBoundCalledOrReported) {
    // The normal case: no library of that name where the dynamic linker looks.
    void* probe = dlopen(SkinBinding::kLibraryName, RTLD_NOW | RTLD_LOCAL);
    ASSERT_EQ(probe, nullptr) << SkinBinding::kLibraryName << " is installed here";

    const CapturedLog log;
    SkinBinding skin;
    EXPECT_FALSE(skin.Bind());
    EXPECT_FALSE(skin.IsLoaded());
    EXPECT_FALSE(skin.HoldsLibrary());
    RunThrough(skin, "/var/lib/Calvendra/main.urf");
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(wxLog_.messages, Lines{});
    EXPECT_FALSE(fs::exists(Record()));
}

TEST_F(SkinBindingTest, FunctionsFoundBeforeTheFirstMissingOneAreCalledAtTheirSteps) {
    const std::string file = "/var/lib/Calvendra/main.urf";
    const struct {
        const char* variant;
        bool loaded;
        Lines calls;
    } cases[] = {
        {"whole",
         true,
         {"load", StartLine(file), "SkinWindowSet|60817422|1", "SkinRemove", "unload"}},
        {"SkinThread",
         false,
         {"load", StartLine(file), "SkinWindowSet|60817422|1", "SkinRemove", "unload"}},
        // The look-up stops at SkinWindowSet: SkinThread is not even looked for.
        {"SkinWindowSet", false, {"load", StartLine(file), "SkinRemove", "unload"}},
        {"SkinRemove", false, {"load", StartLine(file), "unload"}},
        {"SkinStart", false, {"load", "unload"}},
    };
    for (const auto& c : cases) {
        std::remove(Record().c_str());
        const CapturedLog log;
        SkinBinding skin;
        EXPECT_EQ(skin.Bind(StandIn(c.variant)), c.loaded) << c.variant;
        EXPECT_EQ(skin.IsLoaded(), c.loaded) << c.variant;
        EXPECT_TRUE(skin.HoldsLibrary()) << c.variant;
        RunThrough(skin, file);
        EXPECT_EQ(Calls(), c.calls) << c.variant;
        // An incomplete library is worth a line in the log, not a message.
        const std::string expectedLog = c.loaded ? "" : StandIn(c.variant) + " has no " + c.variant;
        EXPECT_NE(log.Text().find(expectedLog), std::string::npos) << log.Text();
        EXPECT_EQ(wxLog_.messages, Lines{}) << c.variant;
    }
}

TEST_F(SkinBindingTest, TheSkinFileIsHandedOverInA256ByteBufferCutAt255Bytes) {
    SkinBinding skin;
    ASSERT_TRUE(skin.Bind(StandIn("whole")));
    Lines expected{"load"};
    for (size_t length : {0u, 1u, 254u, 255u, 256u, 300u}) {
        const std::string file = "/" + std::string(length == 0 ? 0 : length - 1, 'k');
        skin.Start(length == 0 ? std::string() : file);
        expected.push_back(StartLine(file.substr(0, std::min<size_t>(length, 255))));
    }
    EXPECT_EQ(Calls(), expected);
}

TEST_F(SkinBindingTest, BindingAgainKeepsTheLibraryAndUnbindingReleasesIt) {
    const std::string library = StandIn("whole");
    {
        SkinBinding skin;
        ASSERT_TRUE(skin.Bind(library));
        EXPECT_TRUE(skin.Bind(library));
        EXPECT_EQ(Calls(), Lines{"load"});
        skin.Unbind();
        EXPECT_FALSE(skin.IsLoaded());
        EXPECT_FALSE(skin.HoldsLibrary());
        // No call reaches the library once it is released.
        skin.Start("/x");
        skin.SetWindow(1);
        skin.Remove();
        EXPECT_EQ(Calls(), (Lines{"load", "unload"}));
        EXPECT_EQ(dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);

        // A partly bound library is held as well, and bound again without loading it twice.
        EXPECT_FALSE(skin.Bind(StandIn("SkinWindowSet")));
        EXPECT_FALSE(skin.Bind(StandIn("SkinWindowSet")));
        EXPECT_TRUE(skin.HoldsLibrary());
    }
    // The binding's end releases what it holds.
    EXPECT_EQ(Calls(), (Lines{"load", "unload", "load", "unload"}));
}

}  // namespace
}  // namespace calvendra::testing
