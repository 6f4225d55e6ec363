#include "settings/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/sstream.h>

#include "platform/config_home.h"
#include "platform/log.h"
#include "settings/profile_text.h"

namespace calvendra {

namespace {

// While it lives, what wx has to say goes to the program's log rather than to a message box that
// would stop start-up.
class WxMessagesToProgramLog : public wxLog {
public:
    WxMessagesToProgramLog() : previous_(wxLog::SetActiveTarget(this)) {}
    ~WxMessagesToProgramLog() override { wxLog::SetActiveTarget(previous_); }

protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& message) override {
        LogWarning("Settings file: " + message.utf8_string());
    }

private:
    wxLog* previous_;
};

// "<path>.damaged", or, when an earlier damage is kept there, the first of "<path>.damaged-2",
// "-3", ... that is free.
std::string FreeNameForDamage(const std::string& path) {
    std::string name = path + ".damaged";
    for (int number = 2; access(name.c_str(), F_OK) == 0; ++number) {
        name = path + ".damaged-" + std::to_string(number);
    }
    return name;
}

// "line 4", "lines 2, 5 and 6", "lines 1, 2, 3, 4, 5, 6, 7, 8 and 40 more".
std::string LineList(const std::vector<std::size_t>& numbers) {
    constexpr std::size_t kNamed = 8;
    const std::size_t named = std::min(numbers.size(), kNamed);
    std::string list = numbers.size() == 1 ? "line " : "lines ";
    for (std::size_t i = 0; i < named; ++i) {
        if (i > 0) {
            list += i + 1 == numbers.size() ? " and " : ", ";
        }
        list += std::to_string(numbers[i]);
    }
    if (numbers.size() > named) {
        list += " and " + std::to_string(numbers.size() - named) + " more";
    }
    return list;
}

// "lines 2 and 5 could not be read; line 7 names a group again, whose lines now follow its first
// header".
std::string DamageText(const ReadableProfile& readable) {
    std::string text;
    if (!readable.damagedLines.empty()) {
        text = LineList(readable.damagedLines) + " could not be read";
    }
    if (!readable.repeatedHeaders.empty()) {
        const bool one = readable.repeatedHeaders.size() == 1;
        text += (text.empty() ? "" : "; ") + LineList(readable.repeatedHeaders) +
                (one ? " names a group again, whose lines now follow its first header"
                     : " name groups again, whose lines now follow their first headers");
    }
    return text;
}

bool WriteOwnerOnly(const std::string& path, const std::string& text) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (file < 0) {
        return false;
    }
    const bool written = write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(file) == 0 && written;
}

// What of the settings file the store can read. A file that is partly damaged (or cannot be read
// at all) is set aside under a name of its own and the readable part written in its place. Empty
// when that failed too: the readable part then stands in the returned text, for this run only.
std::unique_ptr<std::string> SetDamageAside(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return nullptr;  // no file yet: the defaults
    }
    std::ifstream in(path, std::ios::binary);
    ReadableProfile readable;
    std::string reason;
    if (in) {
        std::ostringstream content;
        content << in.rdbuf();
        readable = KeepReadableLines(content.str());
        if (!readable.Damaged()) {
            return nullptr;
        }
        reason = DamageText(readable);
    } else {
        reason = std::string("it could not be read (") + std::strerror(errno) + ")";
    }
    const std::string aside = FreeNameForDamage(path);
    if (std::rename(path.c_str(), aside.c_str()) != 0 || !WriteOwnerOnly(path, readable.text)) {
        LogError("The settings file " + path + " is damaged: " + reason +
                 ". It could not be set aside and replaced (" + std::strerror(errno) +
                 "); the organizer uses what it could read and the defaults, and keeps no "
                 "changes.");
        return std::make_unique<std::string>(readable.text);
    }
    LogWarning("The settings file " + path + " was damaged: " + reason + ". It is kept as " +
               aside +
               "; the organizer goes on with the settings it could read and the defaults "
               "for the rest.");
    return nullptr;
}

}  // namespace

std::string ProfileFilePath() {
    return ConfigHome() + "/calvendra/calvendra.conf";
}

void SelectProfile() {
    const std::string path = ProfileFilePath();
    const wxString wxPath = wxString::FromUTF8(path);
    wxFileName::Mkdir(wxFileName(wxPath).GetPath(), 0700, wxPATH_MKDIR_FULL);
    const WxMessagesToProgramLog messages;
    const std::unique_ptr<std::string> unsaved = SetDamageAside(path);
    wxFileConfig* profile = nullptr;
    if (unsaved) {
        wxStringInputStream readable(wxString::FromUTF8(*unsaved));
        profile = new wxFileConfig(readable);
    } else {
        profile = new wxFileConfig(wxEmptyString, wxEmptyString, wxPath, wxEmptyString,
                                   wxCONFIG_USE_LOCAL_FILE);
    }
    profile->SetUmask(0077);
    profile->SetExpandEnvVars(false);
    delete wxConfigBase::Set(profile);
}

void FlushProfile() {
    wxConfigBase* profile = wxConfigBase::Get(false);
    if (profile == nullptr) {
        return;
    }
    profile->Flush();
    // A file written before with wider permissions keeps them through wx's rewrite.
    chmod(ProfileFilePath().c_str(), S_IRUSR | S_IWUSR);
}

}  // namespace calvendra
