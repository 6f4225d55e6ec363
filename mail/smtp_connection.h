#pragma once

// One SMTP client session. Typical use, sending one plain message without authentication:
//
//     try {
//         CKivSMTPConnection session;                     // no network activity yet
//         session.Connect("mail.example.org", AuthMethod::None, account, password, 25);
//         CKivSMTPMessage message;
//         message.AddRecipient(CKivSMTPAddress("Ann <ann@example.org>"), RecipientKind::To);
//         message.SetFrom(CKivSMTPAddress(sender));
//         message.SetSubject(subject);
//         message.SetBodyText(text);
//         session.SendMail(message);
//     } catch (const CKivSMTPException& failure) {      // every failure, thrown by value
//         // failure.TransportError(), failure.LastReply(), failure.what()
//     }
//     // Destroying a connected session sends QUIT and swallows whatever that raises.
//
// Every call blocks; each server reply is awaited at most ReplyTimeout milliseconds in all, and a
// send fails when the server takes nothing for that long. After a time-out the session closes
// without QUIT; otherwise QUIT's reply is awaited at most kQuitReplyTimeoutMs. The reply to the
// end of the message data is awaited for the longer of ReplyTimeout and kEndOfDataReplyTimeoutMs.
//
// Encryption is a setting (SetSecurity): STARTTLS after EHLO, then EHLO again, or TLS from the
// first byte (port 465 style). The server's certificate is checked against the system's CA store
// and the host name given to Connect; a failure fails the session, which never goes on in clear
// text. The wait for each reply and each send keeps its bound through TLS.
//
// With authentication (CRAM-MD5, LOGIN, PLAIN or NTLM after EHLO) the password, and every token
// the session sends, stay out of every error and of LastReply: a reply that echoes one of them is
// kept with its text replaced, and a server challenge in an error is not shown. A failure in the
// middle of an exchange ends it with "*" before QUIT, so that the server does not take QUIT for a
// wrong password.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mail/auth_method.h"
#include "mail/ntlm_client.h"
#include "mail/smtp_exception.h"
#include "mail/smtp_message.h"
#include "mail/wsocket.h"

namespace calvendra {

enum class ProxyKind : std::int32_t { None = 0, Socks4 = 1, Socks5 = 2, Http = 3 };

// How the session protects the connection: not at all, with STARTTLS after EHLO (the server must
// offer it), or with TLS from the first byte, before the greeting (port 465 style).
enum class SmtpSecurity : std::int32_t { None = 0, StartTls = 1, Tls = 2 };

class TlsChannel;

class CKivSMTPConnection : public NtlmClient {
public:
    static constexpr std::uint32_t kDefaultReplyTimeoutMs = 60000;
    // A reply that reaches this size without completing is treated as one that never completes.
    static constexpr std::size_t kMaxReplyBytes = 1024 * 1024;
    // The longest wait for the reply to QUIT: the mail has gone by then, only the goodbye is left.
    static constexpr std::uint32_t kQuitReplyTimeoutMs = 5000;
    // The wait for the reply to the end of the message data is at least this long (RFC 5321,
    // 4.5.3.2.6): a server may take its time to deliver, and a client that gave up earlier would
    // send again a message the server then delivers all the same.
    static constexpr std::uint32_t kEndOfDataReplyTimeoutMs = 10 * 60 * 1000;

    CKivSMTPConnection();
    ~CKivSMTPConnection() override;
    CKivSMTPConnection(const CKivSMTPConnection&) = delete;
    CKivSMTPConnection& operator=(const CKivSMTPConnection&) = delete;

    // Connects, reads the greeting and introduces the client: HELO without authentication or
    // encryption, else EHLO, STARTTLS and EHLO again when the security setting asks for it, and
    // the chosen mechanism with the user name and password (NTLM uses the logged-on user's
    // credentials instead). Any failure leaves the session disconnected.
    void Connect(const std::string& host, AuthMethod method, const std::string& user,
                 const std::string& password, std::int32_t port = 25);
    // Ends the session: QUIT and its 221 when graceful and connected; the socket is closed in any
    // case, then a failure of the QUIT exchange is raised.
    void Disconnect(bool graceful = true);
    // Sends one message: MAIL FROM, RCPT TO for every To, Cc and Bcc address, DATA, header, body
    // and the end-of-data mark. A message with an address that is no mailbox (MailboxFault; an
    // empty sender is allowed) is refused with kAddressInvalid before anything is sent.
    void SendMail(const CKivSMTPMessage& message);

