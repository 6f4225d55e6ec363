#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <regex>
#include <set>

#include "mail/base64.h"
#include "mail/date_text.h"
#include "mail/smtp_address.h"
#include "mail/smtp_body_part.h"
#include "mail/smtp_exception.h"
#include "mail/smtp_message.h"
#include "tests/mail/temp_folder.h"
#include "tests/mail/text_pieces.h"

namespace calvendra {
namespace {

using namespace std::string_literals;
using test::Repeat;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

TEST(Address, BothWrittenFormsGiveTheSameNameAndAddress) {
    const CKivSMTPAddress angle("  Ann Smith   <ann@example.org>  ");
    const CKivSMTPAddress parens(" ann@example.org   (  Ann Smith ) ");
    EXPECT_EQ(angle.Name(), "Ann Smith");
    EXPECT_EQ(angle.Address(), "ann@example.org");
    EXPECT_EQ(parens.Name(), angle.Name());
    EXPECT_EQ(parens.Address(), angle.Address());
}

TEST(Address, BracketsThatEncloseNothingDoNotCount) {
    const CKivSMTPAddress empty("<>");
    EXPECT_EQ(empty.Address(), "<>");
    EXPECT_EQ(empty.Name(), "");
    const CKivSMTPAddress reversed("x > y < z");
    EXPECT_EQ(reversed.Address(), "x > y < z");
    const CKivSMTPAddress bare("\tbob@example.org \r\n");
    EXPECT_EQ(bare.Address(), "bob@example.org");
    EXPECT_EQ(bare.Name(), "");
    const CKivSMTPAddress nothing("");
    EXPECT_EQ(nothing.Address(), "");
    const CKivSMTPAddress oneChar("<a>");
    EXPECT_EQ(oneChar.Address(), "a");
}

TEST(Address, RendersBareWithoutNameAndEncodesTheNameOnRequest) {
    EXPECT_EQ(CKivSMTPAddress("bob@example.org").Render(true, "iso-8859-1"), "bob@example.org");
    const CKivSMTPAddress named("Ren\xe9 <rene@example.org>");
    EXPECT_EQ(named.Render(true, "iso-8859-1"), "=?iso-8859-1?q?Ren=E9?= <rene@example.org>");
    EXPECT_EQ(named.Render(false, "iso-8859-1"), "Ren\xe9 <rene@example.org>");
    const CKivSMTPAddress hostile("Eve\r\nBcc: x@y"s, "eve@example.org\r\nX: y");
    for (const bool encode : {true, false}) {
        const std::string rendered = hostile.Render(encode, "iso-8859-1");
        EXPECT_EQ(rendered.find_first_of("\r\n"), std::string::npos) << rendered;
    }
}

TEST(Address, ANameWrittenAsOneQuotedStringIsWhatItEncloses) {
    struct Case {
        std::string text;
        std::string name;
        std::string rendered;
    };
    const Case cases[] = {
        {"\"Smith, Ann\" <ann@example.org>", "Smith, Ann", "\"Smith, Ann\" <ann@example.org>"},
        {"\"Ann \\\"Boss\\\" Smith\" <a@x>", "Ann \"Boss\" Smith",
         "\"Ann \\\"Boss\\\" Smith\" <a@x>"},
        {"\"Ann\" <a@x>", "Ann", "Ann <a@x>"},
        // Not one quoted string: the text stays the name, quoted when rendered.
        {"\"Ann\" \"Bob\" <a@x>", "\"Ann\" \"Bob\"", "\"\\\"Ann\\\" \\\"Bob\\\"\" <a@x>"},
        {"\"Ann\\\" <a@x>", "\"Ann\\\"", "\"\\\"Ann\\\\\\\"\" <a@x>"},
    };
    for (const Case& c : cases) {
        const CKivSMTPAddress address(c.text);
        EXPECT_EQ(address.Name(), c.name) << c.text;
        EXPECT_EQ(address.Render(true, "UTF-8"), c.rendered) << c.text;
    }
}

TEST(BodyPart, LineEndsBecomeCrLf) {
    CKivSMTPBodyPart part;
    part.SetContentType("text/html");
    part.SetText("one\rtwo\nthree");
    EXPECT_EQ(part.Text(), "one\r\ntwo\r\nthree");
    EXPECT_EQ(part.ContentType(), "text/plain");
    part.SetText("a\r\n\r\rb\n\n");
    EXPECT_EQ(part.Text(), "a\r\n\r\n\r\nb\r\n\r\n");
}

TEST(BodyPart, DefaultCharsetFollowsTheLocale) {
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    EXPECT_EQ(CKivSMTPBodyPart().Charset(), "iso-8859-1");
    if (std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr) {
        // Text typed in a UTF-8 desktop is labelled as what it is.
        CKivSMTPMessage message;
        EXPECT_EQ(message.RootPart().Charset(), "UTF-8");
        message.SetSubject("R\xc3\xa9union");
        const std::string header = message.RenderHeader();
        EXPECT_THAT(header, HasSubstr("Subject: =?UTF-8?q?R=C3=A9union?=\r\n"));
        EXPECT_THAT(header, HasSubstr("Content-Type: text/plain;\r\n\tcharset=UTF-8\r\n"));
    }
    std::setlocale(LC_CTYPE, previous.c_str());
}

TEST(BodyPart, BoundaryIsAFreshUuid) {
    const std::regex uuid("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}");
    CKivSMTPBodyPart first;
    CKivSMTPBodyPart second;
    EXPECT_TRUE(std::regex_match(first.Boundary(), uuid)) << first.Boundary();
    EXPECT_NE(first.Boundary(), second.Boundary());
}

TEST(BodyPart, CopiesDeeplyAndRepointsParents) {
    CKivSMTPBodyPart root;
    CKivSMTPBodyPart child;
    child.SetText("child");
    CKivSMTPBodyPart grandchild;
    grandchild.SetTitle("deep");
    child.AddChild(grandchild);
    EXPECT_EQ(root.AddChild(child), 0);
    EXPECT_EQ(root.AddChild(child), 1);
    EXPECT_EQ(&root.Child(1).Child(0).Parent()->Child(0), &root.Child(1).Child(0));

    CKivSMTPBodyPart copy(root);
    EXPECT_EQ(copy.Boundary(), root.Boundary());
    ASSERT_EQ(copy.ChildCount(), 2u);
    EXPECT_NE(&copy.Child(0), &root.Child(0));
    EXPECT_EQ(copy.Child(0).Parent(), &copy);
    EXPECT_EQ(copy.Child(0).Child(0).Parent(), &copy.Child(0));
    EXPECT_EQ(copy.Child(0).Child(0).Title(), "deep");
    EXPECT_EQ(copy.Child(0).Boundary(), root.Child(0).Boundary());

    CKivSMTPBodyPart target;
    target.AddChild(CKivSMTPBodyPart());
    target.AddChild(CKivSMTPBodyPart());
    target.AddChild(CKivSMTPBodyPart());
    target = root.Child(0);
    EXPECT_EQ(target.Parent(), &root);  // the parent pointer is copied as it is
    ASSERT_EQ(target.ChildCount(), 1u);
    EXPECT_EQ(target.Child(0).Parent(), &target);
    EXPECT_EQ(target.Text(), "child");

    // Assigning a part its own child must not read the child after freeing it.
    target = target.Child(0);
    EXPECT_EQ(target.Title(), "deep");
    EXPECT_EQ(target.ChildCount(), 0u);
    EXPECT_NE(root.FindFirstChild("text/plain"), nullptr);
    EXPECT_EQ(root.FindFirstChild("Text/Plain"), nullptr);
}

// A container with one child of the given kind, returning the child's rendered header.
std::string ChildHeader(const CKivSMTPBodyPart& child, CKivSMTPBodyPart& root) {
    root.AddChild(child);
    std::string out;
    EXPECT_TRUE(root.Child(root.ChildCount() - 1).RenderPartHeader(out));
    return out;
}

TEST(BodyPart, HeaderTemplatesForEveryKindOfPart) {
    CKivSMTPBodyPart root;
    const std::string& parent = root.Boundary();
    CKivSMTPBodyPart text;
    text.SetText("x");
    EXPECT_EQ(ChildHeader(text, root), "\r\n--" + parent +
                                           "\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                                           "Content-Transfer-Encoding: quoted-printable\r\n\r\n");
    text.SetBase64(true);
    text.SetContentId("<id1>");
    EXPECT_EQ(ChildHeader(text, root), "\r\n--" + parent +
                                           "\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                                           "Content-Transfer-Encoding: base64\r\n"
                                           "Content-ID: <id1>\r\n\r\n");
    text.SetBase64(false);
    text.SetQuotedPrintable(false);
    text.SetContentBase("http://b/");
    text.SetContentLocation("loc");
    text.AddChild(CKivSMTPBodyPart());
    // A part with children is a multipart entity: no transfer encoding; the long line folds.
    EXPECT_EQ(ChildHeader(text, root),
              "\r\n--" + parent +
                  "\r\nContent-Type: text/plain; charset=iso-8859-1;\r\n Boundary=\"" +
                  text.Boundary() +
                  "\"\r\nContent-Base: http://b/\r\nContent-ID: <id1>\r\nContent-Location: "
                  "loc\r\n\r\n");
    text.SetBase64(true);
    EXPECT_EQ(ChildHeader(text, root).find("Content-Transfer-Encoding"), std::string::npos);

    CKivSMTPBodyPart file;
    file.SetFilePath("/nonexistent");
    file.SetTitle("notes.txt");
    const std::string disposition =
        "\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=\"notes.txt\"\r\n\r\n";
    EXPECT_EQ(ChildHeader(file, root), "\r\n\r\n--" + parent +
                                           "\r\nContent-Type: text/plain; charset=iso-8859-1; "
                                           "name=\"notes.txt\"" +
                                           disposition);
    // Only text types name a charset.
    file.SetContentType("application/octet-stream");
    EXPECT_EQ(ChildHeader(file, root), "\r\n\r\n--" + parent +
                                           "\r\nContent-Type: application/octet-stream; "
                                           "name=\"notes.txt\"" +
                                           disposition);
    file.AddChild(CKivSMTPBodyPart());
    EXPECT_EQ(ChildHeader(file, root), "\r\n\r\n--" + parent +
                                           "\r\nContent-Type: application/octet-stream; "
                                           "name=\"notes.txt\";\r\n Boundary=\"" +
                                           file.Boundary() +
                                           "\"\r\nContent-Disposition: attachment; "
                                           "filename=\"notes.txt\"\r\n\r\n");

    std::string out;
    EXPECT_FALSE(root.RenderPartHeader(out)) << "the root has no parent boundary";
    ASSERT_TRUE(root.RenderPartFooter(out));
    EXPECT_EQ(out, "\r\n--" + parent + "--");
}

TEST(BodyPart, TextBodiesByEncoding) {
    CKivSMTPBodyPart part;
    part.SetText(".dot\n=x \n" + std::string(100, 'z'));
    std::string out;
    ASSERT_TRUE(part.RenderPartBody(out));
    EXPECT_EQ(out, "..dot\r\n=3Dx=20\r\n" + std::string(75, 'z') + "=\r\n" + std::string(25, 'z'));
    part.SetQuotedPrintable(false);
    ASSERT_TRUE(part.RenderPartBody(out));
    EXPECT_EQ(out, "..dot\r\n=x \r\n" + std::string(100, 'z'));
    part.SetBase64(true);
    part.SetText(".a");
    ASSERT_TRUE(part.RenderPartBody(out));
    EXPECT_EQ(out, Base64Lines(".a"));
    part.SetCharset("utf-8");
    part.SetText("\xe9");
    ASSERT_TRUE(part.RenderPartBody(out));
    EXPECT_EQ(Base64Decode(out), "\xc3\xa9");
}

class Attachment : public ::testing::Test {
protected:
    std::string MakeFile(const std::string& name, off_t size) {
        const std::string path = (folder_.Path() / name).string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, size), 0);  // sparse: no disk space, reads as zeros
        ::close(fd);
        return path;
    }

