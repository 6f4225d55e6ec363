#pragma once

#include <string>

namespace calvendra {

// A recipient that a mail went without, because their stored address is no valid mail address.
struct LeftOutRecipient {
    // Who it is, as the log names them: "Ann Smith (contact 1000000002)", or "the recipient".
    std::string who;
    // The address as stored, with every byte that is no printable ASCII written as \xNN.
    std::string address;
    // What is wrong with it: "it holds a space outside quotes (octet 4)".
    std::string why;

    // "<who>: the address "<address>" is no valid mail address: <why>".
    std::string Text() const {
        return who + ": the address \"" + address + "\" is no valid mail address: " + why;
    }
};

}  // namespace calvendra
