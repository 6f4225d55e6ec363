#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "mail/message_id.h"
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
    // shows the current time. Fields longer than 78 characters are folded at white space; names
    // and subjects are quoted or encoded so that every mail reader gets back exactly the text set
    // here (line breaks in them become spaces).
    virtual std::string RenderHeader() const;
    // The same for a given moment.
    std::string RenderHeader(std::time_t moment) const;

    // The body of a plain message (no MIME mode, no parts) as it goes out after the header:
    // dot-stuffed, and quoted-printable when the text would not pass a 7-bit mail transport as
    // it stands (8-bit bytes, NUL, a line over 998 octets), which the header then declares.
    std::string RenderPlainBody() const;

    // The message's Message-ID, "<unique@domain>": drawn when the message is made (a copy keeps
    // it), with the sender's domain.
    std::string MessageId() const;

private:
    std::string RenderAddressList(std::string_view field,
                                  const std::vector<CKivSMTPAddress>& list) const;
    std::string RenderContentFields() const;
    // The plain message's text as it goes out: in UTF-8 when the charset says so.
    std::string PlainText() const;
    bool PlainTextNeedsEncoding() const;

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
    MessageIdSeed messageIdSeed_;
};

}  // namespace calvendra