    // Reads one reply; true when its code is the expected one.
    virtual bool AwaitReply(int expectedCode);
    // Reads one reply into text (without its final CR LF), receiving up to bufferSize bytes at
    // first and growStep bytes at a time after that. False when the code differs, the server
    // closed the connection, the whole reply did not come within ReplyTimeout, or it reached
    // kMaxReplyBytes without completing; LastReply then holds what was read. A reply that breaks
    // the reply syntax (SmtpReplyScanner) raises kMalformedReply, never counts as any code.
    virtual bool ReadReply(std::string& text, std::size_t bufferSize, int expectedCode,
                           std::size_t growStep);

    // Ends the session's work at once from another thread: the connection is shut down, so that
    // the call in progress fails soon after (a later Connect at once). For a program that must
    // end while a mail is in flight.
    void Abort() { socket_.Abort(); }

    bool IsConnected() const { return connected_; }
    // True once TLS protects the connection; the version agreed on, such as "TLSv1.3".
    bool IsEncrypted() const { return tls_ != nullptr; }
    std::string TlsProtocol() const;
    const std::string& LastReply() const { return lastReply_; }
    std::int32_t LastReplyCode() const { return lastReplyCode_; }

    // Settings, to be changed before Connect.
    const std::string& GreetingName() const { return greetingName_; }
    // "auto" (exactly) stands for this machine's host name.
    void SetGreetingName(const std::string& name);
    std::uint32_t ReplyTimeout() const { return replyTimeoutMs_; }
    void SetReplyTimeout(std::uint32_t milliseconds) { replyTimeoutMs_ = milliseconds; }
    ProxyKind GetProxyKind() const { return proxyKind_; }
    void SetProxyKind(ProxyKind kind) { proxyKind_ = kind; }
    const std::string& ProxyHost() const { return proxyHost_; }
    void SetProxyHost(std::string host) { proxyHost_ = std::move(host); }
    std::int32_t ProxyPort() const { return proxyPort_; }
    void SetProxyPort(std::int32_t port) { proxyPort_ = port; }
    const std::string& ProxyUser() const { return proxyUser_; }
    void SetProxyUser(std::string user) { proxyUser_ = std::move(user); }
    const std::string& ProxyPassword() const { return proxyPassword_; }
    void SetProxyPassword(std::string password) { proxyPassword_ = std::move(password); }
    const std::string& BindAddress() const { return bindAddress_; }
    void SetBindAddress(std::string address) { bindAddress_ = std::move(address); }
    const std::string& UserAgent() const { return userAgent_; }
    void SetUserAgent(std::string agent) { userAgent_ = std::move(agent); }
    SmtpSecurity Security() const { return security_; }
    void SetSecurity(SmtpSecurity security) { security_ = security; }
    // A PEM file of CA certificates trusted besides the system's store; empty: none.
    const std::string& ExtraCaFile() const { return extraCaFile_; }
    void SetExtraCaFile(std::string path) { extraCaFile_ = std::move(path); }

