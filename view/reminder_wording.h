#pragma once

#include "view/list_reading.h"

namespace calvendra {

// The reminder's words in the user's language and its date and time in the forms of the user's
// locale (04.04.2027 in German), for the lists. The C locale keeps the stored forms.
ReminderWording UserReminderWording();

}  // namespace calvendra
