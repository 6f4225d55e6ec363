#include "tests/mail/test_certificates.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace calvendra::test {

namespace {

constexpr char kNewKey[] = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

}  // namespace

TestCertificates::TestCertificates() {
    const std::string folder = folder_.Path().string();
    for (const char* ca : {"ca", "stranger-ca"}) {
        Run(std::string("openssl req -x509 ") + kNewKey + " -keyout '" + folder + "/" + ca +
            ".key' -out '" + folder + "/" + ca + ".pem' -days 2 -subj '/CN=Calvendra test " + ca +
            "' -addext basicConstraints=critical,CA:TRUE -addext "
            "keyUsage=critical,keyCertSign,cRLSign");
    }
    caFile_ = folder + "/ca.pem";
    loopback_ = Issue("localhost", "DNS:localhost,IP:127.0.0.1", "ca");
    otherHost_ = Issue("mail.example.org", "DNS:mail.example.org", "ca");
    untrusted_ = Issue("localhost-untrusted", "DNS:localhost,IP:127.0.0.1", "stranger-ca");
    wildcard_ = Issue("wildcard.example.org", "DNS:*.example.org", "ca");
    partialWildcard_ = Issue("partial-wildcard.example.org", "DNS:f*.example.org", "ca");
}

TestCertificates::Pair TestCertificates::Issue(const std::string& name,
                                               const std::string& alternativeNames,
                                               const std::string& ca) {
    const std::string base = (folder_.Path() / name).string();
    std::ofstream(base + ".ext") << "subjectAltName=" << alternativeNames
                                 << "\nextendedKeyUsage=serverAuth\n";
    const std::string caBase = (folder_.Path() / ca).string();
    Run(std::string("openssl req ") + kNewKey + " -keyout '" + base + ".key' -out '" + base +
        ".csr' -subj '/CN=" + name + "'");
    Run("openssl x509 -req -in '" + base + ".csr' -CA '" + caBase + ".pem' -CAkey '" + caBase +
        ".key' -CAcreateserial -days 2 -extfile '" + base + ".ext' -out '" + base + ".pem'");
    return {base + ".pem", base + ".key"};
}

bool TestCertificates::Run(const std::string& command) {
    if (!failure_.empty()) {
        return false;
    }
    const std::string log = (folder_.Path() / "openssl.log").string();
    if (std::system((command + " >'" + log + "' 2>&1").c_str()) != 0) {
        std::ifstream in(log);
        std::stringstream output;
        output << in.rdbuf();
        failure_ = command + ": " + output.str();
        return false;
    }
    return true;
}

bool TestCertificates::Ready(std::string& why) const {
    why = failure_;
    return failure_.empty();
}

}  // namespace calvendra::test
