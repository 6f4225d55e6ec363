#pragma once

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "mail_queue/queued_mail.h"
#include "store/db_connection.h"

namespace calvendra {

// Keeps an organizer's claim on a mail from running out while the mail is being sent: a session
// may wait ten minutes for the server to accept the mail, longer than the lease, and a claim that
// ran out meanwhile would let another organizer send the mail a second time. From construction to
// destruction it renews the lease every third of it, on a thread of its own, over `connection`,
// which nothing else may use meanwhile.
class ClaimKeeper {
public:
    ClaimKeeper(CDBConnection& connection, QueuedMail claim, std::string organizer,
                std::function<std::time_t()> clock, std::chrono::seconds lease);
    // Stops renewing; returns once a renewal under way has ended.
    ~ClaimKeeper();
    ClaimKeeper(const ClaimKeeper&) = delete;
    ClaimKeeper& operator=(const ClaimKeeper&) = delete;

private:
    void Run();

    CDBConnection& connection_;
    const QueuedMail claim_;
    const std::string organizer_;
    const std::function<std::time_t()> clock_;
    const std::chrono::seconds lease_;

    std::mutex lock_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace calvendra
