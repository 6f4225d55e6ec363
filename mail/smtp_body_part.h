#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace calvendra {

// One part of a message: the root part of a plain message holds its text; in MIME mode a part is
// a text, a file attachment (file path set) or a container of child parts.
class CKivSMTPBodyPart {
public:
    static constexpr std::uint32_t kDefaultMaxFileSize = 52428800;

    // A text/plain part in the default charset with quoted-printable on and a fresh boundary.
    CKivSMTPBodyPart();
    virtual ~CKivSMTPBodyPart();

    // Copies every field, the parent and the boundary included, and replaces the target's children
    // by deep copies of the source's, each copy having the target as its parent.
    CKivSMTPBodyPart(const CKivSMTPBodyPart& other);
    CKivSMTPBodyPart& operator=(const CKivSMTPBodyPart& other);

    // Stores the text with every line end (CR LF, CR alone, LF alone) made CR LF, and makes the
    // part text/plain.
    void SetText(std::string_view text);
    const std::string& Text() const { return text_; }

    const std::string& FilePath() const { return filePath_; }
    void SetFilePath(std::string path) { filePath_ = std::move(path); }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }
    const std::string& ContentType() const { return contentType_; }
    void SetContentType(std::string type) { contentType_ = std::move(type); }
    const std::string& Charset() const { return charset_; }
    void SetCharset(std::string charset) { charset_ = std::move(charset); }
    const std::string& ContentBase() const { return contentBase_; }
    void SetContentBase(std::string base) { contentBase_ = std::move(base); }
    const std::string& ContentId() const { return contentId_; }
    void SetContentId(std::string id) { contentId_ = std::move(id); }
    const std::string& ContentLocation() const { return contentLocation_; }
    void SetContentLocation(std::string location) { contentLocation_ = std::move(location); }
    const std::string& Boundary() const { return boundary_; }
    bool QuotedPrintable() const { return quotedPrintable_; }
    void SetQuotedPrintable(bool on) { quotedPrintable_ = on; }
    bool Base64() const { return base64_; }
    void SetBase64(bool on) { base64_ = on; }
    std::uint32_t MaxFileSize() const { return maxFileSize_; }
    void SetMaxFileSize(std::uint32_t bytes) { maxFileSize_ = bytes; }

    // Appends a copy of the part whose parent is this part; returns the copy's index.
    int AddChild(const CKivSMTPBodyPart& part);
    std::size_t ChildCount() const { return children_.size(); }
    CKivSMTPBodyPart& Child(std::size_t index) { return *children_.at(index); }
    const CKivSMTPBodyPart& Child(std::size_t index) const { return *children_.at(index); }
    // The first direct child whose content type is exactly the given one, or null.
    CKivSMTPBodyPart* FindFirstChild(std::string_view contentType);
    const CKivSMTPBodyPart* Parent() const { return parent_; }

    // The three blocks a MIME part goes out as. Each is false when the block cannot be built: a
    // header without a parent boundary; an attachment that cannot be opened, sized or read, or is
    // larger than MaxFileSize. Running out of memory raises CKivSMTPException.
    //
    // An attachment goes out in base64, a text in base64 or quoted-printable as the part says; a
    // text that is to go as it stands but would not pass a 7-bit transport (8-bit bytes, NUL, a
    // line over 998 octets) goes quoted-printable. A part with children is a multipart entity:
    // it has no transfer encoding, and its own text is a preamble. Only text types name a
    // charset.
    bool RenderPartHeader(std::string& out) const;
    bool RenderPartBody(std::string& out) const;
    bool RenderPartFooter(std::string& out) const;

    // The fields that describe the part's content: Content-Type with its parameters, and
    // Content-Transfer-Encoding when the body is encoded; folded, each ended by CR LF.
    std::string RenderContentFields() const;

private:
    enum class TransferEncoding { None, QuotedPrintable, Base64 };

    TransferEncoding Encoding() const;
    // The text as it goes out: converted to UTF-8 when the charset says UTF-8.
    std::string TextInCharset() const;
    bool RenderAttachment(std::string& out) const;
    void CopyChildrenFrom(const CKivSMTPBodyPart& other);

    std::string filePath_;
    std::string title_;
    std::string contentType_ = "text/plain";
    std::string charset_;
    std::string contentBase_;
    std::string contentId_;
    std::string contentLocation_;
    std::string text_;
    std::vector<std::unique_ptr<CKivSMTPBodyPart>> children_;
    const CKivSMTPBodyPart* parent_ = nullptr;
    std::string boundary_;
    bool quotedPrintable_ = true;
    bool base64_ = false;
    std::uint32_t maxFileSize_ = kDefaultMaxFileSize;
};

// The charset that text of this thread's locale is labelled with: "UTF-8" in a UTF-8 locale (the
// usual case on Linux, where text from the user arrives in UTF-8), else "iso-8859-1".
std::string DefaultCharset();

// Makes every line end of the text CR LF.
std::string NormaliseLineEnds(std::string_view text);

// A new boundary: a random UUID as 36 lower-case hexadecimal digits and hyphens.
std::string NewBoundary();

}  // namespace calvendra
