#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "mail/smtp_address.h"
#include "mail/smtp_body_part.h"

namespace calvendra {

enum class RecipientKind : int { To = 0, Cc = 1, Bcc = 2 };

enum class MessagePriority : std::int32_t { None = 0, Low = 1, Normal = 2, High = 3 };

// A mail message as the session sends it. By default a plain text/plain message in iso-8859-1;
// MimeMode makes the root part a MIME body of its own or a container of parts.
class CKivSMTPMessage {
public:
    CKivSMTPMessage() = default;
    virtual ~CKivSMTPMessage() = default;
    CKivSMTPMessage(const CKivSMTPMessage&) = default;
    CKivSMTPMessage& operator=(const CKivSMTPMessage&) = default;

    const CKivSMTPAddress& From() const { return from_; }
    void SetFrom(CKivSMTPAddress from) { from_ = std::move(from); }
    const std::string& Subject() const { return subject_; }
    void SetSubject(std::string subject) { subject_ = std::move(subject); }
    const std::string& Mailer() const { return mailer_; }
    void SetMailer(std::string mailer) { mailer_ = std::move(mailer); }
    const CKivSMTPAddress& ReplyTo() const { return replyTo_; }
    void SetReplyTo(CKivSMTPAddress replyTo) { replyTo_ = std::move(replyTo); }
    MessagePriority Priority() const { return priority_; }
    void SetPriority(MessagePriority priority) { priority_ = priority; }
    bool MimeMode() const { return mimeMode_; }
    void SetMimeMode(bool on) { mimeMode_ = on; }

    CKivSMTPBodyPart& RootPart() { return root_; }
    const CKivSMTPBodyPart& RootPart() const { return root_; }

    // Appends a copy of the address to the list of its kind; returns its index there, or -1 (and
    // adds nothing) for a kind outside To, Cc and Bcc.
    int AddRecipient(const CKivSMTPAddress& address, RecipientKind kind);
    const std::vector<CKivSMTPAddress>& Recipients(RecipientKind kind) const;

    // Header lines added after the standard ones, each complete and without its line end.
    void AddHeaderLine(std::string line) { extraHeaders_.push_back(std::move(line)); }
    const std::vector<std::string>& HeaderLines() const { return extraHeaders_; }

    // The body text: the root part's text for a plain message; in MIME mode the first text/plain
    // child's, the root becoming a multipart/mixed container with a new text child when it has
    // none.
    void SetBodyText(std::string_view text);

    // The header block, every line ended by CR LF, without the blank line after it. The Date line
    // shows the current time.
    virtual std::string RenderHeader() const;
    // The same for a given moment.
    std::string RenderHeader(std::time_t moment) const;

private:
    std::string RenderAddressList(const std::vector<CKivSMTPAddress>& list) const;

    CKivSMTPAddress from_;
    std::string subject_;
    std::string mailer_ = "CKivSMTPConnection v2.55";
    CKivSMTPAddress replyTo_;
    CKivSMTPBodyPart root_;
    MessagePriority priority_ = MessagePriority::None;
    std::vector<CKivSMTPAddress> to_;
    std::vector<CKivSMTPAddress> cc_;
    std::vector<CKivSMTPAddress> bcc_;
    std::vector<std::string> extraHeaders_;
    bool mimeMode_ = false;
};

}  // namespace calvendra