    // The session's side of NTLM authentication.
    NtlmStatus SendFirstToken(const unsigned char* token, std::size_t length) override;
    NtlmStatus ReceiveChallenge(unsigned char* buffer, std::size_t capacity,
                                std::size_t& length) override;
    NtlmStatus SendResponse(const unsigned char* token, std::size_t length) override;

private:
    std::uint32_t ReplyWaitMs() const;
    void OpenTransport(const std::string& host, std::uint16_t port);
    // The TLS handshake over the connection, checking the server's certificate against the host.
    void StartTls(const std::string& host);
    // Sends the bytes, through TLS once it is on.
    void SendBytes(const std::string& bytes);
    // Receives at most length bytes by the deadline: their count, 0 when the server closed the
    // connection, -1 when nothing came in time.
    int ReceiveBy(char* buffer, std::size_t length, std::chrono::steady_clock::time_point deadline);
    // Ends TLS (close_notify) and closes the socket.
    void CloseTransport();
    // Raises kErrorAborted when the session was aborted.
    void RaiseIfAborted() const;
    void Introduce(const std::string& host, AuthMethod method, const std::string& user,
                   const std::string& password);
    void SendText(const std::string& text);
    void Command(const std::string& text, int expectedCode, SmtpErrorCode failure);
    void SendBodyPart(const CKivSMTPBodyPart& part, bool root);
    // Stores a reply as LastReply, with any echo of a secret hidden.
    void KeepReply(std::string& text);
    // LastReply as an error carries it: while challenges are hidden, a 334 reply without its data.
    std::string ErrorReply() const;
    // The failure of a step whose reply was not the expected one: the step's code with the reply,
    // said as a reply that did not end when it did not.
    CKivSMTPException StepFailed(SmtpErrorCode code) const;

    // Authentication (smtp_authentication.cpp).
    void Authenticate(const std::string& host, AuthMethod method, const std::string& user,
                      const std::string& password);
    // The mechanism that BestOffered comes to for the last EHLO reply (None: the server offers no
    // login at all); raises when none will do.
    AuthMethod ChooseOfferedMethod() const;
    void AuthenticateCramMd5(const std::string& user, const std::string& password);
    // The prompts are checked when the caller named LOGIN; a mechanism chosen from the server's
    // offer takes any prompts (their wording is no standard), the first for the user name.
    void AuthenticateLogin(const std::string& user, const std::string& password, bool checkPrompts);
    void AuthenticatePlain(const std::string& user, const std::string& password);
    void AuthenticateSaslPlain(const std::string& user, const std::string& password);
    void AuthenticateNtlm(const std::string& host);
    // LastReply without its code and the space after it.
    std::string ReplyText() const;
    // Raises the failure unless the prompt is the expected one, compared without regard to case.
    void ExpectPrompt(const std::string& prompt, const char* expected, SmtpErrorCode failure);
    // A text the session is about to send that no reply or error may show from now on.
    void KeepSecret(const std::string& secret);
    void ForgetSecrets();
    void CancelOpenExchange();

    CWSocket socket_;
    bool connected_ = false;
    std::string lastReply_;
    std::string greetingName_;
    std::uint32_t replyTimeoutMs_ = kDefaultReplyTimeoutMs;
    std::int32_t lastReplyCode_ = 0;
    ProxyKind proxyKind_ = ProxyKind::None;
    std::string proxyHost_;
    std::int32_t proxyPort_ = 1080;
    std::string bindAddress_;
    std::string proxyUser_;
    std::string proxyPassword_;
    std::string userAgent_;
    SmtpSecurity security_ = SmtpSecurity::None;
    std::string extraCaFile_;
    // Set while TLS protects the connection.
    std::unique_ptr<TlsChannel> tls_;
    // Bytes received after the last complete reply.
    std::string pending_;
    // Set when a reply wait ran out: the session then ends without QUIT.
    bool timedOut_ = false;
    // Why the last reply did not come to an end (the time-out, its size, the server's close);
    // empty when it did.
    std::string unfinished_;
    // Set while QUIT's reply is awaited, which has a shorter bound.
    bool quitting_ = false;
    // Set while the reply to the end of the message data is awaited, which has a longer one.
    bool awaitingDelivery_ = false;
    // While authenticating: what was sent that must not come back in a reply or an error. A reply
    // that holds the first kSecretStartBytes bytes of one is not kept.
    static constexpr std::size_t kSecretStartBytes = 16;
    std::vector<std::string> secrets_;
    // While authenticating with a mechanism whose 334 replies carry challenges.
    bool hideChallenges_ = false;
};

// This machine's host name, as HELO and EHLO send it.
std::string LocalHostName();

}  // namespace calvendra
