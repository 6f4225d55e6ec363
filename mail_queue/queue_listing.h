#pragma once

#include <array>
#include <string>
#include <vector>

#include "mail_queue/queued_mail.h"
#include "store/db_connection.h"

namespace calvendra {

// What a window that shows the mail queue reads: the latest mails, or why there are none.
struct QueueListing {
    std::vector<QueuedMail> mails;
    // The database has no queue (an older database): its mail is sent at once, not queued.
    bool noQueue = false;
    // Why the queue could not be read; empty when it could.
    std::string failure;
};

// How many mails the window shows at most, the latest due first.
inline constexpr int kListedMails = 500;

// Reads the queue on `connection`. A mail not tried yet gets its schedule's attendants as its
// recipients. Never throws.
QueueListing ReadQueueListing(CDBConnection& connection);

// The columns of a mail as the window shows them: subject, due, recipients, state, tries, next
// try, last reason.
inline constexpr std::size_t kQueueColumnCount = 7;
std::array<std::string, kQueueColumnCount> QueueRowTexts(const QueuedMail& mail);

}  // namespace calvendra
