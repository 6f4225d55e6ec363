#include "mail_queue/claim_keeper.h"

#include <algorithm>
#include <utility>

#include "mail_queue/mail_queue_table.h"
#include "platform/log.h"

namespace calvendra {

ClaimKeeper::ClaimKeeper(CDBConnection& connection, QueuedMail claim, std::string organizer,
                         std::function<std::time_t()> clock, std::chrono::seconds lease)
    : connection_(connection),
      claim_(std::move(claim)),
      organizer_(std::move(organizer)),
      clock_(std::move(clock)),
      lease_(lease),
      thread_([this] { Run(); }) {}

ClaimKeeper::~ClaimKeeper() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    stopped_.notify_all();
    thread_.join();
}

void ClaimKeeper::Run() {
    // Two renewals may fail in a row (a database that is restarting) before the claim runs out.
    const std::chrono::seconds period = std::max(lease_ / 3, std::chrono::seconds(1));
    const std::string label = QueuedMailLabel(claim_.scheduleId, claim_.subject);
    bool failing = false;
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopped_.wait_for(guard, period, [this] { return stopping_; })) {
        bool held = false;
        if (!mail_queue_table::RenewClaim(connection_, claim_, organizer_,
                                          clock_() + lease_.count(), held)) {
            if (!failing) {
                LogWarning(label + ": the claim on the mail could not be renewed: " +
                           connection_.LastError().Text() +
                           "; should it run out, another organizer may send the mail again");
            }
            failing = true;
            continue;
        }
        failing = false;
        if (!held) {
            return;  // taken over already: Finish says so
        }
    }
}

}  // namespace calvendra
