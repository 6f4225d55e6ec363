#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// One mail address with its optional display name.
class CKivSMTPAddress {
public:
    CKivSMTPAddress() = default;

    // Parses "Name <address>", "address (Name)" or a bare address. White space around the whole
    // text and around the name is dropped; brackets that enclose nothing ("<>") do not count. A
    // name written as one quoted string ("\"Smith, Ann\" <ann@example.org>") is what it encloses.
    explicit CKivSMTPAddress(std::string_view text);

    CKivSMTPAddress(std::string name, std::string address)
        : name_(std::move(name)), address_(std::move(address)) {}

    const std::string& Name() const { return name_; }
    const std::string& Address() const { return address_; }
    void SetName(std::string name) { name_ = std::move(name); }
    void SetAddress(std::string address) { address_ = std::move(address); }

    // The bare address when there is no display name, else "Name <address>", the name rendered
    // by EncodeDisplayName (quoted where needed, in encoded words when encodeName is true and it
    // is not ASCII), so that any mail reader gets back this name and address. The result always
    // stays on one line; the header folds it.
    std::string Render(bool encodeName, std::string_view charset) const;

private:
    std::string name_;
    std::string address_;
};

}  // namespace calvendra
