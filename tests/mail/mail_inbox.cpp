#include "tests/mail/mail_inbox.h"

namespace calvendra::test {

void MailInbox::Take(Peer& peer) {
    peer.Send("220 mx.example.org\r\n");
    for (std::string line = peer.ReadLine(); !line.empty(); line = peer.ReadLine()) {
        if (line == "DATA\r\n") {
            peer.Send("354 go ahead\r\n");
            const std::string message = peer.ReadUntil("\r\n.\r\n");
            const std::size_t at = message.find("\r\nSubject: ") + 11;
            const std::lock_guard<std::mutex> guard(lock_);
            subjects_.push_back(message.substr(at, message.find("\r\n", at) - at));
        } else if (line == "QUIT\r\n") {
            peer.Send("221 bye\r\n");
            return;
        }
        peer.Send("250 ok\r\n");
    }
}

std::vector<std::string> MailInbox::Subjects() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return subjects_;
}

}  // namespace calvendra::test
