#include "settings/auto_run_flag.h"

#include <wx/config.h>

#include "settings/profile.h"

namespace calvendra {

namespace {

constexpr char kAutoRunKey[] = "/Calvendra/AutoRun";

}  // namespace

int LoadAutoRunFlag() {
    const wxConfigBase* profile = wxConfigBase::Get(false);
    long value = 0;
    if (profile == nullptr || !profile->Read(kAutoRunKey, &value, 0L)) {
        return 0;
    }
    return value != 0 ? 1 : 0;
}

void SaveAutoRunFlag(int flag) {
    wxConfigBase* profile = wxConfigBase::Get(false);
    if (profile == nullptr) {
        return;
    }
    profile->Write(kAutoRunKey, static_cast<long>(flag));
    FlushProfile();
}

}  // namespace calvendra
