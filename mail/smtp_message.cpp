#include "mail/smtp_message.h"

#include <cerrno>
#include <new>

#include "mail/date_text.h"
#include "mail/header_text.h"
#include "mail/smtp_exception.h"

namespace calvendra {

int CKivSMTPMessage::AddRecipient(const CKivSMTPAddress& address, RecipientKind kind) {
    std::vector<CKivSMTPAddress>* list = nullptr;
    switch (kind) {
        case RecipientKind::To:
            list = &to_;
            break;
        case RecipientKind::Cc:
            list = &cc_;
            break;
        case RecipientKind::Bcc:
            list = &bcc_;
            break;
    }
    if (list == nullptr) {
        return -1;
    }
    list->push_back(address);
    return static_cast<int>(list->size() - 1);
}

const std::vector<CKivSMTPAddress>& CKivSMTPMessage::Recipients(RecipientKind kind) const {
    switch (kind) {
        case RecipientKind::Cc:
            return cc_;
        case RecipientKind::Bcc:
            return bcc_;
        default:
            return to_;
    }
}

void CKivSMTPMessage::SetBodyText(std::string_view text) {
    if (!mimeMode_) {
        root_.SetText(text);
        return;
    }
    if (CKivSMTPBodyPart* plain = root_.FindFirstChild("text/plain")) {
        plain->SetText(text);
        return;
    }
    CKivSMTPBodyPart container;
    container.SetCharset(root_.Charset());
    container.SetText("This is a multi-part message in MIME format");
    container.SetContentType("multipart/mixed");
    CKivSMTPBodyPart body;
    body.SetCharset(root_.Charset());
    body.SetText(text);
    container.AddChild(body);
    // Parts added before the text (attachments) stay, after the text.
    for (std::size_t index = 0; index < root_.ChildCount(); ++index) {
        container.AddChild(root_.Child(index));
    }
    root_ = container;
}

std::string CKivSMTPMessage::RenderAddressList(const std::vector<CKivSMTPAddress>& list) const {
    std::string out;
    for (const CKivSMTPAddress& address : list) {
        if (!out.empty()) {
            out += ',';
        }
        out += address.Render(true, root_.Charset());
    }
    return out;
}

std::string CKivSMTPMessage::RenderHeader() const {
    return RenderHeader(std::time(nullptr));
}

std::string CKivSMTPMessage::RenderHeader(std::time_t moment) const {
    try {
        const std::string& charset = root_.Charset();
        std::string out = "From: " + from_.Render(true, charset);
        out += "\r\nTo: " + RenderAddressList(to_) + "\r\n";
        if (!cc_.empty()) {
            out += "Cc: " + RenderAddressList(cc_) + "\r\n";
        }
        out += "Subject: " + EncodeHeaderText(subject_, charset);
        if (!mailer_.empty()) {
            out += "\r\nX-Mailer: " + SingleLine(mailer_);
        }
        out += "\r\n";
        const std::string type = SingleLine(root_.ContentType());
        if (!mimeMode_) {
            out += "Content-Type: " + type + ";\r\n\tcharset=" + SingleLine(charset) + "\r\n";
        } else if (root_.ChildCount() > 0) {
            out += "MIME-Version: 1.0\r\nContent-Type: " + type + "; boundary=\"" +
                   SingleLine(root_.Boundary()) + "\"\r\n";
        } else {
            out += "MIME-Version: 1.0\r\nContent-Type: " + type + "\r\n";
        }
        if (!replyTo_.Address().empty()) {
            out += "Reply-To: " + replyTo_.Render(true, charset) + "\r\n";
        }
        out += "Date: " + DateText(moment) + "\r\n";
        switch (priority_) {
            case MessagePriority::Low:
                out += "X-Priority: 5\r\n";
                break;
            case MessagePriority::Normal:
                out += "X-Priority: 3\r\n";
                break;
            case MessagePriority::High:
                out += "X-Priority: 1\r\n";
                break;
            default:
                break;
        }
        for (const std::string& line : extraHeaders_) {
            out += SingleLine(line) + "\r\n";
        }
        return out;
    } catch (const std::bad_alloc&) {
        throw CKivSMTPException(SystemError(ENOMEM), std::string());
    }
}

}  // namespace calvendra
