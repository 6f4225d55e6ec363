#include "mail/smtp_message.h"

#include <cerrno>
#include <new>

#include "mail/date_text.h"
#include "mail/dot_stuff.h"
#include "mail/header_folding.h"
#include "mail/header_text.h"
#include "mail/quoted_printable.h"
#include "mail/smtp_exception.h"
#include "mail/utf8_conversion.h"

namespace calvendra {

namespace {

// One header field, folded, with its CR LF.
std::string Field(std::string_view text) {
    return FoldHeaderField(text) + "\r\n";
}

}  // namespace

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

std::string CKivSMTPMessage::RenderAddressList(std::string_view field,
                                               const std::vector<CKivSMTPAddress>& list) const {
    std::vector<std::string> rendered;
    std::size_t length = field.size();
    for (const CKivSMTPAddress& address : list) {
        rendered.push_back(address.Render(true, root_.Charset()));
        length += rendered.back().size() + 1;
    }
    // A list that fits one line is joined with bare commas; a longer one gets a space after each
    // comma, where the line can be folded.
    const std::string separator = length <= kFoldedLineLength + 1 ? "," : ", ";
    std::string out(field);
    for (std::size_t index = 0; index < rendered.size(); ++index) {
        out += (index == 0 ? "" : separator) + rendered[index];
    }
    return Field(out);
}

std::string CKivSMTPMessage::MessageId() const {
    return MessageIdText(messageIdSeed_, from_.Address());
}

std::string CKivSMTPMessage::PlainText() const {
    return EqualsIgnoringCase(root_.Charset(), "UTF-8") ? ConvertToUtf8(root_.Text())
                                                        : root_.Text();
}

bool CKivSMTPMessage::PlainTextNeedsEncoding() const {
    return !FitsSevenBitTransport(PlainText());
}

std::string CKivSMTPMessage::RenderPlainBody() const {
    if (PlainTextNeedsEncoding()) {
        return DotStuff(EncodeQuotedPrintable(PlainText()));
    }
    return DotStuff(root_.Text());
}

std::string CKivSMTPMessage::RenderHeader() const {
    return RenderHeader(std::time(nullptr));
}

std::string CKivSMTPMessage::RenderContentFields() const {
    const std::string type = SingleLine(root_.ContentType());
    if (!mimeMode_) {
        // A plain message says MIME only when its text needs a transfer encoding.
        if (!PlainTextNeedsEncoding()) {
            return "Content-Type: " + type + ";\r\n\tcharset=" + SingleLine(root_.Charset()) +
                   "\r\n";
        }
        return "MIME-Version: 1.0\r\nContent-Type: " + type +
               ";\r\n\tcharset=" + SingleLine(root_.Charset()) +
               "\r\nContent-Transfer-Encoding: quoted-printable\r\n";
    }
    if (root_.ChildCount() > 0) {
        return "MIME-Version: 1.0\r\n" + Field("Content-Type: " + type + "; boundary=\"" +
                                               SingleLine(root_.Boundary()) + "\"");
    }
    return "MIME-Version: 1.0\r\n" + root_.RenderContentFields();
}

std::string CKivSMTPMessage::RenderHeader(std::time_t moment) const {
    try {
        const std::string& charset = root_.Charset();
        std::string out = Field("From: " + from_.Render(true, charset));
        out += RenderAddressList("To: ", to_);
        if (!cc_.empty()) {
            out += RenderAddressList("Cc: ", cc_);
        }
        out += Field("Subject: " + EncodeHeaderText(subject_, charset));
        if (!mailer_.empty()) {
            out += Field("X-Mailer: " + SingleLine(mailer_));
        }
        out += RenderContentFields();
        if (!replyTo_.Address().empty()) {
            out += Field("Reply-To: " + replyTo_.Render(true, charset));
        }
        out += "Date: " + DateText(moment) + "\r\n";
        out += "Message-ID: " + MessageId() + "\r\n";
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
            out += Field(SingleLine(line));
        }
        return out;
    } catch (const std::bad_alloc&) {
        throw CKivSMTPException(SystemError(ENOMEM), std::string());
    }
}

}  // namespace calvendra
