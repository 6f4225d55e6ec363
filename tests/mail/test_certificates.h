#pragma once

#include <string>

#include "tests/mail/temp_folder.h"

namespace calvendra::test {

// A certificate authority of the test's own and server certificates it signed, made with the
// openssl program in a temporary folder (EC keys, valid for two days). Nothing of it is in the
// system's CA store: a client trusts it only when given CaFile().
class TestCertificates {
public:
    // A certificate and its key, as PEM files.
    struct Pair {
        std::string certificate;
        std::string key;
    };

    TestCertificates();

    // False, with openssl's output in `why`, when the files could not be made.
    bool Ready(std::string& why) const;

    const std::string& CaFile() const { return caFile_; }
    // For "localhost" and 127.0.0.1.
    const Pair& Loopback() const { return loopback_; }
    // For mail.example.org only.
    const Pair& OtherHost() const { return otherHost_; }
    // For "localhost" and 127.0.0.1 as well, but signed by a second CA that nobody trusts.
    const Pair& Untrusted() const { return untrusted_; }
    // For "*.example.org": any one label in front of example.org.
    const Pair& Wildcard() const { return wildcard_; }
    // For "f*.example.org", a wildcard that is part of a label, which clients must not honour.
    const Pair& PartialWildcard() const { return partialWildcard_; }

private:
    Pair Issue(const std::string& name, const std::string& alternativeNames, const std::string& ca);
    bool Run(const std::string& command);

    TempFolder folder_;
    std::string caFile_;
    Pair loopback_;
    Pair otherHost_;
    Pair untrusted_;
    Pair wildcard_;
    Pair partialWildcard_;
    std::string failure_;
};

}  // namespace calvendra::test
