#pragma once

#include <string>
#include <vector>

namespace calvendra::exchange {

// Catches what the vCard library says through GLib's log while it reads (a part of a card it
// skips, say), on this thread, for as long as the object lives, so that it can be said with the
// card it is about. What the library says with no catcher in place goes to the program's log.
class LibraryMessages {
public:
    LibraryMessages();
    ~LibraryMessages();

    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    // What was said since the object was made or since the last call, in order.
    std::vector<std::string> Taken();

    // Called by the GLib log handler.
    void Add(std::string message) { messages_.push_back(std::move(message)); }

private:
    std::vector<std::string> messages_;
    LibraryMessages* previous_;
};

}  // namespace calvendra::exchange
