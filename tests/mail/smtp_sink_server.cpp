#include "tests/mail/smtp_sink_server.h"

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/mail/scripted_peer.h"
#include "tests/mail/server_process.h"
#include "tests/mail/text_pieces.h"

namespace calvendra::test {

namespace {

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

void SmtpSinkServer::RequireLogin(std::string user, std::string password,
                                  std::vector<std::string> loginPrompts) {
    login_ = "\"user\": " + JsonText(user) + ", \"password\": " + JsonText(password) +
             ", \"login_prompts\": " +
             (loginPrompts.size() == 2
                  ? "[" + JsonText(loginPrompts[0]) + ", " + JsonText(loginPrompts[1]) + "]"
                  : std::string("null"));
}

void SmtpSinkServer::UseTls(Tls mode, std::string certificate, std::string key) {
    tls_ = std::string("\"tls\": ") + (mode == Tls::StartTls ? "\"starttls\"" : "\"implicit\"") +
           ", \"certificate\": " + JsonText(certificate) + ", \"key\": " + JsonText(key);
}

bool SmtpSinkServer::Start(std::string& why) {
    std::string options;
    if (!login_.empty() || !tls_.empty()) {
        options = (folder_.Path() / "options.json").string();
        std::ofstream(options) << "{" << login_ << (login_.empty() || tls_.empty() ? "" : ", ")
                               << tls_ << "}";
    }
    if (port_ == 0) {
        port_ = UnusedPort();
    }
    const std::string port = std::to_string(port_);
    const std::string folder = folder_.Path().string();
    child_ = ::fork();
    if (child_ < 0) {
        why = "cannot start a process";
        return false;
    }
    if (child_ == 0) {
        // A test killed by its time-out must not leave its server running.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::execl(CALVENDRA_PYTHON3, CALVENDRA_PYTHON3, CALVENDRA_SMTP_SINK, port.c_str(),
                folder.c_str(), options.empty() ? nullptr : options.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    switch (WaitUntilListening(child_, port_)) {
        case Listening::Yes:
            return true;
        case Listening::ProcessEnded:
            child_ = -1;
            why = "the SMTP server script ended at once (is python3-aiosmtpd installed?)";
            return false;
        case Listening::NotInTime:
            break;
    }
    why = "the SMTP server did not start listening";
    return false;
}

void SmtpSinkServer::Stop() {
    if (child_ > 0) {
        ::kill(child_, SIGTERM);
        int status = 0;
        ::waitpid(child_, &status, 0);
        child_ = -1;
    }
}

std::vector<std::string> SmtpSinkServer::Messages() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
        if (entry.path().extension() == ".txt") {
            files.push_back(entry.path());
        }
    }
    // message-<n>.txt, in arrival order.
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return std::stoi(a.stem().string().substr(8)) < std::stoi(b.stem().string().substr(8));
    });
    std::vector<std::string> messages;
    for (const auto& file : files) {
        messages.push_back(ReadWhole(file));
    }
    return messages;
}

int SmtpSinkServer::Sessions() const {
    const std::string log = ReadWhole(folder_.Path() / "sessions.log");
    return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
}

std::vector<std::string> SmtpSinkServer::Logins() const {
    std::vector<std::string> lines = Split(ReadWhole(folder_.Path() / "auth.log"), "\n");
    lines.pop_back();  // what follows the last line end
    return lines;
}

}  // namespace calvendra::test
