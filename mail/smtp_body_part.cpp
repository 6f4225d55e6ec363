#include "mail/smtp_body_part.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <new>
#include <utility>

#include "mail/base64.h"
#include "mail/dot_stuff.h"
#include "mail/header_folding.h"
#include "mail/header_text.h"
#include "mail/mime_parameter.h"
#include "mail/quoted_printable.h"
#include "mail/random_uuid.h"
#include "mail/smtp_exception.h"
#include "mail/utf8_conversion.h"

namespace calvendra {

namespace {

// Runs a rendering step, turning an allocation failure into the transport's out-of-memory error.
template <typename Step>
bool Guarded(Step step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        throw CKivSMTPException(SystemError(ENOMEM), std::string());
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

bool ReadWhole(int fd, std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, &bytes[done], bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;  // a read error, or the file shrank while it was read
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// Only text types carry a charset parameter.
bool IsTextType(std::string_view contentType) {
    return contentType.size() >= 5 && EqualsIgnoringCase(contentType.substr(0, 5), "text/");
}

}  // namespace

std::string DefaultCharset() {
    const locale_t current = ::uselocale(static_cast<locale_t>(0));
    const char* codeset =
        current == LC_GLOBAL_LOCALE ? ::nl_langinfo(CODESET) : ::nl_langinfo_l(CODESET, current);
    return codeset != nullptr && EqualsIgnoringCase(codeset, "UTF-8") ? "UTF-8" : "iso-8859-1";
}

std::string NormaliseLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32 + 2);
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char c = text[index];
        if (c == '\r') {
            if (index + 1 < text.size() && text[index + 1] == '\n') {
                ++index;
            }
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string NewBoundary() {
    return RandomUuidText();
}

CKivSMTPBodyPart::CKivSMTPBodyPart() : charset_(DefaultCharset()), boundary_(NewBoundary()) {}

CKivSMTPBodyPart::~CKivSMTPBodyPart() = default;

CKivSMTPBodyPart::CKivSMTPBodyPart(const CKivSMTPBodyPart& other)
    : filePath_(other.filePath_),
      title_(other.title_),
      contentType_(other.contentType_),
      charset_(other.charset_),
      contentBase_(other.contentBase_),
      contentId_(other.contentId_),
      contentLocation_(other.contentLocation_),
      text_(other.text_),
      parent_(other.parent_),
      boundary_(other.boundary_),
      quotedPrintable_(other.quotedPrintable_),
      base64_(other.base64_),
      maxFileSize_(other.maxFileSize_) {
    CopyChildrenFrom(other);
}

CKivSMTPBodyPart& CKivSMTPBodyPart::operator=(const CKivSMTPBodyPart& other) {
    if (this == &other) {
        return *this;
    }
    filePath_ = other.filePath_;
    title_ = other.title_;
    contentType_ = other.contentType_;
    charset_ = other.charset_;
    contentBase_ = other.contentBase_;
    contentId_ = other.contentId_;
    contentLocation_ = other.contentLocation_;
    text_ = other.text_;
    parent_ = other.parent_;
    boundary_ = other.boundary_;
    quotedPrintable_ = other.quotedPrintable_;
    base64_ = other.base64_;
    maxFileSize_ = other.maxFileSize_;
    CopyChildrenFrom(other);
    return *this;
}

void CKivSMTPBodyPart::CopyChildrenFrom(const CKivSMTPBodyPart& other) {
    // Built aside first: the source may be one of this part's own descendants.
    std::vector<std::unique_ptr<CKivSMTPBodyPart>> copies;
    copies.reserve(other.children_.size());
    for (const auto& child : other.children_) {
        copies.push_back(std::make_unique<CKivSMTPBodyPart>(*child));
        copies.back()->parent_ = this;
    }
    children_ = std::move(copies);
}

void CKivSMTPBodyPart::SetText(std::string_view text) {
    text_ = NormaliseLineEnds(text);
    contentType_ = "text/plain";
}

int CKivSMTPBodyPart::AddChild(const CKivSMTPBodyPart& part) {
    auto copy = std::make_unique<CKivSMTPBodyPart>(part);
    copy->parent_ = this;
    children_.push_back(std::move(copy));
    return static_cast<int>(children_.size() - 1);
}

CKivSMTPBodyPart* CKivSMTPBodyPart::FindFirstChild(std::string_view contentType) {
    for (const auto& child : children_) {
        if (child->contentType_ == contentType) {
            return child.get();
        }
    }
    return nullptr;
}

std::string CKivSMTPBodyPart::TextInCharset() const {
    return EqualsIgnoringCase(charset_, "UTF-8") ? ConvertToUtf8(text_) : text_;
}

CKivSMTPBodyPart::TransferEncoding CKivSMTPBodyPart::Encoding() const {
    if (!children_.empty()) {
        return TransferEncoding::None;  // a multipart entity is never encoded
    }
    if (!filePath_.empty() || base64_) {
        return TransferEncoding::Base64;
    }
    if (quotedPrintable_ || !FitsSevenBitTransport(TextInCharset())) {
        return TransferEncoding::QuotedPrintable;
    }
    return TransferEncoding::None;
}

std::string CKivSMTPBodyPart::RenderContentFields() const {
    std::string type = "Content-Type: " + SingleLine(contentType_);
    if (IsTextType(contentType_)) {
        type += "; charset=" + SingleLine(charset_);
    }
    if (!filePath_.empty()) {
        type += MimeParameter("name", title_);
    }
    if (!children_.empty()) {
        type += "; Boundary=\"" + SingleLine(boundary_) + "\"";
    }
    std::string out = FoldHeaderField(type) + "\r\n";
    switch (Encoding()) {
        case TransferEncoding::Base64:
            out += "Content-Transfer-Encoding: base64\r\n";
            break;
        case TransferEncoding::QuotedPrintable:
            out += "Content-Transfer-Encoding: quoted-printable\r\n";
            break;
        case TransferEncoding::None:
            break;
    }
    return out;
}

bool CKivSMTPBodyPart::RenderPartHeader(std::string& out) const {
    return Guarded([&] {
        if (parent_ == nullptr) {
            return false;
        }
        // An attachment starts after an empty line of its own.
        out = filePath_.empty() ? "\r\n--" : "\r\n\r\n--";
        out += SingleLine(parent_->boundary_) + "\r\n" + RenderContentFields();
        if (!filePath_.empty()) {
            out += FoldHeaderField("Content-Disposition: attachment" +
                                   MimeParameter("filename", title_)) +
                   "\r\n";
        }
        const std::pair<const char*, const std::string*> optional[] = {
            {"Content-Base: ", &contentBase_},
            {"Content-ID: ", &contentId_},
            {"Content-Location: ", &contentLocation_}};
        for (const auto& [name, value] : optional) {
            if (!value->empty()) {
                out += FoldHeaderField(name + SingleLine(*value)) + "\r\n";
            }
        }
        out += "\r\n";
        return true;
    });
}

bool CKivSMTPBodyPart::RenderPartBody(std::string& out) const {
    return Guarded([&] {
        if (!filePath_.empty()) {
            return RenderAttachment(out);
        }
        const std::string text = TextInCharset();
        if (!children_.empty()) {
            // The text before the first child is a preamble that readers skip; it only has to
            // pass a 7-bit transport.
            out = DotStuff(FitsSevenBitTransport(text) ? text : EncodeQuotedPrintable(text));
            return true;
        }
        switch (Encoding()) {
            case TransferEncoding::Base64:
                out = Base64Lines(text);
                break;
            case TransferEncoding::QuotedPrintable:
                out = DotStuff(EncodeQuotedPrintable(text));
                break;
            case TransferEncoding::None:
                out = DotStuff(text);
                break;
        }
        return true;
    });
}

bool CKivSMTPBodyPart::RenderAttachment(std::string& out) const {
    // Non-blocking open, so that a named pipe cannot hold the send up; only regular files count.
    FileDescriptor file(::open(filePath_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat status {};
    if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0) {
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        errno = EINVAL;
        return false;
    }
    if (static_cast<unsigned long long>(status.st_size) > maxFileSize_) {
        errno = EFBIG;
        return false;
    }
    ::posix_fadvise(file.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    if (!ReadWhole(file.Get(), bytes)) {
        return false;
    }
    out = Base64Lines(bytes);
    return true;
}

bool CKivSMTPBodyPart::RenderPartFooter(std::string& out) const {
    return Guarded([&] {
        out = "\r\n--" + SingleLine(boundary_) + "--";
        return true;
    });
}

}  // namespace calvendra