    test::TempFolder folder_;
};

TEST_F(Attachment, FileOfExactlyTheLimitIsSentAndOneByteMoreFails) {
    CKivSMTPBodyPart part;
    ASSERT_EQ(part.MaxFileSize(), 52428800u);
    part.SetFilePath(MakeFile("limit.bin", 52428800));
    std::string out;
    ASSERT_TRUE(part.RenderPartBody(out));
    // 17476266 whole groups, 919803 full lines with CR LF, and the padded group for 2 bytes.
    EXPECT_EQ(out.size(), 17476266u * 4 + 919803u * 2 + 4);
    EXPECT_EQ(out.substr(0, 8), "AAAAAAAA");
    EXPECT_EQ(out.substr(out.size() - 6), "AAAAA=");

    part.SetFilePath(MakeFile("over.bin", 52428801));
    out = "untouched";
    errno = 0;
    EXPECT_FALSE(part.RenderPartBody(out));
    EXPECT_EQ(errno, EFBIG);
}

TEST_F(Attachment, ContentIsEncodedAndUnreadableFilesFail) {
    const std::string path = (folder_.Path() / "data.bin").string();
    std::ofstream(path, std::ios::binary) << "\x00\x01\xff hello"s;
    CKivSMTPBodyPart part;
    part.SetFilePath(path);
    std::string out;
    ASSERT_TRUE(part.RenderPartBody(out));
    EXPECT_EQ(Base64Decode(out), "\x00\x01\xff hello"s);

    part.SetFilePath(MakeFile("empty.bin", 0));
    ASSERT_TRUE(part.RenderPartBody(out));
    EXPECT_EQ(out, "");

    part.SetFilePath((folder_.Path() / "missing.bin").string());
    EXPECT_FALSE(part.RenderPartBody(out));
    part.SetFilePath(folder_.Path().string());
    EXPECT_FALSE(part.RenderPartBody(out)) << "a folder is no file";
    part.SetMaxFileSize(3);
    part.SetFilePath(path);
    EXPECT_FALSE(part.RenderPartBody(out));
}

TEST(Message, RecipientKindsAndIndexes) {
    CKivSMTPMessage message;
    EXPECT_EQ(message.AddRecipient(CKivSMTPAddress("a@x"), RecipientKind::To), 0);
    EXPECT_EQ(message.AddRecipient(CKivSMTPAddress("b@x"), RecipientKind::To), 1);
    EXPECT_EQ(message.AddRecipient(CKivSMTPAddress("c@x"), RecipientKind::Bcc), 0);
    EXPECT_EQ(message.AddRecipient(CKivSMTPAddress("d@x"), static_cast<RecipientKind>(7)), -1);
    EXPECT_EQ(message.Recipients(RecipientKind::To).size(), 2u);
    EXPECT_EQ(message.Recipients(RecipientKind::Cc).size(), 0u);
    EXPECT_EQ(message.Recipients(RecipientKind::Bcc).size(), 1u);
}

class TimeZone : public ::testing::Test {
protected:
    void Use(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    void TearDown() override {
        if (previous_ != nullptr) {
            ::setenv("TZ", previous_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    static std::time_t Utc(int year, int month, int day, int hour, int minute) {
        std::tm when{};
        when.tm_year = year - 1900;
        when.tm_mon = month - 1;
        when.tm_mday = day;
        when.tm_hour = hour;
        when.tm_min = minute;
        return ::timegm(&when);
    }

private:
    std::unique_ptr<std::string> previous_ =
        std::getenv("TZ") ? std::make_unique<std::string>(std::getenv("TZ")) : nullptr;
};

TEST_F(TimeZone, DaylightAndHalfHourZones) {
    // Adelaide: half an hour off a whole hour, with daylight time in the southern summer.
    Use("ACST-9:30ACDT,M10.1.0,M4.1.0/3");
    EXPECT_EQ(DateText(Utc(2026, 1, 15, 12, 0)), "Thu, 15 Jan 2026 22:30:00 +1030");
    EXPECT_EQ(DateText(Utc(2026, 7, 15, 12, 0)), "Wed, 15 Jul 2026 21:30:00 +0930");
    Use("IST-5:30");
    EXPECT_EQ(DateText(Utc(2026, 3, 1, 0, 5)), "Sun, 01 Mar 2026 05:35:00 +0530");
    // Newfoundland: west of UTC, so the bias is positive and the sign is a minus.
    Use("NST3:30NDT,M3.2.0,M11.1.0");
    EXPECT_EQ(DateText(Utc(2026, 1, 2, 12, 0)), "Fri, 02 Jan 2026 08:30:00 -0330");
    EXPECT_EQ(DateText(Utc(2026, 7, 2, 12, 0)), "Thu, 02 Jul 2026 09:30:00 -0230");
    Use("UTC0");
    EXPECT_EQ(DateText(Utc(2026, 12, 8, 0, 0)), "Tue, 08 Dec 2026 00:00:00 +0000");
    EXPECT_EQ(ZoneText(-60), "-0001");
    EXPECT_EQ(ZoneText(14 * 3600), "+1400");
}

// The header with the Message-ID's random left-hand side, a UUID, written as "UUID", so that the
// rest can be compared as it stands.
std::string WithUuidMasked(const std::string& header) {
    static const std::regex uuid("<[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}@");
    return std::regex_replace(header, uuid, "<UUID@");
}

TEST_F(TimeZone, PlainMessageHeaderInOrder) {
    Use("UTC0");
    CKivSMTPMessage message;
    message.SetFrom(CKivSMTPAddress("Organizer <me@example.org>"));
    message.AddRecipient(CKivSMTPAddress("a@example.org"), RecipientKind::To);
    message.AddRecipient(CKivSMTPAddress("B <b@example.org>"), RecipientKind::To);
    message.AddRecipient(CKivSMTPAddress("hidden@example.org"), RecipientKind::Bcc);
    message.SetSubject("Meeting");
    message.SetBodyText("body");
    EXPECT_EQ(WithUuidMasked(message.RenderHeader(Utc(2026, 12, 8, 9, 30))),
              "From: Organizer <me@example.org>\r\n"
              "To: a@example.org,B <b@example.org>\r\n"
              "Subject: Meeting\r\n"
              "X-Mailer: CKivSMTPConnection v2.55\r\n"
              "Content-Type: text/plain;\r\n\tcharset=iso-8859-1\r\n"
              "Date: Tue, 08 Dec 2026 09:30:00 +0000\r\n"
              "Message-ID: <UUID@example.org>\r\n");
}

TEST_F(TimeZone, FullHeaderWithEveryOption) {
    Use("UTC0");
    CKivSMTPMessage message;
    message.SetFrom(CKivSMTPAddress("me@example.org"));
    message.AddRecipient(CKivSMTPAddress("a@example.org"), RecipientKind::Cc);
    message.AddRecipient(CKivSMTPAddress("b@example.org"), RecipientKind::Cc);
    message.SetSubject("S");
    message.SetMailer("");
    message.SetReplyTo(CKivSMTPAddress("R <r@example.org>"));
    message.SetPriority(MessagePriority::High);
    message.AddHeaderLine("X-One: 1");
    message.AddHeaderLine("X-Two: 2\r\nBcc: injected@example.org");
    message.SetMimeMode(true);
    const std::string header = message.RenderHeader(Utc(2026, 1, 1, 0, 0));
    EXPECT_EQ(WithUuidMasked(header),
              "From: me@example.org\r\nTo: \r\nCc: a@example.org,b@example.org\r\nSubject: S\r\n"
              "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
              "Content-Transfer-Encoding: quoted-printable\r\n"
              "Reply-To: R <r@example.org>\r\nDate: Thu, 01 Jan 2026 00:00:00 +0000\r\n"
              "Message-ID: <UUID@example.org>\r\nX-Priority: 1\r\nX-One: 1\r\nX-Two: 2  Bcc: "
              "injected@example.org\r\n");
    message.SetPriority(MessagePriority::Low);
    EXPECT_THAT(message.RenderHeader(), HasSubstr("X-Priority: 5\r\n"));
    message.SetPriority(MessagePriority::Normal);
    EXPECT_THAT(message.RenderHeader(), HasSubstr("X-Priority: 3\r\n"));

    message.SetBodyText("text");
    EXPECT_THAT(message.RenderHeader(),
                HasSubstr("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" +
                          message.RootPart().Boundary() + "\"\r\n"));
}

TEST(Message, HostileSubjectCannotAddHeaderLines) {
    CKivSMTPMessage message;
    message.SetSubject("Hello\r\nBcc: x@example.org\r\n\r\nbody\0"s);
    message.SetFrom(CKivSMTPAddress("Eve\nX: 1 <e@x>"s));
    const std::string header = message.RenderHeader();
    // Every line of the header starts with one of the known field names.
    const std::regex line(
        "(From|To|Subject|X-Mailer|Content-Type|\tcharset|Date|Message-ID): [^\r\n]*|"
        "\tcharset=[^\r\n]*");
    std::size_t start = 0;
    for (std::size_t end = header.find("\r\n"); end != std::string::npos;
         end = header.find("\r\n", start)) {
        const std::string text = header.substr(start, end - start);
        EXPECT_TRUE(std::regex_match(text, line)) << text;
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_EQ(text.find('\r'), std::string::npos);
        start = end + 2;
    }
    EXPECT_EQ(start, header.size());
}

TEST(Message, MimeBodyTextMakesTheRootAContainerAndKeepsEarlierParts) {
    CKivSMTPMessage message;
    message.SetMimeMode(true);
    message.RootPart().SetCharset("UTF-8");
    CKivSMTPBodyPart attachment;
    attachment.SetFilePath("/tmp/x");
    attachment.SetContentType("application/pdf");
    message.RootPart().AddChild(attachment);
    message.SetBodyText("first\n");
    CKivSMTPBodyPart& root = message.RootPart();
    EXPECT_EQ(root.ContentType(), "multipart/mixed");
    EXPECT_EQ(root.Text(), "This is a multi-part message in MIME format");
    EXPECT_EQ(root.Charset(), "UTF-8");
    ASSERT_EQ(root.ChildCount(), 2u);
    EXPECT_EQ(root.Child(0).Text(), "first\r\n");
    EXPECT_EQ(root.Child(0).Charset(), "UTF-8");
    EXPECT_EQ(root.Child(0).Parent(), &root);
    EXPECT_EQ(root.Child(1).ContentType(), "application/pdf");
    EXPECT_EQ(root.Child(1).Parent(), &root);

    message.SetBodyText("second");
    ASSERT_EQ(message.RootPart().ChildCount(), 2u);
    EXPECT_EQ(message.RootPart().Child(0).Text(), "second");

    // A copied message has its own tree.
    CKivSMTPMessage copy = message;
    EXPECT_EQ(copy.RootPart().Child(0).Parent(), &copy.RootPart());
}

// Header lines of a rendered header block, without their CR LF.
std::vector<std::string> HeaderLines(const std::string& header) {
    std::vector<std::string> lines = test::Split(header, "\r\n");
    lines.pop_back();  // after the last CR LF
    return lines;
}

TEST(Message, PlainTextThatA7BitServerWouldRefuseGoesAsQuotedPrintableMime) {
    struct Case {
        std::string text;
        bool encoded;
        std::string body;
    };
    const std::string longLine(1200, 'l');
    const Case cases[] = {
        {"Room 4.\n.\nBring notes.", false, "Room 4.\r\n..\r\nBring notes."},
        {std::string(998, 'k'), false, std::string(998, 'k')},
        {"Cr\xe8me br\xfbl\xe9\x65\n.", true, "Cr=E8me br=FBl=E9e\r\n.."},
        {longLine, true, Repeat(std::string(75, 'l') + "=\r\n", 15) + std::string(75, 'l')},
        {"a\0b"s, true, "a=00b"},
    };
    for (const Case& c : cases) {
        CKivSMTPMessage message;
        message.SetFrom(CKivSMTPAddress("me@example.org"));
        message.SetBodyText(c.text);
        const std::string header = message.RenderHeader();
        const std::string plainType = "Content-Type: text/plain;\r\n\tcharset=iso-8859-1\r\n";
        if (c.encoded) {
            EXPECT_THAT(header,
                        HasSubstr("X-Mailer: CKivSMTPConnection v2.55\r\nMIME-Version: "
                                  "1.0\r\n" +
                                  plainType + "Content-Transfer-Encoding: quoted-printable\r\n"));
        } else {
            EXPECT_THAT(header, HasSubstr("X-Mailer: CKivSMTPConnection v2.55\r\n" + plainType));
            EXPECT_THAT(header, Not(HasSubstr("MIME-Version")));
        }
        EXPECT_EQ(message.RenderPlainBody(), c.body) << c.text.substr(0, 20);
    }
}

TEST(Message, MultipartEntitiesAreNeverEncodedAndOnlyTextNamesACharset) {
    CKivSMTPMessage message;
    message.SetMimeMode(true);
    message.SetBodyText("Plain part");
    CKivSMTPBodyPart alternative;
    alternative.SetContentType("multipart/alternative");
    CKivSMTPBodyPart raw;
    raw.SetText("8-bit text sent as it stands: \xe9");
    raw.SetQuotedPrintable(false);
    alternative.AddChild(raw);
    CKivSMTPBodyPart html;
    html.SetText("<p>x</p>");
    html.SetContentType("text/html");
    html.SetBase64(true);
    alternative.AddChild(html);
    message.RootPart().AddChild(alternative);
    CKivSMTPBodyPart json;
    json.SetText("{}");
    json.SetContentType("application/json");
    json.SetQuotedPrintable(false);
    message.RootPart().AddChild(json);

    struct Expected {
        const CKivSMTPBodyPart* part;
        std::string fields;
    };
    const CKivSMTPBodyPart& root = message.RootPart();
    const CKivSMTPBodyPart& nested = root.Child(1);
    const Expected expected[] = {
        {&root.Child(0),
         "Content-Type: text/plain; charset=iso-8859-1\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n"},
        {&nested,
         "Content-Type: multipart/alternative;\r\n Boundary=\"" + nested.Boundary() + "\"\r\n"},
        {&nested.Child(0),
         "Content-Type: text/plain; charset=iso-8859-1\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n"},
        {&nested.Child(1),
         "Content-Type: text/html; charset=iso-8859-1\r\nContent-Transfer-Encoding: base64\r\n"},
        {&root.Child(2), "Content-Type: application/json\r\n"},
    };
    for (const Expected& e : expected) {
        EXPECT_EQ(e.part->RenderContentFields(), e.fields);
    }
    std::string body;
    ASSERT_TRUE(nested.Child(0).RenderPartBody(body));
    EXPECT_EQ(body, "8-bit text sent as it stands: =E9");
    EXPECT_THAT(message.RenderHeader(),
                HasSubstr("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" +
                          root.Boundary() + "\"\r\nDate: "));
}

TEST(Message, EveryMessageHasItsOwnMessageIdWithTheSendersDomain) {
    struct Case {
        std::string sender;
        std::string domain;  // empty: a random one
    };
    const Case cases[] = {
        {"Organizer <organizer@example.org>", "example.org"},
        {"me@mail-1.Example.co.uk", "mail-1.Example.co.uk"},
        {"nobody", ""},
        {"me@[127.0.0.1]", ""},
        {"me@ex\xc3\xa4mple.org", ""},
        {"me@example..org", ""},
        {"me@", ""},
        {"me@example.org.", ""},
        {"me@.example.org", ""},
        {"me@" + std::string(64, 'd') + ".org", ""},
        {"me@" + std::string(63, 'd') + ".org", std::string(63, 'd') + ".org"},
        {"me@-example.org", ""},
    };
    const std::regex id("<([0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12})@(.*)>");
    std::set<std::string> seen;
    for (const Case& c : cases) {
        CKivSMTPMessage message;
        message.SetFrom(CKivSMTPAddress(c.sender));
        const std::string text = message.MessageId();
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(text, parts, id)) << text;
        if (c.domain.empty()) {
            EXPECT_TRUE(std::regex_match(parts[2].str(), std::regex("[0-9a-f]{16}"))) << text;
        } else {
            EXPECT_EQ(parts[2].str(), c.domain);
        }
        EXPECT_TRUE(seen.insert(parts[1]).second) << "each message draws its own";
        // The same message keeps its Message-ID, in every rendering and in a copy.
        EXPECT_THAT(message.RenderHeader(), HasSubstr("\r\nMessage-ID: " + text + "\r\n"));
        EXPECT_EQ(CKivSMTPMessage(message).MessageId(), text);
        EXPECT_NE(CKivSMTPMessage().MessageId(), text);
    }
}

// A header full of what makes lines long: every line stays within 78 characters (998 where a
// single word is longer), holds only 7-bit text, and nothing but the fields set appears.
TEST(Message, EveryHeaderLineIsShortAnd7Bit) {
    CKivSMTPMessage message;
    message.RootPart().SetCharset("UTF-8");
    message.SetFrom(
        CKivSMTPAddress("Dr. J\xc3\xb6rg M\xc3\xbcller-L\xc3\xbc"
                        "denscheidt, Ph.D. "
                        "<joerg.mueller-luedenscheidt@departement.example.org>"));
    for (int index = 0; index < 12; ++index) {
        const std::string number = std::to_string(index);
        message.AddRecipient(CKivSMTPAddress("Smith" + number + ", Ann \"A.\" (Sales; EMEA) <ann" +
                                             number + "@example.org>"),
                             RecipientKind::To);
        message.AddRecipient(
            CKivSMTPAddress("Fran\xc3\xa7oise " + number + " <f" + number + "@example.org>"),
            RecipientKind::Cc);
    }
    message.SetReplyTo(CKivSMTPAddress(std::string(100, 'r') + " <r@example.org>"));
    std::string subject;
    for (int index = 0; index < 20; ++index) {
        subject += "R\xc3\xa9union \xe4\xbc\x9a\xe8\xad\xb0 \xf0\x9f\x8e\x89 and plain words ";
    }
    message.SetSubject(subject);
    message.SetMailer(std::string(120, 'm'));
    message.AddHeaderLine("X-Long: " + Repeat("word ", 40));
    const std::string header = message.RenderHeader();
    const std::vector<std::string> lines = HeaderLines(header);
    ASSERT_GT(lines.size(), 30u);
    for (const std::string& line : lines) {
        // Only a line that holds a single word (after the field name) may be longer.
        const std::size_t text = line[0] == ' ' || line[0] == '\t' ? 0 : line.find(':') + 1;
        const std::size_t word = line.find_first_not_of(" \t", text);
        const bool oneWord = line.find_first_of(" \t", word) == std::string::npos;
        EXPECT_LE(line.size(), oneWord ? 998u : 78u) << line;
        for (const char c : line) {
            EXPECT_TRUE(c == '\t' || (c >= 32 && c < 127)) << line;
        }
    }
    EXPECT_THAT(header, HasSubstr("X-Mailer: " + std::string(120, 'm') + "\r\n"));
}

TEST(Exception, ErrorValueLayoutAndMessages) {
    const CKivSMTPException own(OwnError(kRecipientRefused), "550 no such user");
    EXPECT_EQ(own.TransportError(), 0x8004020Cu);
    EXPECT_EQ(own.Facility(), 4u);
    EXPECT_EQ(own.Code(), 524u);
    EXPECT_THAT(own.ErrorMessage(), HasSubstr("550 no such user"));
    char small[8];
    unsigned help = 99;
    EXPECT_TRUE(own.GetErrorMessage(small, sizeof small, &help));
    EXPECT_EQ(help, 0u);
    EXPECT_EQ(std::string(small), own.ErrorMessage().substr(0, 7));

    // Every own code has a text of its own.
    std::set<std::string> texts;
    for (std::uint32_t code = 512; code <= 541; ++code) {
        if (code == 522 || code == 523) {
            continue;
        }
        texts.insert(CKivSMTPException(MakeTransportError(4, code), "").ErrorMessage());
    }
    EXPECT_EQ(texts.size(), 28u);

    // A server's endless reply is cut to a few hundred bytes, with a mark that says so.
    const CKivSMTPException flood(OwnError(kGreetingRefused), "220-" + std::string(1 << 20, 'x'));
    EXPECT_EQ(flood.LastReply(), "220-" +
                                     std::string(CKivSMTPException::kMaxReplyInError - 4, 'x') +
                                     " [... cut, 1048580 bytes in all]");
    EXPECT_LT(std::string(flood.what()).size(), 500u);
    EXPECT_EQ(CKivSMTPException(OwnError(kGreetingRefused), std::string(300, 'y')).LastReply(),
              std::string(300, 'y'));

    const CKivSMTPException system(SystemError(ECONNREFUSED), "");
    EXPECT_EQ(system.TransportError(), 0x80070000u | ECONNREFUSED);
    char buffer[256];
    EXPECT_TRUE(system.GetErrorMessage(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "Connection refused");
    EXPECT_EQ(CKivSMTPException(SystemError(ENOMEM), "").ErrorMessage(), "Cannot allocate memory");
    const CKivSMTPException unknown(SystemError(9999), "");
    EXPECT_FALSE(unknown.GetErrorMessage(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(own.GetErrorMessage(buffer, 0));
}

}  // namespace
}  // namespace calvendra
