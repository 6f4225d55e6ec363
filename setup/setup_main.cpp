// setup: registers the system data source through which the organizer reaches its database.
// It takes no arguments, shows nothing when it succeeds, and always ends with exit code 1.
#include <dlfcn.h>
#include <odbcinst.h>

#include <cstdio>
#include <string>

#include "platform/data_source.h"
#include "platform/product_folder.h"
#include "setup/attribute_list.h"

namespace {

constexpr int kExitCode = 1;

using ConfigDataSourceFunction = BOOL (*)(HWND, WORD, LPCSTR, LPCSTR);
using InstallerErrorFunction = RETCODE (*)(WORD, DWORD*, LPSTR, WORD, WORD*);

// setup has no window, so the installer binding's message goes to standard error under the caption
// a message box would carry.
void ReportInstallerError(const std::string& message) {
    std::fprintf(stderr, "ODBC Installer Error: %s\n", message.c_str());
}

void* OpenInstallerLibrary() {
    void* library = dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        library = dlopen("libodbcinst.so", RTLD_NOW | RTLD_LOCAL);
    }
    return library;
}

// The installer's own account of a refused request, so that a failed registration is not silent.
void ReportRefusal(void* library) {
    auto installerError =
        reinterpret_cast<InstallerErrorFunction>(dlsym(library, "SQLInstallerError"));
    std::string reason = "the ODBC installer refused to register the data source";
    if (installerError != nullptr) {
        DWORD code = 0;
        char text[512] = {};
        WORD length = 0;
        if (installerError(1, &code, text, sizeof text, &length) == SQL_SUCCESS && text[0] != 0) {
            reason += ": ";
            reason += text;
        }
    }
    std::fprintf(stderr, "setup: %s.\n", reason.c_str());
}

}  // namespace

int main() {
    const std::string database = calvendra::DatabaseFilePath();
    const std::string attributes = calvendra::ToInstallerAttributes({
        {"DSN", calvendra::kDataSourceName},
        {"DBQ", database},
        {"PWD", calvendra::kDataSourcePassword},
        {"UID", calvendra::kDataSourceUserId},
    });

    void* library = OpenInstallerLibrary();
    if (library == nullptr) {
        ReportInstallerError("The ODBC installer library (libodbcinst) could not be loaded.");
        return kExitCode;
    }
    auto configDataSource =
        reinterpret_cast<ConfigDataSourceFunction>(dlsym(library, "SQLConfigDataSource"));
    if (configDataSource == nullptr) {
        ReportInstallerError("The ODBC installer library has no SQLConfigDataSource function.");
        return kExitCode;
    }
    if (!configDataSource(nullptr, ODBC_ADD_SYS_DSN, calvendra::kOdbcDriverName,
                          attributes.c_str())) {
        ReportRefusal(library);
    }
    // The library stays loaded until the process ends: what it keeps in its globals is then still
    // its own, not a leak.
    return kExitCode;
}
