#include "tests/mail/postfix_server.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/mail/sasl_account.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/server_process.h"

namespace calvendra::test {

namespace {

namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a program and waits for it; its exit status, or -1 when it could not run.
int Run(const std::vector<std::string>& arguments) {
    const pid_t child = ::fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Where Cyrus SASL's smtpd.conf and the sasldb go. Debian's Postfix looks for smtpd.conf in the
// folder "sasl" of its configuration folder, whatever cyrus_sasl_config_path says; both name it.
fs::path SaslFolder(const fs::path& root) {
    return root / "conf" / "sasl";
}

// What main.cf says when mail needs a login: Cyrus SASL configured by smtpd.conf in SaslFolder, and
// nobody trusted by address.
std::string SaslConfiguration(const fs::path& root) {
    return "smtpd_sasl_auth_enable = yes\n"
           "smtpd_sasl_type = cyrus\n"
           "smtpd_sasl_path = smtpd\n"
           "cyrus_sasl_config_path = " +
           SaslFolder(root).string() +
           "\n"
           "smtpd_sasl_local_domain = " +
           PostfixServer::kSaslRealm +
           "\n"
           "smtpd_sasl_security_options = noanonymous\n"
           "smtpd_sasl_authenticated_header = yes\n"
           "mynetworks =\n"
           "smtpd_relay_restrictions = permit_sasl_authenticated, reject\n";
}

// The main.cf of the test's Postfix: every path its own, loopback only, nothing relayed or sent
// on, every recipient's copy delivered into the one Maildir <mail>/Maildir/. Without a login, the
// loopback network may send.
std::string MainConfiguration(const fs::path& root, uid_t uid, gid_t gid, bool login) {
    const std::string folder = root.string();
    return "compatibility_level = 3.6\n"
           "queue_directory = " +
           folder +
           "/queue\n"
           "data_directory = " +
           folder +
           "/data\n"
           "daemon_directory = " CALVENDRA_POSTFIX_DAEMONS
           "\n"
           "mail_owner = postfix\n"
           "setgid_group = postdrop\n"
           "inet_interfaces = 127.0.0.1\n"
           "inet_protocols = ipv4\n"
           "myhostname = mx.calvendra.test\n"
           "mydestination =\n"
           "relay_domains =\n" +
           (login ? SaslConfiguration(root)
                  : "mynetworks = 127.0.0.0/8\n"
                    "smtpd_relay_restrictions = permit_mynetworks, reject\n") +
           "local_recipient_maps =\n"
           "alias_maps =\n"
           "alias_database =\n"
           "virtual_mailbox_domains = static:all\n"
           "virtual_mailbox_base = " +
           folder +
           "/mail\n"
           "virtual_mailbox_maps = static:Maildir/\n"
           "virtual_uid_maps = static:" +
           std::to_string(uid) +
           "\n"
           "virtual_gid_maps = static:" +
           std::to_string(gid) +
           "\n"
           "virtual_minimum_uid = 1\n"
           "default_transport = error:no mail leaves this test\n"
           "relay_transport = error:no mail leaves this test\n"
           "biff = no\n"
           // The strict checks a careful site turns on.
           "strict_7bit_headers = yes\n"
           "strict_8bitmime_body = yes\n"
           "strict_mime_encoding_domain = yes\n"
           "smtpd_forbid_bare_newline = yes\n"
           "smtpd_forbid_bare_newline_exclusions =\n"
           "maillog_file = " +
           folder +
           "/maillog\n"
           "maillog_file_prefixes = " +
           folder + "\n";
}

std::string MasterConfiguration(std::uint16_t port) {
    return "127.0.0.1:" + std::to_string(port) +
           " inet n - n - - smtpd\n"
           "cleanup unix n - n - 0 cleanup\n"
           "qmgr unix n - n 300 1 qmgr\n"
           "rewrite unix - - n - - trivial-rewrite\n"
           "bounce unix - - n - 0 bounce\n"
           "defer unix - - n - 0 bounce\n"
           "trace unix - - n - 0 bounce\n"
           "verify unix - - n - 1 verify\n"
           "flush unix n - n 1000? 0 flush\n"
           "proxymap unix - - n - - proxymap\n"
           "error unix - - n - - error\n"
           "retry unix - - n - - error\n"
           "discard unix - - n - - discard\n"
           "virtual unix - n n - - virtual\n"
           "anvil unix - - n - 1 anvil\n"
           "scache unix - - n - 1 scache\n"
           "tlsmgr unix - - n 1000? 1 tlsmgr\n"
           "postlog unix-dgram n - n - 1 postlogd\n";
}

}  // namespace

bool PostfixServer::Start(std::string& why) {
    if (::geteuid() != 0) {
        why = "Postfix's master process runs only as root";
        return false;
    }
    const passwd* owner = ::getpwnam("postfix");
    if (owner == nullptr || ::access(CALVENDRA_POSTFIX, X_OK) != 0) {
        why = "Postfix is not installed (scripts/install-deps installs it)";
        return false;
    }
    const fs::path root = folder_.Path();
    std::error_code error;
    for (const char* sub : {"conf", "queue", "data", "mail"}) {
        fs::create_directory(root / sub, error);
    }
    // Postfix's processes run as its own user: they must reach into the folder.
    ::chmod(root.c_str(), 0755);
    if (::chown((root / "data").c_str(), owner->pw_uid, owner->pw_gid) != 0 ||
        ::chown((root / "mail").c_str(), owner->pw_uid, owner->pw_gid) != 0) {
        why = "cannot hand the data and mail folders to Postfix";
        return false;
    }
    port_ = UnusedPort();
    const bool login = !saslUser_.empty();
    if (login && !WriteSaslConfiguration(why)) {
        return false;
    }
    std::ofstream(root / "conf" / "main.cf")
        << MainConfiguration(root, owner->pw_uid, owner->pw_gid, login)
        << (tlsCertificate_.empty()
                ? std::string()
                : "smtpd_tls_cert_file = " + tlsCertificate_ + "\nsmtpd_tls_key_file = " + tlsKey_ +
                      "\nsmtpd_tls_security_level = encrypt\n"
                      "smtpd_tls_auth_only = yes\n"
                      "smtpd_tls_received_header = yes\n");
    std::ofstream(root / "conf" / "master.cf") << MasterConfiguration(port_);

    const std::string conf = (root / "conf").string();
    // Creates the queue's folders with their owners and modes, as Postfix wants them.
    if (Run({CALVENDRA_POSTFIX, "-c", conf, "check"}) != 0) {
        why = "postfix check failed: " + Log();
        return false;
    }
    master_ = ::fork();
    if (master_ < 0) {
        why = "cannot start a process";
        return false;
    }
    if (master_ == 0) {
        const std::string master = CALVENDRA_POSTFIX_DAEMONS "/master";
        ::execl(master.c_str(), master.c_str(), "-c", conf.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (!StartGuard()) {
        why = "cannot start the process that guards Postfix";
        Stop();
        return false;
    }
    switch (WaitUntilListening(master_, port_)) {
        case Listening::Yes:
            return true;
        case Listening::ProcessEnded:
            master_ = -1;
            why = "Postfix's master process ended at once: " + Log();
            break;
        case Listening::NotInTime:
            why = "Postfix did not start listening: " + Log();
            break;
    }
    Stop();
    return false;
}

void PostfixServer::RequireStartTls(std::string certificate, std::string key) {
    tlsCertificate_ = std::move(certificate);
    tlsKey_ = std::move(key);
}

void PostfixServer::RequireLogin(std::string user, std::string password) {
    saslUser_ = std::move(user);
    saslPassword_ = std::move(password);
}

// Cyrus SASL as Postfix's smtpd (running as the postfix user) reads it: smtpd.conf and the sasldb
// in SaslFolder.
bool PostfixServer::WriteSaslConfiguration(std::string& why) {
    const fs::path folder = SaslFolder(folder_.Path());
    const fs::path sasldb = folder / "sasldb2";
    std::error_code error;
    fs::create_directory(folder, error);
    std::ofstream(folder / "smtpd.conf") << "pwcheck_method: auxprop\n"
                                            "auxprop_plugin: sasldb\n"
                                            "sasldb_path: "
                                         << sasldb.string()
                                         << "\n"
                                            "mech_list: PLAIN LOGIN CRAM-MD5 NTLM\n";
    if (!CreateSaslAccount(sasldb.string(), kSaslRealm, saslUser_, saslPassword_, why)) {
        return false;
    }
    // Root's, as everything in Postfix's configuration folder, and readable by Postfix's group.
    const passwd* owner = ::getpwnam("postfix");
    if (::chown(sasldb.c_str(), 0, owner->pw_gid) != 0 || ::chmod(sasldb.c_str(), 0640) != 0) {
        why = "cannot let Postfix read the sasldb";
        return false;
    }
    return true;
}

// The master gives up its parent's death signal when it changes its credentials, so a guard
// process stands in for it: it waits for the end of the test process (the pipe's writing end
// closes with it, however it ends), then stops the master and removes the folder. Stop tells it
// first that there is nothing left to do.
bool PostfixServer::StartGuard() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    guard_ = ::fork();
    if (guard_ < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (guard_ == 0) {
        ::close(ends[1]);
        char byte = 0;
        ssize_t got = 0;
        while ((got = ::read(ends[0], &byte, 1)) < 0 && errno == EINTR) {
        }
        if (got == 1) {
            ::_exit(0);  // Stop has done it all
        }
        ::kill(master_, SIGTERM);
        // The master is not the guard's child: wait for it to be gone, then clear up after it.
        for (int tries = 0; tries < 200 && ::kill(master_, 0) == 0; ++tries) {
            ::usleep(50000);
        }
        std::error_code ignored;
        fs::remove_all(folder_.Path(), ignored);
        ::_exit(0);
    }
    ::close(ends[0]);
    guardPipe_ = ends[1];
    return true;
}

void PostfixServer::Stop() {
    if (master_ > 0) {
        // The master tells every process it started to end; they lead their own lives a little
        // longer, in the process group the master leads.
        ::kill(master_, SIGTERM);
        int status = 0;
        ::waitpid(master_, &status, 0);
        for (int tries = 0; tries < 200 && ::kill(-master_, 0) == 0; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        master_ = -1;
    }
    if (guardPipe_ >= 0) {
        // The master is reaped: the guard must not signal its number again.
        const char done = 1;
        while (::write(guardPipe_, &done, 1) < 0 && errno == EINTR) {
        }
        ::close(guardPipe_);
        guardPipe_ = -1;
        int status = 0;
        ::waitpid(guard_, &status, 0);
        guard_ = -1;
    }
}

std::vector<PostfixServer::Delivery> PostfixServer::WaitForDeliveries(
    std::size_t count, std::chrono::seconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::vector<fs::path> files;
    for (;;) {
        files.clear();
        std::error_code error;
        for (const auto& file :
             fs::directory_iterator(folder_.Path() / "mail" / "Maildir" / "new", error)) {
            files.push_back(file.path());
        }
        if (files.size() >= count || std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // The delivery agent names the recipient of each copy in the line it puts on top.
    std::vector<Delivery> found;
    for (const fs::path& file : files) {
        const std::string text = ReadWhole(file);
        const std::size_t field = text.find("Delivered-To: ");
        const std::size_t end = text.find('\n', field);
        found.push_back(
            {field == std::string::npos ? std::string() : text.substr(field + 14, end - field - 14),
             file.string()});
    }
    std::sort(found.begin(), found.end(),
              [](const Delivery& a, const Delivery& b) { return a.recipient < b.recipient; });
    return found;
}

std::string PostfixServer::Log() const {
    return ReadWhole(folder_.Path() / "maillog");
}

}  // namespace calvendra::test
