#include "app/user_locale.h"

#include <clocale>

#include <wx/uilocale.h>

#include "platform/log.h"
#include "resources/translations.h"

namespace calvendra {

void FollowUserLocale() {
    if (!wxUILocale::UseDefault()) {
        WriteLog(LogLevel::kInfo,
                 "The locale that the environment names is not installed; dates show in the C "
                 "locale's form.");
    }
    // wxWidgets sets every category; a decimal comma must never reach a number written as text.
    std::setlocale(LC_NUMERIC, "C");
    resources::TranslateInto(std::string(), resources::CatalogueFolders());
}

}  // namespace calvendra
