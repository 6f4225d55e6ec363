#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "tests/mail/scripted_peer.h"

namespace calvendra::test {

// The script of a mail server that takes every mail, for ScriptedServer: it greets, says yes to
// every command, and keeps each message's subject, in the order the messages arrive over all
// connections.
class MailInbox {
public:
    // Serves one connection until QUIT or its end.
    void Take(Peer& peer);

    std::vector<std::string> Subjects() const;

private:
    mutable std::mutex lock_;
    std::vector<std::string> subjects_;
};

}  // namespace calvendra::test
